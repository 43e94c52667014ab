#include "client/journal/JobRunner.h"

#include "client/RecordIdentity.h"
#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/plan/RecordJson.h"

#include <algorithm>

QString journalAccount(const User &user)
{
    QString account = user.email;
    if (account.isEmpty())
        account = user.userDetail.value(QStringLiteral("email")).toString();
    return account.trimmed().toLower();
}

bool sameRecordSet(const QList<Record> &a, const QList<Record> &b)
{
    if (a.size() != b.size())
        return false;
    auto byId = [](const Record &x, const Record &y) { return x.id < y.id; };
    QList<Record> x = a;
    QList<Record> y = b;
    std::sort(x.begin(), x.end(), byId);
    std::sort(y.begin(), y.end(), byId);
    for (int i = 0; i < x.size(); ++i) {
        if (x.at(i).id != y.at(i).id || !sameLiveRecord(x.at(i), y.at(i)))
            return false;
    }
    return true;
}

JournalRunner::JournalRunner(User &user, Journal &journal) : m_user(user), m_writer(user, journal)
{}

bool JournalRunner::start(const ChangePlan &plan, const QString &kind, const QString &summary,
                          const QString &account, qint64 undoes)
{
    m_plan = plan;
    m_next = 0;
    m_outcomes.clear();
    m_readNoAnswer = false;
    m_noAnswers.reset();
    m_finished = !m_writer.begin(kind, summary, undoes, account);
    return !m_finished;
}

bool JournalRunner::atEnd() const
{
    return m_finished || m_writer.failed() || m_next >= m_plan.domains.size();
}

void JournalRunner::settle(const QString &domain, const PlanStep &step, const QString &status,
                           const QString &error, NotSent notSent)
{
    StepOutcome o;
    o.domain = domain;
    o.step = step;
    o.status = status;
    o.error = error;
    o.notSent = notSent;
    m_outcomes.append(o);
}

void JournalRunner::readNextDomainAgain()
{
    if (atEnd() || gaveUp())
        return;
    const DomainPlan &next = m_plan.domains.at(m_next);
    bool sends = false;
    for (const PlanStep &s : next.steps)
        sends = sends || opSendsRequest(s.op);
    if (sends && next.liveKnown)
        readWholeRecordListNext(m_user, next.domainID);
}

bool JournalRunner::liveUnchanged(const DomainPlan &d, QString &error, bool &unread)
{
    Domain *cached = m_user.domain2ptr(d.domain);
    Domain scratch;
    scratch.id = d.domainID;
    scratch.name = d.domain;
    Domain *dm = cached && cached->id == d.domainID ? cached : &scratch;
    // The whole list, as the plan's live records were read.
    QList<Record> now;
    const bool read = readWholeRecordList(m_user, *dm, now, false);
    m_noAnswers.note(read || m_user.answered, m_next);
    unread = !read;
    if (!read) {
        error = QStringLiteral("无法读取记录: ") + m_user.errorText;
        m_readNoAnswer = m_readNoAnswer || !m_user.answered;
        return false;
    }
    if (!sameRecordSet(now, d.live)) {
        error = QStringLiteral("预览后已有改动");
        return false;
    }
    return true;
}

QString JournalRunner::giveUpReason() const
{
    return m_noAnswers.reason(m_plan.domains.size()) + QStringLiteral("，此步未执行");
}

void JournalRunner::runNext()
{
    if (atEnd())
        return;
    DomainPlan &d = m_plan.domains[m_next++];
    int domainID = d.domainID;
    // A domain whose every request was answered starts the count anew.
    struct EndDomain
    {
        NoAnswerWatch &watch;
        ~EndDomain() { watch.endDomain(); }
    } endDomain{m_noAnswers};

    bool sends = false;
    for (const PlanStep &s : d.steps)
        sends = sends || opSendsRequest(s.op);
    QString skipReason;
    NotSent why = NotSent::No;
    bool unread = false;
    if (gaveUp())
        why = NotSent::GaveUp;
    else if (sends && d.liveKnown && !liveUnchanged(d, skipReason, unread))
        why = gaveUp() ? NotSent::GaveUp : unread ? NotSent::Unread : NotSent::ChangedSincePreview;
    if (why == NotSent::GaveUp)
        skipReason = giveUpReason();

    // The last request of this domain: once its reply is in, the next domain's records are
    // read again (a read only, and still before any change of that domain).
    const PlanStep *lastSent = nullptr;
    for (const PlanStep &s : d.steps) {
        if (opSendsRequest(s.op))
            lastSent = &s;
    }
    for (PlanStep &s : d.steps) {
        if (s.op == StepOps::Unchanged)
            continue;
        if (&s == lastSent && skipReason.isEmpty())
            readNextDomainAgain();
        if (!opSendsRequest(s.op) || !skipReason.isEmpty()) {
            // Nothing is sent; the step is written settled, for the record.
            const QString status = s.op == StepOps::AlreadyReverted ? StepStatus::AlreadyReverted
                                   : s.op == StepOps::Conflict      ? StepStatus::Conflict
                                                                    : StepStatus::Skipped;
            const QString error = skipReason.isEmpty() ? s.problem : skipReason;
            if (!m_writer.note(d.domain, domainID, s, status, error))
                return;
            settle(d.domain, s, status, error, skipReason.isEmpty() ? NotSent::Planned : why);
            continue;
        }
        QString error;
        const QString status = m_writer.send(d.domain, domainID, s, error);
        // Nothing goes out unjournaled: a journal that failed before the request stops here.
        if (status.isEmpty())
            return;
        m_noAnswers.note(status != StepStatus::Unknown, m_next);
        settle(d.domain, s, status, error);
        if (m_writer.failed())
            return;
        // The rest of this domain is skipped too once the job gave up.
        if (gaveUp() && skipReason.isEmpty()) {
            skipReason = giveUpReason();
            why = NotSent::GaveUp;
        }
    }
    if (Domain *cached = m_user.domain2ptr(d.domain))
        cached->recordsDirty = true;
}

QString JournalRunner::finish(bool stopped)
{
    if (!m_writer.jobId())
        return QString();
    QString state = JobState::Done;
    for (const StepOutcome &o : m_outcomes) {
        if (o.status != StepStatus::Done && o.status != StepStatus::AlreadyReverted)
            state = JobState::Partial;
    }
    if (stopped || gaveUp() || m_writer.failed() || (!m_finished && m_next < m_plan.domains.size()))
        state = JobState::Stopped;
    if (!m_finished)
        m_writer.finish(state);
    m_finished = true;
    return state;
}
