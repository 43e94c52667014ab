#include "client/journal/JobRunner.h"

#include "client/RecordIdentity.h"
#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/plan/RecordJson.h"

#include <algorithm>

namespace {

QString number(int n)
{
    return QString::number(n);
}

} // namespace

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

JournalRunner::JournalRunner(User &user, Journal &journal) : m_user(user), m_journal(journal) {}

bool JournalRunner::start(const ChangePlan &plan, const QString &kind, const QString &summary,
                          const QString &account, qint64 undoes)
{
    m_plan = plan;
    m_undoes = undoes;
    m_next = 0;
    m_order = 0;
    m_outcomes.clear();
    m_error.clear();
    m_networkFailed = m_journalFailed = m_finished = false;
    m_jobId = m_journal.beginJob(account, kind, summary, undoes);
    if (!m_jobId) {
        m_error = m_journal.errorText();
        m_finished = true;
        return false;
    }
    return true;
}

bool JournalRunner::atEnd() const
{
    return m_finished || m_journalFailed || m_next >= m_plan.domains.size();
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
    // The whole list, as the plan's live records were read.
    QList<Record> now;
    if (!readWholeRecordList(m_user, *dm, now, false)) {
        error = QStringLiteral("无法读取记录: ") + m_user.errorText;
        m_networkFailed = m_networkFailed || !m_user.answered;
        return false;
    }
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
        JournalStep row;
        row.job = m_jobId;
        row.order = ++m_order;
        row.domainID = domainID;
        row.domain = d.domain;
        row.op = s.op;
        row.before = s.before;
        row.after = s.after;
        row.reverts = s.reverts;
        row.recordID = s.before.value(QStringLiteral("id")).toInt();
        if (!opSendsRequest(s.op) || !skipReason.isEmpty()) {
            // Nothing is sent; the step is written settled, for the record.
            row.status = s.op == StepOps::AlreadyReverted ? StepStatus::AlreadyReverted
                         : s.op == StepOps::Conflict      ? StepStatus::Conflict
                                                          : StepStatus::Skipped;
            row.error = skipReason.isEmpty() ? s.problem : skipReason;
            if (!m_journal.addSettledStep(row)) {
                m_journalFailed = true;
                m_error = m_journal.errorText();
                return;
            }
            settle(d.domain, s, row.status, row.error);
            continue;
        }
        const qint64 stepId = m_journal.addStep(row);
        if (!stepId) {
            // Nothing goes out unjournaled.
            m_journalFailed = true;
            m_error = m_journal.errorText();
            return;
        }
        QString error;
        const QString status = perform(s, domainID, d.domain, error);
        if (!m_journal.settleStep(stepId, status, error, s.after)) {
            m_journalFailed = true;
            m_error = m_journal.errorText();
        }
        settle(d.domain, s, status, error);
        if (m_journalFailed)
            return;
    }
    if (Domain *cached = m_user.domain2ptr(d.domain))
        cached->recordsDirty = true;
}

QString JournalRunner::perform(PlanStep &step, int &domainID, const QString &domainName,
                               QString &error)
{
    Domain target;
    target.id = domainID;
    target.name = domainName;
    const Record before = recordFromJson(step.before);
    Record after = recordFromJson(step.after);
    const QString &op = step.op;
    bool ok = false;
    if (op == StepOps::Create) {
        Record made;
        ok = m_user.addRecord(domainID, after.value, after.type, number(after.lineID), after.host,
                              number(after.ttl), number(after.mx > 0 ? after.mx : 10), &made);
        if (ok) {
            after.id = made.id;
            after.viewName = made.viewName;
            const bool paused = after.state != 0;
            after.state = made.state;
            step.after = recordToJson(after);
            // A record put back in its paused state: created, then paused.
            if (paused && made.id > 0) {
                ok = m_user.pauseRecord(&target, made.id);
                if (ok) {
                    after.state = 1;
                    step.after = recordToJson(after);
                }
            }
        }
    } else if (op == StepOps::Change) {
        const QStringList &fields = step.fields;
        auto named = [&fields](const char *field, const QString &value) {
            return fields.isEmpty() || fields.contains(QLatin1String(field)) ? value : QString();
        };
        const bool mx = fields.isEmpty() ? after.type == QLatin1String("MX")
                                         : fields.contains(QStringLiteral("mx"));
        ok = m_user.editRecord(&target, before.id, named("host", after.host),
                               named("type", after.type), named("value", after.value),
                               named("ttl", number(after.ttl)), mx ? number(after.mx) : QString(),
                               named("line", number(after.lineID)));
        if (ok && (after.state != 0) != (before.state != 0)) {
            ok = after.state != 0 ? m_user.pauseRecord(&target, before.id)
                                  : m_user.startRecord(&target, before.id);
        }
    } else if (op == StepOps::Delete) {
        ok = m_user.delRecord(&target, before.id);
    } else if (op == StepOps::Pause) {
        ok = m_user.pauseRecord(&target, before.id);
    } else if (op == StepOps::Start) {
        ok = m_user.startRecord(&target, before.id);
    } else if (op == StepOps::DomainPause) {
        ok = m_user.pauseDomain(domainID);
    } else if (op == StepOps::DomainStart) {
        ok = m_user.startDomain(domainID);
    } else if (op == StepOps::DomainLock) {
        ok = m_user.lockDomain(domainID);
    } else if (op == StepOps::DomainUnlock) {
        ok = m_user.unlockDomain(domainID);
    } else if (op == StepOps::DomainMove) {
        ok = m_user.editDMGroup(&target, step.after.value(QStringLiteral("groupID")).toInt());
    } else if (op == StepOps::DomainDelete) {
        ok = m_user.delDomain(domainID);
    } else if (op == StepOps::DomainCreate) {
        const QString name = step.after.value(QStringLiteral("name")).toString();
        ok = m_user.addDomain(name, step.after.value(QStringLiteral("serviceID")).toInt(1000));
        if (ok) {
            // The reply carries no id: the domain list tells it.
            m_user.getDomain();
            domainID = m_user.domain2dmid(name);
            ok = domainID > 0;
            if (!ok && m_user.errorText.isEmpty())
                m_user.errorText = QStringLiteral("找不到域名 %1").arg(name);
        }
        if (ok) {
            QJsonObject made = step.after;
            made.insert(QStringLiteral("id"), domainID);
            step.after = made;
            const int group = made.value(QStringLiteral("groupID")).toInt();
            target.id = domainID;
            if (group > 0 && !m_user.editDMGroup(&target, group)) {
                error = QStringLiteral("已添加域名, 但无法移回分组: ") + m_user.errorText;
                return StepStatus::Failed;
            }
        }
    } else {
        error = QStringLiteral("不支持的操作 %1").arg(op);
        return StepStatus::Failed;
    }
    if (ok)
        return StepStatus::Done;
    error = m_user.errorText;
    // No answer with a code: the request may or may not have been carried out.
    if (!m_user.answered) {
        m_networkFailed = true;
        return StepStatus::Unknown;
    }
    return StepStatus::Failed;
}

QString JournalRunner::finish(bool stopped)
{
    if (!m_jobId)
        return QString();
    QString state = JobState::Done;
    for (const StepOutcome &o : m_outcomes) {
        if (o.status != StepStatus::Done && o.status != StepStatus::AlreadyReverted)
            state = JobState::Partial;
    }
    if (stopped || m_journalFailed || (!m_finished && m_next < m_plan.domains.size()))
        state = JobState::Stopped;
    if (!m_finished) {
        m_journal.finishJob(m_jobId, state);
        if (m_undoes && state == JobState::Done)
            m_journal.markUndone(m_undoes);
    }
    m_finished = true;
    return state;
}
