#include "client/plan/BatchPlanner.h"

#include "client/RecordIdentity.h"
#include "client/plan/RecordJson.h"

QString batchKindName(BatchRequest::Kind kind)
{
    switch (kind) {
    case BatchRequest::Add:
        return QStringLiteral("batch-add");
    case BatchRequest::Edit:
        return QStringLiteral("batch-edit");
    case BatchRequest::Delete:
        break;
    }
    return QStringLiteral("batch-delete");
}

Record recordToAdd(const BatchRequest &request)
{
    Record r;
    r.host = request.match.host;
    r.type = request.match.type;
    r.value = request.match.value;
    r.setLine(request.match.lineID);
    r.ttl = request.ttl;
    r.mx = r.type == QLatin1String("MX") ? request.mx : 0;
    return r;
}

namespace {

Record edited(const Record &before, const BatchRequest &request)
{
    Record after = before;
    if (!request.newHost.isEmpty())
        after.host = request.newHost;
    if (!request.newType.isEmpty())
        after.type = request.newType;
    if (!request.newValue.isEmpty())
        after.value = request.newValue;
    if (!request.newLine.isEmpty()) {
        after.setLine(request.newLine.toInt());
        after.viewName.clear();
    }
    if (!request.newTtl.isEmpty())
        after.ttl = request.newTtl.toInt();
    if (!request.newMx.isEmpty())
        after.mx = request.newMx.toInt();
    // A record that stops being MX carries no preference any more; one that becomes MX
    // without a preference given gets the usual 10.
    if (after.type != QLatin1String("MX"))
        after.mx = 0;
    else if (after.mx <= 0)
        after.mx = 10;
    return after;
}

} // namespace

DomainPlan planBatchDomain(const BatchRequest &request, const QString &name, const Domain *dm,
                           const QList<Record> &live)
{
    DomainPlan plan;
    if (!startRecordPlan(plan, name, dm, live))
        return plan;

    if (request.kind == BatchRequest::Add) {
        const Record wanted = recordToAdd(request);
        PlanStep s;
        s.op = StepOps::Create;
        s.after = recordToJson(wanted);
        for (const Record &r : live) {
            if (sameRecord(r, wanted)) {
                s.op = StepOps::Unchanged;
                s.before = recordToJson(r);
                s.after = s.before;
                break;
            }
        }
        plan.steps.append(s);
        markServiceRefusals(plan);
        return plan;
    }

    for (const Record &r : live) {
        if (!recordMatches(r, request.match))
            continue;
        PlanStep s;
        s.before = recordToJson(r);
        if (request.kind == BatchRequest::Delete) {
            s.op = StepOps::Delete;
        } else {
            const Record after = edited(r, request);
            s.op = sameRecord(after, r) ? StepOps::Unchanged : StepOps::Change;
            s.after = recordToJson(after);
        }
        plan.steps.append(s);
    }
    if (plan.steps.isEmpty()) {
        // What was looked for, so that the result names it as a start from the page does.
        Record sought;
        sought.host = request.match.host;
        sought.type = request.match.type;
        sought.value = request.match.value;
        sought.setLine(request.match.lineID);
        plan.steps.append(
            problemStep(StepOps::NotFound, QStringLiteral("未找到"), recordToJson(sought)));
    }
    markServiceRefusals(plan);
    return plan;
}
