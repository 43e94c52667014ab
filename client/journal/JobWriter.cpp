#include "client/journal/JobWriter.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/plan/RecordJson.h"

namespace {

QString number(int n)
{
    return QString::number(n);
}

} // namespace

JobWriter::JobWriter(User &user, Journal &journal) : m_user(user), m_journal(journal) {}

bool JobWriter::begin(const QString &kind, const QString &summary, qint64 undoes,
                      const QString &account)
{
    m_undoes = undoes;
    m_order = 0;
    m_error.clear();
    m_journalFailed = m_notDone = m_networkFailed = m_finished = false;
    m_jobId = m_journal.beginJob(account.isEmpty() ? journalAccount(m_user) : account, kind,
                                 summary, undoes);
    if (!m_jobId)
        m_error = m_journal.errorText();
    return m_jobId != 0;
}

JournalStep JobWriter::row(const QString &domain, int domainID, const PlanStep &step)
{
    JournalStep r;
    r.job = m_jobId;
    r.order = ++m_order;
    r.domainID = domainID;
    r.domain = domain;
    r.op = step.op;
    r.before = step.before;
    r.after = step.after;
    r.reverts = step.reverts;
    r.forced = step.forced;
    r.recordID = step.before.value(QStringLiteral("id")).toInt();
    return r;
}

void JobWriter::journalFailed()
{
    m_journalFailed = true;
    m_error = m_journal.errorText();
}

bool JobWriter::note(const QString &domain, int domainID, const PlanStep &step,
                     const QString &status, const QString &error)
{
    if (!m_jobId || m_journalFailed)
        return false;
    JournalStep r = row(domain, domainID, step);
    r.status = status;
    r.error = error;
    if (!m_journal.addSettledStep(r)) {
        journalFailed();
        return false;
    }
    if (status != StepStatus::AlreadyReverted)
        m_notDone = true;
    return true;
}

qint64 JobWriter::pending(const QString &domain, int domainID, const PlanStep &step)
{
    if (!m_jobId || m_journalFailed)
        return 0;
    const qint64 id = m_journal.addStep(row(domain, domainID, step));
    if (!id)
        journalFailed();
    return id;
}

void JobWriter::settle(qint64 stepId, bool ok, const QJsonObject &after)
{
    if (!stepId)
        return;
    const QString status = ok                ? StepStatus::Done
                           : m_user.answered ? StepStatus::Failed
                                             : StepStatus::Unknown;
    if (!ok) {
        m_notDone = true;
        m_networkFailed = m_networkFailed || !m_user.answered;
    }
    if (!m_journal.settleStep(stepId, status, ok ? QString() : m_user.errorText, after))
        journalFailed();
}

QString JobWriter::send(const QString &domain, int &domainID, PlanStep &step, QString &error)
{
    const qint64 stepId = pending(domain, domainID, step);
    if (!stepId)
        return QString();
    const QString status = perform(step, domainID, domain, error);
    if (status != StepStatus::Done)
        m_notDone = true;
    if (status == StepStatus::Unknown)
        m_networkFailed = true;
    if (!m_journal.settleStep(stepId, status, error, step.after))
        journalFailed();
    return status;
}

QString JobWriter::state() const
{
    if (m_journalFailed)
        return JobState::Stopped;
    return m_notDone ? JobState::Partial : JobState::Done;
}

void JobWriter::finish(const QString &state)
{
    if (!m_jobId || m_finished)
        return;
    m_finished = true;
    m_journal.finishJob(m_jobId, state);
    if (m_undoes && state == JobState::Done)
        m_journal.markUndone(m_undoes);
}

QString JobWriter::perform(PlanStep &step, int &domainID, const QString &domainName, QString &error)
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
    if (!m_user.answered)
        return StepStatus::Unknown;
    return StepStatus::Failed;
}
