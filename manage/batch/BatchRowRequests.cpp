#include "manage/batch/BatchRowRequests.h"

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
