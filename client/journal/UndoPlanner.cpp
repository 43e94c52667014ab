#include "client/journal/UndoPlanner.h"

#include "client/RecordIdentity.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>
#include <QSet>

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
    s.now = before;
    s.left = from.after;
    return s;
}

QJsonObject json(const Record *r)
{
    return r ? recordToJson(*r) : QJsonObject();
}

// now: the record (or domain) as it is, empty when gone.
PlanStep already(const JournalStep &from, const QJsonObject &now)
{
    return make(from, StepOps::AlreadyReverted, now, from.before,
                QStringLiteral("已是修改前的状态"));
}

// A conflict, or with force the step that restores the before-state.
PlanStep conflict(const JournalStep &from, const QString &why, bool force, PlanStep forced,
                  const QJsonObject &now)
{
    if (!force)
        return make(from, StepOps::Conflict, now, from.before, why);
    forced.forced = true;
    forced.problem = why;
    forced.now = now;
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

// A conflict that force does not override: undo never touches a record the job did not make,
// and never sets a duplicate beside one someone else made.
PlanStep notOurs(const JournalStep &from, const QString &why, const Record &now)
{
    return make(from, StepOps::Conflict, recordToJson(now), from.before, why);
}

// The record itself shows beside it, as the record now.
QString reusedId()
{
    return QStringLiteral("该 id 现为另一条记录");
}

QString madeElsewhere()
{
    return QStringLiteral("现有相同的记录，不是本操作留下的");
}

QJsonObject withoutId(const QJsonObject &record)
{
    QJsonObject o = record;
    o.insert(QStringLiteral("id"), 0);
    return o;
}

PlanStep revertCreate(const JournalStep &step, const QList<Record> &live, bool force)
{
    const Record after = recordFromJson(step.after);
    const QString changed = QStringLiteral("记录在此后已被改动");
    if (after.id <= 0) {
        // An unknown outcome never learned the new id: the record is looked for by value.
        const Record *now = findSame(live, after);
        if (!now)
            return already(step, QJsonObject());
        PlanStep del = make(step, StepOps::Delete, recordToJson(*now), QJsonObject());
        return sameLiveRecord(*now, after) ? del : conflict(step, changed, force, del, json(now));
    }
    const Record *now = findById(live, after.id);
    if (!now) {
        if (const Record *same = findSame(live, after))
            return notOurs(step, madeElsewhere(), *same);
        return already(step, QJsonObject());
    }
    if (!sameIdentity(*now, after))
        return notOurs(step, reusedId(), *now);
    PlanStep del = make(step, StepOps::Delete, recordToJson(*now), QJsonObject());
    if (sameLiveRecord(*now, after))
        return del;
    return conflict(step, changed, force, del, json(now));
}

PlanStep revertDelete(const JournalStep &step, const QList<Record> &live, bool force)
{
    const Record before = recordFromJson(step.before);
    const Record *now = findById(live, before.id);
    if (now && sameLiveRecord(*now, before))
        return already(step, json(now)); // the delete never happened
    if (now && sameIdentity(*now, before))
        // Never deleted, edited since: the job's record, put back in place when forced.
        return conflict(step, QStringLiteral("记录在此后已被改动"), force,
                        make(step, StepOps::Change, recordToJson(*now), step.before), json(now));
    if (const Record *same = findSame(live, before))
        return notOurs(step, madeElsewhere(), *same);
    PlanStep create = make(step, StepOps::Create, QJsonObject(), withoutId(step.before));
    if (!now)
        return create;
    // Another record holds the id now; forced, the record comes back beside it.
    return conflict(step, reusedId(), force, create, json(now));
}

// change, pause, start: the same record, in place.
PlanStep revertInPlace(const JournalStep &step, const QList<Record> &live, bool force)
{
    const Record before = recordFromJson(step.before);
    const Record after = recordFromJson(step.after);
    const Record *now = findById(live, before.id);
    const QString back = step.op == StepOps::Pause   ? StepOps::Start
                         : step.op == StepOps::Start ? StepOps::Pause
                                                     : StepOps::Change;
    PlanStep create = make(step, StepOps::Create, QJsonObject(), withoutId(step.before));
    if (!now) {
        if (const Record *same = findSame(live, before))
            return notOurs(step, madeElsewhere(), *same);
        return conflict(step, QStringLiteral("记录已不存在"), force, create, QJsonObject());
    }
    const QJsonObject current = recordToJson(*now);
    if (sameLiveRecord(*now, after))
        return make(step, back, current, step.before);
    if (sameLiveRecord(*now, before))
        return already(step, current);
    if (sameIdentity(*now, after) || sameIdentity(*now, before))
        return conflict(step, QStringLiteral("记录在此后已被改动"), force,
                        make(step, StepOps::Change, current, step.before), current);
    // The job's record is gone and its id reused: forced, it comes back beside the other.
    return conflict(step, reusedId(), force, create, current);
}

PlanStep revertRecordStep(const JournalStep &step, const QList<Record> &live, bool force)
{
    if (step.op == StepOps::Create)
        return revertCreate(step, live, force);
    if (step.op == StepOps::Delete)
        return revertDelete(step, live, force);
    return revertInPlace(step, live, force);
}

PlanStep revertDomainStep(const JournalStep &step, const QList<Record> &live, const Domain *dm,
                          bool force)
{
    const QString gone = QStringLiteral("域名已不存在");
    if (!dm)
        return make(step, StepOps::Conflict, QJsonObject(), step.before, gone);
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
            return already(step, current);
        return conflict(step, QStringLiteral("域名在此后已换了分组"), force, move, current);
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
        return already(step, current);
    }
    return PlanStep();
}

// A live record the restored record r would collide with: the same host and line, and the same
// type or a CNAME on either side.
const Record *collision(const QList<Record> &live, const Record &r)
{
    const QString cname = QStringLiteral("CNAME");
    const QString type = r.type.toUpper();
    for (const Record &x : live) {
        if (x.lineID != r.lineID || hostKey(x.host) != hostKey(r.host))
            continue;
        const QString other = x.type.toUpper();
        if (other == type || other == cname || type == cname)
            return &x;
    }
    return nullptr;
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
    if (!stepIsRevertible(step) || step.op == StepOps::DomainDelete)
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

QList<PlanStep> revertDomainDelete(const JournalStep &step, const QList<Record> &live,
                                   const Domain *dm, bool force, const QSet<int> &lines)
{
    QList<PlanStep> steps;
    if (!stepIsRevertible(step) || step.op != StepOps::DomainDelete)
        return steps;
    QJsonObject domain = step.before;
    domain.remove(QStringLiteral("records"));
    if (!dm)
        steps.append(make(step, StepOps::DomainCreate, QJsonObject(), step.before));
    const QJsonArray records = step.before.value(QStringLiteral("records")).toArray();
    for (const QJsonValue &v : records) {
        const QJsonObject wanted = withoutId(v.toObject());
        const Record r = recordFromJson(wanted);
        PlanStep create = make(step, StepOps::Create, QJsonObject(), wanted);
        if (!lines.contains(r.lineID)) {
            create.op = StepOps::Conflict;
            create.problem = QStringLiteral("线路已不在该套餐中");
            steps.append(create);
            continue;
        }
        // Into a domain of the name that exists again: what stands there is judged first.
        if (const Record *same = findSame(live, r)) {
            steps.append(make(step, StepOps::AlreadyReverted, recordToJson(*same), wanted,
                              QStringLiteral("已有相同的记录")));
            continue;
        }
        if (const Record *other = collision(live, r)) {
            const QString why = QStringLiteral("与现有记录冲突");
            if (!force) {
                steps.append(make(step, StepOps::Conflict, recordToJson(*other), wanted, why));
                continue;
            }
            create.forced = true;
            create.problem = why;
            create.now = recordToJson(*other);
        }
        steps.append(create);
    }
    // Paused when it was deleted: paused again once its records are back.
    QJsonObject comesBack = domain;
    comesBack.insert(QStringLiteral("locked"), false);
    if (!dm && domain.value(QStringLiteral("state")).toInt() != 0) {
        QJsonObject running = comesBack;
        running.insert(QStringLiteral("state"), 0);
        steps.append(make(step, StepOps::DomainPause, running, comesBack));
    }
    // Locked when it was deleted: locked again last, since a locked domain takes no record and
    // no pause.
    if (!dm && domain.value(QStringLiteral("locked")).toBool())
        steps.append(make(step, StepOps::DomainLock, comesBack, domain));
    return steps;
}
