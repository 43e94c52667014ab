#include "client/journal/UndoPlanner.h"

#include "client/RecordIdentity.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>

namespace {

PlanStep make(const JournalStep &from, const QString &op, const QJsonObject &before,
              const QJsonObject &after, const QString &problem = QString())
{
    PlanStep s;
    s.op = op;
    s.before = before;
    s.after = after;
    s.problem = problem;
    s.reverts = from.id;
    return s;
}

PlanStep already(const JournalStep &from)
{
    return make(from, StepOps::AlreadyReverted, from.after, from.before,
                QStringLiteral("已是修改前的状态"));
}

// A conflict, or with force the step that restores the before-state.
PlanStep conflict(const JournalStep &from, const QString &why, bool force, PlanStep forced)
{
    if (!force)
        return make(from, StepOps::Conflict, from.after, from.before, why);
    forced.forced = true;
    forced.problem = why;
    return forced;
}

const Record *findById(const QList<Record> &live, int id)
{
    for (const Record &r : live) {
        if (id > 0 && r.id == id)
            return &r;
    }
    return nullptr;
}

const Record *findSame(const QList<Record> &live, const Record &wanted)
{
    for (const Record &r : live) {
        if (sameRecord(r, wanted))
            return &r;
    }
    return nullptr;
}

QJsonObject withoutId(const QJsonObject &record)
{
    QJsonObject o = record;
    o.insert(QStringLiteral("id"), 0);
    return o;
}

PlanStep revertRecordStep(const JournalStep &step, const QList<Record> &live, bool force)
{
    const Record before = recordFromJson(step.before);
    const Record after = recordFromJson(step.after);
    const QString gone = QStringLiteral("记录已不存在");
    const QString changed = QStringLiteral("记录在此后已被改动");

    if (step.op == StepOps::Create) {
        // After an unknown outcome the new id is not known; the record is looked for by value.
        const Record *now = after.id > 0 ? findById(live, after.id) : findSame(live, after);
        if (!now)
            return already(step);
        const QJsonObject current = recordToJson(*now);
        PlanStep del = make(step, StepOps::Delete, current, QJsonObject());
        if (sameLiveRecord(*now, after))
            return del;
        return conflict(step, changed, force, del);
    }

    if (step.op == StepOps::Delete) {
        const Record *now = findById(live, before.id);
        if (now && sameLiveRecord(*now, before))
            return already(step); // the delete never happened
        if (!now && findSame(live, before))
            return already(step); // put back by someone else
        PlanStep create = make(step, StepOps::Create, QJsonObject(), withoutId(step.before));
        if (!now)
            return create;
        return conflict(step, changed, force, create);
    }

    // change, pause, start: the same record, in place.
    const Record *now = findById(live, before.id);
    const QString back = step.op == StepOps::Pause   ? StepOps::Start
                         : step.op == StepOps::Start ? StepOps::Pause
                                                     : StepOps::Change;
    if (!now)
        return conflict(step, gone, force,
                        make(step, StepOps::Create, QJsonObject(), withoutId(step.before)));
    const QJsonObject current = recordToJson(*now);
    if (sameLiveRecord(*now, after))
        return make(step, back, current, step.before);
    if (sameLiveRecord(*now, before))
        return already(step);
    return conflict(step, changed, force, make(step, StepOps::Change, current, step.before));
}

PlanStep revertDomainStep(const JournalStep &step, const QList<Record> &live, const Domain *dm,
                          bool force)
{
    const QString gone = QStringLiteral("域名已不存在");
    if (step.op == StepOps::DomainDelete) {
        if (dm)
            return already(step);
        return make(step, StepOps::DomainCreate, QJsonObject(), step.before);
    }
    if (!dm)
        return make(step, StepOps::Conflict, step.after, step.before, gone);
    const QJsonObject current = domainToJson(*dm);
    if (step.op == StepOps::DomainCreate) {
        // Taking a put-back domain away again deletes it with what it holds now.
        QJsonObject snapshot = current;
        QJsonArray records;
        for (const Record &r : live)
            records.append(recordToJson(r));
        snapshot.insert(QStringLiteral("records"), records);
        return make(step, StepOps::DomainDelete, snapshot, QJsonObject());
    }
    if (step.op == StepOps::DomainMove) {
        const int from = step.before.value(QStringLiteral("groupID")).toInt();
        const int to = step.after.value(QStringLiteral("groupID")).toInt();
        PlanStep move = make(step, StepOps::DomainMove, current, step.before);
        if (dm->groupID == to)
            return move;
        if (dm->groupID == from)
            return already(step);
        return conflict(step, QStringLiteral("域名在此后已换了分组"), force, move);
    }
    const bool paused = dm->state != 0;
    const bool locked = dm->userLock != 0;
    struct Flip
    {
        QString op;
        bool afterState;
        bool now;
        QString back;
    };
    const Flip flips[] = {{StepOps::DomainPause, true, paused, StepOps::DomainStart},
                          {StepOps::DomainStart, false, paused, StepOps::DomainPause},
                          {StepOps::DomainLock, true, locked, StepOps::DomainUnlock},
                          {StepOps::DomainUnlock, false, locked, StepOps::DomainLock}};
    for (const Flip &f : flips) {
        if (step.op != f.op)
            continue;
        if (f.now == f.afterState)
            return make(step, f.back, current, step.before);
        return already(step);
    }
    return PlanStep();
}

} // namespace

bool stepIsRevertible(const JournalStep &step)
{
    return (step.status == StepStatus::Done || step.status == StepStatus::Unknown ||
            step.status == StepStatus::Pending) &&
           opSendsRequest(step.op);
}

PlanStep revertStep(const JournalStep &step, const QList<Record> &live, const Domain *dm,
                    bool force)
{
    if (!stepIsRevertible(step))
        return PlanStep();
    if (step.op.startsWith(QLatin1String("domain-")))
        return revertDomainStep(step, live, dm, force);
    return revertRecordStep(step, live, force);
}

void applyToLive(const PlanStep &step, QList<Record> &live)
{
    if (!opSendsRequest(step.op) || step.op.startsWith(QLatin1String("domain-")))
        return;
    const int id = step.before.value(QStringLiteral("id")).toInt();
    for (int i = 0; i < live.size(); ++i) {
        if (live.at(i).id != id)
            continue;
        if (step.op == StepOps::Delete) {
            live.removeAt(i);
        } else {
            Record r = recordFromJson(step.after);
            r.id = id;
            live[i] = r;
        }
        return;
    }
    if (step.op == StepOps::Create)
        live.append(recordFromJson(step.after));
}
