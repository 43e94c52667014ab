#include "client/journal/Previews.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/UndoPlanner.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>
#include <QSet>

#include <climits>

namespace {

constexpr int kNoAnswer = INT_MIN;

// The domain's records read now; false (with a problem step's text) when they cannot be.
bool readLive(User &user, Domain *dm, QList<Record> &live, QString &problem, bool &noAnswer)
{
    user.resultCode = kNoAnswer;
    user.getRecord(dm);
    if (!user.errorText.isEmpty()) {
        problem = QStringLiteral("无法读取记录: ") + user.errorText;
        noAnswer = noAnswer || user.resultCode == kNoAnswer;
        return false;
    }
    live.clear();
    for (const Record &r : dm->records)
        live.append(r);
    return true;
}

DomainPlan unreadable(const QString &name, int id, const QString &problem)
{
    DomainPlan d;
    d.domain = name;
    d.domainID = id;
    PlanStep s;
    s.op = StepOps::Problem;
    s.problem = problem;
    d.steps.append(s);
    return d;
}

} // namespace

BatchPreview::BatchPreview(User &user, const BatchRequest &request, const QStringList &domains)
    : m_user(user), m_request(request), m_names(domains)
{}

bool BatchPreview::begin(bool reloadDomains)
{
    m_next = 0;
    m_domains.clear();
    if (!reloadDomains)
        return true;
    m_user.resultCode = kNoAnswer;
    m_user.getDomain();
    if (m_user.errorText.isEmpty())
        return true;
    m_error = QStringLiteral("无法读取域名列表: ") + m_user.errorText;
    m_networkFailed = m_user.resultCode == kNoAnswer;
    return false;
}

void BatchPreview::runNext()
{
    if (atEnd())
        return;
    const QString name = m_names.at(m_next++);
    Domain *dm = m_user.domain2ptr(name);
    QList<Record> live;
    QString problem;
    // Only a domain the batch may change is worth a request.
    if (dm && dm->userLock == 0 && dm->state == 0 &&
        !readLive(m_user, dm, live, problem, m_networkFailed)) {
        m_domains.append(unreadable(name, dm->id, problem));
        return;
    }
    m_domains.append(planBatchDomain(m_request, name, dm, live));
}

ChangePlan BatchPreview::plan() const
{
    ChangePlan p;
    p.domains = m_domains;
    p.warnings = planWarnings(p.domains);
    return p;
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
    : m_user(user), m_journal(journal), m_jobId(jobId), m_force(force)
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
    m_user.resultCode = kNoAnswer;
    m_user.getDomain();
    if (!m_user.errorText.isEmpty()) {
        m_error = QStringLiteral("无法读取域名列表: ") + m_user.errorText;
        m_networkFailed = m_user.resultCode == kNoAnswer;
        return false;
    }
    return true;
}

void UndoPreview::runNext()
{
    if (atEnd())
        return;
    const Group &g = m_groups.at(m_next++);
    Domain *dm = m_user.domain2ptr(g.domain);
    DomainPlan d;
    d.domain = g.domain;
    d.domainID = dm ? dm->id : g.domainID;
    QList<Record> live;
    if (dm) {
        QString problem;
        if (!readLive(m_user, dm, live, problem, m_networkFailed)) {
            m_domains.append(unreadable(g.domain, dm->id, problem));
            return;
        }
        d.live = live;
        d.liveKnown = true;
    }
    for (const JournalStep &s : g.steps) {
        const PlanStep step = revertStep(s, live, dm, m_force);
        if (step.op.isEmpty())
            continue;
        d.steps.append(step);
        applyToLive(step, live);
        if (step.op != StepOps::DomainCreate)
            continue;
        // The domain comes back with its former package; its records follow, except those on
        // lines that package no longer offers.
        const QString viewType = step.after.value(QStringLiteral("viewType")).toString();
        QSet<int> lines{0};
        for (const View &v :
             m_user.getTaoCanView_2(viewType.isEmpty() ? QStringLiteral("1") : viewType))
            lines.insert(v.viewID);
        const QJsonArray records = step.after.value(QStringLiteral("records")).toArray();
        for (const QJsonValue &v : records) {
            PlanStep create;
            create.reverts = s.id;
            QJsonObject r = v.toObject();
            r.insert(QStringLiteral("id"), 0);
            create.after = r;
            create.op = StepOps::Create;
            if (!lines.contains(r.value(QStringLiteral("lineID")).toInt())) {
                create.op = StepOps::Conflict;
                create.problem = QStringLiteral("线路已不在该套餐中");
            }
            d.steps.append(create);
        }
    }
    m_domains.append(d);
}

ChangePlan UndoPreview::plan() const
{
    ChangePlan p;
    p.domains = m_domains;
    p.warnings = planWarnings(p.domains);
    for (const DomainPlan &d : m_domains) {
        for (const PlanStep &s : d.steps) {
            if (s.op == StepOps::DomainCreate)
                p.warnings.append({QStringLiteral("domain-created-anew"), d.domain, QString(),
                                   QStringLiteral("%1 将重新添加为新域名").arg(d.domain)});
        }
    }
    return p;
}
