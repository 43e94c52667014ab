#include "manage/batch/BatchPlanPreview.h"

#include "client/User.h"

QList<BatchRequest> batchRequests(BatchKind kind, const QList<BatchRowValues> &rows)
{
    QList<BatchRequest> requests;
    for (const BatchRowValues &v : rows) {
        if (v.host.isEmpty())
            continue;
        BatchRequest r;
        r.kind = kind == BatchKind::Add    ? BatchRequest::Add
                 : kind == BatchKind::Edit ? BatchRequest::Edit
                                           : BatchRequest::Delete;
        r.match = RecordPattern{v.type, v.host, v.lineId, v.value};
        bool ok = false;
        const int ttl = v.ttl.toInt(&ok);
        r.ttl = ok ? ttl : 600;
        const int mx = v.mx.toInt(&ok);
        r.mx = ok ? mx : 10;
        if (r.kind == BatchRequest::Edit) {
            r.newHost = v.newHost;
            r.newType = v.newType;
            r.newValue = v.newValue;
            r.newLine = QString::number(v.newLineId);
            r.newTtl = v.newTtl;
            // "-" stands for no preference.
            v.newMx.toInt(&ok);
            r.newMx = ok ? v.newMx : QString();
        }
        requests.append(r);
    }
    return requests;
}

BatchPlanPreview::BatchPlanPreview(User &user, const QList<BatchRequest> &requests,
                                   const QStringList &domains)
    : m_user(user), m_requests(requests), m_names(domains)
{}

bool BatchPlanPreview::begin()
{
    m_next = 0;
    m_domains.clear();
    if (m_requests.isEmpty()) {
        m_error = QStringLiteral("没有可预览的记录行");
        return false;
    }
    m_user.getDomain();
    if (!m_user.errorText.isEmpty()) {
        m_error = QStringLiteral("无法读取域名列表：") + m_user.errorText;
        return false;
    }
    return true;
}

void BatchPlanPreview::runNext()
{
    if (atEnd())
        return;
    const QString name = m_names.at(m_next++);
    Domain *dm = m_user.domain2ptr(name);
    // A domain the job would not touch needs no read, and one reason is enough.
    if (!dm || dm->userLock != 0 || dm->state != 0) {
        m_domains.append(planBatchDomain(m_requests.first(), name, dm, {}));
        return;
    }
    m_user.getRecord(dm);
    if (!m_user.errorText.isEmpty()) {
        DomainPlan d;
        d.domain = name;
        d.domainID = dm->id;
        PlanStep s;
        s.op = StepOps::Problem;
        s.problem = QStringLiteral("无法读取记录：") + m_user.errorText;
        d.steps.append(s);
        m_domains.append(d);
        return;
    }
    // getRecord may have reloaded the list: look the domain up again.
    dm = m_user.domain2ptr(name);
    QList<Record> live;
    if (dm) {
        for (const Record &r : dm->records)
            live.append(r);
    }
    DomainPlan merged = planBatchDomain(m_requests.first(), name, dm, live);
    for (int i = 1; i < m_requests.size(); ++i)
        merged.steps.append(planBatchDomain(m_requests.at(i), name, dm, live).steps);
    m_domains.append(merged);
}

ChangePlan BatchPlanPreview::plan() const
{
    ChangePlan p;
    p.domains = m_domains;
    p.warnings = planWarnings(m_domains);
    return p;
}
