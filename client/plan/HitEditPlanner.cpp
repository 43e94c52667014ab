#include "client/plan/HitEditPlanner.h"

#include "client/RecordIdentity.h"
#include "client/RecordValidation.h"
#include "client/plan/RecordJson.h"

bool checkHitEdit(const HitEdit &edit, QString &error)
{
    if (edit.isEmpty()) {
        error = QStringLiteral("没有填写要修改的内容，记录保持不变");
        return false;
    }
    if (!edit.newTtl.isEmpty()) {
        bool ok = false;
        const int ttl = edit.newTtl.toInt(&ok);
        if (!ok || ttl < 1) {
            error = QStringLiteral("TTL 须为正整数（秒）");
            return false;
        }
    }
    return true;
}

namespace {

// The record as the search found it in the copy.
Record seenRecord(const CopyHit &hit)
{
    Record r;
    r.id = hit.id;
    r.host = hit.host;
    r.type = hit.type;
    r.value = hit.value;
    r.setLine(hit.lineID);
    r.viewName = hit.lineName;
    r.ttl = hit.ttl;
    r.mx = hit.mx;
    r.state = hit.state;
    return r;
}

Record edited(const Record &before, const HitEdit &edit)
{
    Record after = before;
    if (!edit.newValue.isEmpty())
        after.value = edit.newValue;
    if (!edit.newTtl.isEmpty())
        after.ttl = edit.newTtl.toInt();
    if (edit.newLineID >= 0) {
        after.setLine(edit.newLineID);
        after.viewName = edit.newLineName;
    }
    return after;
}

} // namespace

DomainPlan planHitEditDomain(const QList<CopyHit> &hits, const HitEdit &edit, const QString &name,
                             const Domain *dm, const QList<Record> &live)
{
    DomainPlan plan;
    if (!startRecordPlan(plan, name, dm, live))
        return plan;
    QList<int> planned;
    for (const CopyHit &hit : hits) {
        // One record ticked twice is still one change.
        if (planned.contains(hit.id))
            continue;
        planned.append(hit.id);
        const Record seen = seenRecord(hit);
        const Record *now = nullptr;
        for (const Record &r : live) {
            if (r.id == hit.id) {
                now = &r;
                break;
            }
        }
        if (!now) {
            plan.steps.append(
                problemStep(StepOps::NotFound, QStringLiteral("记录已不存在"), recordToJson(seen)));
            continue;
        }
        if (!sameLiveRecord(*now, seen)) {
            // Shown as it is now: that is what the change would have overwritten.
            plan.steps.append(problemStep(StepOps::Conflict,
                                          QStringLiteral("记录在搜索之后已被修改，未改动"),
                                          recordToJson(*now)));
            continue;
        }
        const Record after = edited(*now, edit);
        // Ticked hits may be of several types: each record is checked as its own type, so a
        // name typed for CNAMEs is refused for the A records among them, not sent.
        const QString problem =
            sameRecord(after, *now)
                ? QString()
                : recordDraftProblem(RecordDraft{now->host, now->type, edit.newValue, edit.newTtl,
                                                 QString(), false});
        if (!problem.isEmpty()) {
            plan.steps.append(problemStep(StepOps::Problem, problem, recordToJson(*now)));
            continue;
        }
        PlanStep s;
        s.before = recordToJson(*now);
        s.after = recordToJson(after);
        s.op = sameRecord(after, *now) ? StepOps::Unchanged : StepOps::Change;
        plan.steps.append(s);
    }
    // A new line may hold what the service does not let the record stand beside.
    markServiceRefusals(plan);
    return plan;
}
