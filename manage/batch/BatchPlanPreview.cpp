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
    : DomainPreview(user, QStringLiteral("：")), m_requests(requests), m_names(domains)
{}

bool BatchPlanPreview::begin()
{
    restart();
    if (m_requests.isEmpty()) {
        m_error = QStringLiteral("没有可预览的记录行");
        return false;
    }
    return readDomains();
}

DomainPlan BatchPlanPreview::planDomain(int index)
{
    const QString name = m_names.at(index);
    Domain *dm = m_user.domain2ptr(name);
    // A domain the job would not touch needs no read, and one reason is enough.
    if (!dm || dm->userLock != 0 || dm->state != 0)
        return planBatchDomain(m_requests.first(), name, dm, {});
    QList<Record> live;
    const int id = dm->id;
    if (!readLive(dm, live))
        return unreadable(name, id);
    DomainPlan merged = planBatchDomain(m_requests.first(), name, dm, live);
    for (int i = 1; i < m_requests.size(); ++i)
        merged.steps.append(planBatchDomain(m_requests.at(i), name, dm, live).steps);
    return merged;
}
