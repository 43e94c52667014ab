#include "client/zone/ZonePlanner.h"

#include "client/RecordIdentity.h"
#include "client/RecordValidation.h"
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneWriter.h"

#include <QHash>
#include <QHostAddress>

namespace {

bool isApex(const QString &host)
{
    return hostKey(host) == QLatin1String("@");
}

ZoneStepRecord fromFile(const ZoneRecord &r, int lineID)
{
    ZoneStepRecord s;
    s.host = r.host;
    s.type = r.type;
    s.value = r.value;
    s.ttl = r.ttl;
    s.mx = r.mx;
    s.lineID = lineID;
    return s;
}

ZoneStepRecord fromLive(const Record &r)
{
    ZoneStepRecord s;
    s.id = r.id;
    s.host = r.host;
    s.type = r.type;
    s.value = r.value;
    s.ttl = r.ttl;
    s.mx = r.mx;
    s.lineID = r.lineID;
    s.state = r.state;
    return s;
}

// What a file record and a live record must share to be the one record: host, type, value.
QString identityOf(const QString &host, const QString &type, const QString &value)
{
    const QString t = type.trimmed().toUpper();
    return hostKey(host) + QLatin1Char(' ') + t + QLatin1Char(' ') + valueKey(t, value);
}

bool sameSettings(const ZoneRecord &f, const Record &r)
{
    return f.ttl == r.ttl && (f.type != QLatin1String("MX") || f.mx == r.mx);
}

Record toRecord(const ZoneStepRecord &s)
{
    Record r;
    r.id = s.id;
    r.host = s.host;
    r.type = s.type;
    r.value = s.value;
    r.ttl = s.ttl;
    r.mx = s.mx;
    r.lineID = s.lineID;
    r.state = s.state;
    return r;
}

} // namespace

int ZonePlan::count(ZoneStepOp op) const
{
    int n = 0;
    for (const ZoneStep &s : steps)
        n += s.op == op;
    return n;
}

bool ZonePlan::hasWork() const
{
    return count(ZoneStepOp::Create) + count(ZoneStepOp::Change) + count(ZoneStepOp::Delete) > 0;
}

DomainPlan zoneDomainPlan(const ZonePlan &plan, int domainID, const QList<Record> &live)
{
    DomainPlan d;
    d.domain = plan.domain;
    d.domainID = domainID;
    d.liveKnown = true;
    d.live = live;
    for (ZoneStepOp op : {ZoneStepOp::Delete, ZoneStepOp::Change, ZoneStepOp::Create}) {
        for (const ZoneStep &s : plan.steps) {
            if (s.op != op)
                continue;
            PlanStep step;
            if (op == ZoneStepOp::Delete) {
                step.op = StepOps::Delete;
                step.before = recordToJson(toRecord(s.before));
            } else if (op == ZoneStepOp::Change) {
                // Changed in place: the service's spelling of host and value stays.
                step.op = StepOps::Change;
                const Record before = toRecord(s.before);
                Record after = before;
                after.ttl = s.after.ttl;
                after.mx = s.after.mx;
                step.before = recordToJson(before);
                step.after = recordToJson(after);
            } else {
                step.op = StepOps::Create;
                step.after = recordToJson(toRecord(s.after));
            }
            d.steps.append(step);
        }
    }
    return d;
}

QString zoneStepOpName(ZoneStepOp op)
{
    switch (op) {
    case ZoneStepOp::Create:
        return QStringLiteral("create");
    case ZoneStepOp::Change:
        return QStringLiteral("change");
    case ZoneStepOp::Unchanged:
        return QStringLiteral("unchanged");
    case ZoneStepOp::Delete:
        return QStringLiteral("delete");
    case ZoneStepOp::Problem:
        return QStringLiteral("problem");
    case ZoneStepOp::Skip:
        return QStringLiteral("skip");
    }
    return QString();
}

ZonePlan planZoneImport(const ZoneFile &file, const QString &domain, const QList<Record> &live,
                        int lineID, bool prune)
{
    ZonePlan plan;
    plan.domain = domain;
    plan.lineID = lineID;
    QList<Record> onLine;
    for (const Record &r : live) {
        if (r.lineID == lineID)
            onLine.append(r);
    }

    QList<ZoneStep> skips;
    for (const ZoneSkip &s : file.skipped) {
        ZoneStep step;
        step.op = ZoneStepOp::Skip;
        step.fileLine = s.line;
        step.after.host = s.host;
        step.after.type = s.type;
        step.after.lineID = lineID;
        step.reason = s.reason;
        skips.append(step);
    }

    // Live records by identity, and the file's records planned so far: each record of the
    // file looks up its own identity once, so that a zone of many records on one name plans
    // in time linear in its size.
    QHash<QString, QList<int>> byIdentity;
    for (int i = 0; i < onLine.size(); ++i) {
        const Record &r = onLine.at(i);
        byIdentity[identityOf(r.host, r.type, r.value)].append(i);
    }
    QVector<bool> used(onLine.size(), false);
    QHash<QString, int> accepted; // identity -> file line of the record planned for it
    QHash<int, ZoneStepOp> opOfLine;
    for (const ZoneRecord &f : file.records) {
        ZoneStep step;
        step.fileLine = f.line;
        step.after = fromFile(f, lineID);
        const QString problem = recordDraftProblem(
            RecordDraft{f.host, f.type, f.value, QString::number(f.ttl),
                        f.type == QLatin1String("MX") ? QString::number(f.mx) : QString(), true});
        if (!problem.isEmpty()) {
            step.op = ZoneStepOp::Problem;
            step.reason = problem;
            plan.steps.append(step);
            continue;
        }
        const QString identity = identityOf(f.host, f.type, f.value);
        const auto repeat = accepted.constFind(identity);
        if (repeat != accepted.cend()) {
            step.op = ZoneStepOp::Skip;
            step.reason = QStringLiteral("与第%1行的记录相同").arg(*repeat);
            plan.steps.append(step);
            continue;
        }
        accepted.insert(identity, f.line);
        // Prefer a live record that is already the same in every field. Each identity is
        // looked up once (repeats were skipped above), so no candidate is taken twice.
        int match = -1;
        for (int i : byIdentity.value(identity)) {
            if (match < 0)
                match = i;
            if (sameSettings(f, onLine.at(i))) {
                match = i;
                break;
            }
        }
        if (match < 0) {
            step.op = ZoneStepOp::Create;
        } else {
            used[match] = true;
            step.before = fromLive(onLine.at(match));
            step.op =
                sameSettings(f, onLine.at(match)) ? ZoneStepOp::Unchanged : ZoneStepOp::Change;
        }
        opOfLine.insert(f.line, step.op);
        plan.steps.append(step);
    }

    if (prune) {
        for (int i = 0; i < onLine.size(); ++i) {
            const Record &r = onLine.at(i);
            const bool apexNs = r.type == QLatin1String("NS") && isApex(r.host);
            if (used.at(i) || apexNs || r.state != 0 || !zoneExportProblem(r).isEmpty())
                continue;
            ZoneStep step;
            step.op = ZoneStepOp::Delete;
            step.before = fromLive(r);
            plan.steps.append(step);
        }
    }
    plan.steps = skips + plan.steps;
    for (const ZoneRecord &f : file.records) {
        const ZoneStepOp op = opOfLine.value(f.line, ZoneStepOp::Skip);
        if (!f.relativeTarget.isEmpty() && (op == ZoneStepOp::Create || op == ZoneStepOp::Change))
            plan.warnings.append(QStringLiteral("第%1行：目标%2没有结尾的点，按相对名称补全为%3")
                                     .arg(f.line)
                                     .arg(f.relativeTarget, f.value));
    }
    for (const PlanWarning &w : ::planWarnings({zoneDomainPlan(plan, -1, live)}))
        plan.warnings.append(w.text);
    return plan;
}
