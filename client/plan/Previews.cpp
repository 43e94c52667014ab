#include "client/plan/Previews.h"

#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/journal/JobRunner.h"
#include "client/journal/UndoPlanner.h"
#include "client/plan/RecordJson.h"

#include <QSet>

BatchPreview::BatchPreview(User &user, const BatchRequest &request, const QStringList &domains)
    : BatchPreview(user, QList<BatchRequest>{request}, domains, QStringLiteral(": "))
{}

BatchPreview::BatchPreview(User &user, const QList<BatchRequest> &requests,
                           const QStringList &domains, const QString &colon)
    : DomainPreview(user, colon), m_requests(requests), m_names(domains)
{}

bool BatchPreview::begin(bool reloadDomains)
{
    restart();
    if (m_requests.isEmpty()) {
        m_error = QStringLiteral("没有可预览的记录行");
        return false;
    }
    return !reloadDomains || readDomains();
}

DomainPlan BatchPreview::planDomain(int index)
{
    const QString name = m_names.at(index);
    Domain *dm = m_user.domain2ptr(name);
    // A domain the batch would not touch needs no read, and one reason is enough.
    if (!dm || dm->userLock != 0 || dm->state != 0)
        return planBatchDomain(m_requests.first(), name, dm, {});
    QList<Record> live;
    const int id = dm->id;
    // The next domain's records go out while these are read and planned.
    if (index + 1 < m_names.size()) {
        const Domain *next = m_user.domain2ptr(m_names.at(index + 1));
        if (next && next->userLock == 0 && next->state == 0 && !gaveUp())
            readWholeRecordListNext(m_user, next->id);
    }
    if (!readLive(dm, live))
        return unreadable(name, id);
    DomainPlan merged = planBatchDomain(m_requests.first(), name, dm, live);
    for (int i = 1; i < m_requests.size(); ++i)
        merged.steps.append(planBatchDomain(m_requests.at(i), name, dm, live).steps);
    // A row may clash with what a row above it creates.
    markServiceRefusals(merged);
    return merged;
}

QString undoRefusal(const JournalJob &job, const QString &account)
{
    if (job.id == 0)
        return QStringLiteral("没有这条操作记录");
    if (job.account != account.toLower())
        return QStringLiteral("操作记录 %1 属于另一个账号 (%2)").arg(job.id).arg(job.account);
    if (job.state == JobState::Running)
        return QStringLiteral("操作记录 %1 仍在进行中").arg(job.id);
    if (job.state == JobState::Undone)
        return QStringLiteral("操作记录 %1 已撤销过").arg(job.id);
    return QString();
}

UndoPreview::UndoPreview(User &user, Journal &journal, qint64 jobId, bool force)
    : DomainPreview(user, QStringLiteral(": ")), m_journal(journal), m_jobId(jobId), m_force(force)
{}

bool UndoPreview::begin()
{
    m_job = m_journal.job(m_jobId);
    m_error = undoRefusal(m_job, journalAccount(m_user));
    if (!m_error.isEmpty())
        return false;
    const QList<JournalStep> steps = m_journal.steps(m_jobId);
    for (int i = steps.size() - 1; i >= 0; --i) {
        const JournalStep &s = steps.at(i);
        if (!stepIsRevertible(s))
            continue;
        int g = 0;
        while (g < m_groups.size() && m_groups.at(g).domain != s.domain)
            ++g;
        if (g == m_groups.size())
            m_groups.append(Group{s.domain, s.domainID, {}});
        m_groups[g].steps.append(s);
    }
    if (m_groups.isEmpty()) {
        m_error = QStringLiteral("操作记录 %1 没有可撤销的修改").arg(m_jobId);
        return false;
    }
    return readDomains();
}

DomainPlan UndoPreview::planDomain(int index)
{
    const Group &g = m_groups.at(index);
    Domain *dm = m_user.domain2ptr(g.domain);
    DomainPlan d;
    d.domain = g.domain;
    d.domainID = dm ? dm->id : g.domainID;
    QList<Record> live;
    if (dm) {
        const int id = dm->id;
        if (!readLive(dm, live))
            return unreadable(g.domain, id);
        d.live = live;
        d.liveKnown = true;
    }
    // A copy: the line reads below may reload the list the pointer points into.
    Domain nowCopy;
    if (dm)
        nowCopy = *dm;
    const Domain *now = dm ? &nowCopy : nullptr;
    for (const JournalStep &s : g.steps) {
        QList<PlanStep> steps;
        if (s.op == StepOps::DomainDelete) {
            // The records go back on the lines the package offers: the package of the domain
            // that has the name now, or else the one the domain had.
            const QString viewType =
                now ? now->viewType : s.before.value(QStringLiteral("viewType")).toString();
            QSet<int> lines{0};
            for (const View &v :
                 m_user.getTaoCanView_2(viewType.isEmpty() ? QStringLiteral("1") : viewType))
                lines.insert(v.viewID);
            steps = revertDomainDelete(s, live, now, m_force, lines);
        } else {
            steps.append(revertStep(s, live, now, m_force));
        }
        for (const PlanStep &step : steps) {
            if (step.op.isEmpty())
                continue;
            d.steps.append(step);
            applyToLive(step, live);
        }
    }
    return d;
}

ChangePlan UndoPreview::plan() const
{
    ChangePlan p = DomainPreview::plan();
    for (const DomainPlan &d : domains()) {
        for (const PlanStep &s : d.steps) {
            if (s.op == StepOps::DomainCreate)
                p.warnings.append({QStringLiteral("domain-created-anew"), d.domain, QString(),
                                   QStringLiteral("%1 将重新添加为新域名").arg(d.domain)});
        }
    }
    return p;
}
