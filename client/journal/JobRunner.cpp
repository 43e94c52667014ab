#include "client/journal/JobRunner.h"

#include "client/User.h"
#include "client/plan/RecordNormalize.h"

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
    m_finished = !m_writer.begin(kind, summary, undoes, account);
    return !m_finished;
}

bool JournalRunner::atEnd() const
{
    return m_finished || m_writer.failed() || m_next >= m_plan.domains.size();
}

void JournalRunner::settle(const QString &domain, const PlanStep &step, const QString &status,
                           const QString &error)
{
    StepOutcome o;
    o.domain = domain;
    o.step = step;
    o.status = status;
    o.error = error;
    m_outcomes.append(o);
}

bool JournalRunner::liveUnchanged(const DomainPlan &d, QString &error)
{
    Domain *cached = m_user.domain2ptr(d.domain);
    Domain scratch;
    scratch.id = d.domainID;
    scratch.name = d.domain;
    Domain *dm = cached && cached->id == d.domainID ? cached : &scratch;
    m_user.getRecord(dm);
    if (!m_user.errorText.isEmpty()) {
        error = QStringLiteral("无法读取记录: ") + m_user.errorText;
        m_readNoAnswer = m_readNoAnswer || !m_user.answered;
        return false;
    }
    QList<Record> now;
    for (const Record &r : dm->records)
        now.append(r);
    if (!sameRecordSet(now, d.live)) {
        error = QStringLiteral("预览后已有改动");
        return false;
    }
    return true;
}

void JournalRunner::runNext()
{
    if (atEnd())
        return;
    DomainPlan &d = m_plan.domains[m_next++];
    int domainID = d.domainID;

    bool sends = false;
    for (const PlanStep &s : d.steps)
        sends = sends || opSendsRequest(s.op);
    QString skipReason;
    if (sends && d.liveKnown)
        liveUnchanged(d, skipReason);

    for (PlanStep &s : d.steps) {
        if (s.op == StepOps::Unchanged)
            continue;
        if (!opSendsRequest(s.op) || !skipReason.isEmpty()) {
            // Nothing is sent; the step is written settled, for the record.
            const QString status = s.op == StepOps::AlreadyReverted ? StepStatus::AlreadyReverted
                                   : s.op == StepOps::Conflict      ? StepStatus::Conflict
                                                                    : StepStatus::Skipped;
            const QString error = skipReason.isEmpty() ? s.problem : skipReason;
            if (!m_writer.note(d.domain, domainID, s, status, error))
                return;
            settle(d.domain, s, status, error);
            continue;
        }
        QString error;
        const QString status = m_writer.send(d.domain, domainID, s, error);
        // Nothing goes out unjournaled: a journal that failed before the request stops here.
        if (status.isEmpty())
            return;
        settle(d.domain, s, status, error);
        if (m_writer.failed())
            return;
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
    if (stopped || m_writer.failed() || (!m_finished && m_next < m_plan.domains.size()))
        state = JobState::Stopped;
    if (!m_finished)
        m_writer.finish(state);
    m_finished = true;
    return state;
}
