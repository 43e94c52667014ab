#include "client/journal/JobSteps.h"

#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>

PlanStep recordStep(const QString &op, const Record *before, const Record *after)
{
    PlanStep s;
    s.op = op;
    if (before)
        s.before = recordToJson(*before);
    if (after)
        s.after = recordToJson(*after);
    // Pausing and starting change the state only.
    if (before && !after && (op == StepOps::Pause || op == StepOps::Start)) {
        Record r = *before;
        r.state = op == StepOps::Pause ? 1 : 0;
        s.after = recordToJson(r);
    }
    return s;
}

PlanStep domainStep(const QString &op, const Domain &dm, int newGroupID)
{
    PlanStep s;
    s.op = op;
    s.before = domainToJson(dm);
    Domain after = dm;
    if (op == StepOps::DomainPause || op == StepOps::DomainStart)
        after.state = op == StepOps::DomainPause ? 1 : 0;
    else if (op == StepOps::DomainLock || op == StepOps::DomainUnlock)
        after.userLock = op == StepOps::DomainLock ? 1 : 0;
    else if (op == StepOps::DomainMove)
        after.groupID = newGroupID;
    s.after = domainToJson(after);
    return s;
}

bool domainDeleteStep(User &user, Domain &dm, PlanStep &step, QString &error)
{
    // The snapshot is all that brings the records back: every page of them, or no deletion.
    QList<Record> whole;
    if (!readWholeRecordList(user, dm, whole, false)) {
        error = user.errorText;
        return false;
    }
    QJsonObject snapshot = domainToJson(dm);
    QJsonArray records;
    for (const Record &r : whole)
        records.append(recordToJson(r));
    snapshot.insert(QStringLiteral("records"), records);
    step = PlanStep();
    step.op = StepOps::DomainDelete;
    step.before = snapshot;
    return true;
}

DomainPlan domainSteps(const Domain &dm, const QList<PlanStep> &steps)
{
    DomainPlan d;
    d.domain = dm.name;
    d.domainID = dm.id;
    d.steps = steps;
    return d;
}
