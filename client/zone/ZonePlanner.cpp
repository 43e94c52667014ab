#include "client/zone/ZonePlanner.h"

#include "client/RecordValidation.h"
#include "client/zone/ZoneNames.h"
#include "client/zone/ZoneWriter.h"

#include <QHash>
#include <QHostAddress>
#include <QSet>

namespace {

QString hostKey(const QString &host)
{
    const QString h = host.trimmed();
    return h.isEmpty() || h == QLatin1String("@") ? QStringLiteral("@") : comparableName(h);
}

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

bool sameKey(const ZoneRecord &f, const Record &r)
{
    return hostKey(f.host) == hostKey(r.host) && f.type.compare(r.type, Qt::CaseInsensitive) == 0 &&
           sameRecordValue(f.type.toUpper(), f.value, r.value);
}

bool sameSettings(const ZoneRecord &f, const Record &r)
{
    return f.ttl == r.ttl && (f.type != QLatin1String("MX") || f.mx == r.mx);
}

bool isSpf(const ZoneStepRecord &r)
{
    return r.type.compare(QLatin1String("TXT"), Qt::CaseInsensitive) == 0 &&
           (r.value.compare(QLatin1String("v=spf1"), Qt::CaseInsensitive) == 0 ||
            r.value.startsWith(QLatin1String("v=spf1 "), Qt::CaseInsensitive));
}

// The records of the line once the plan ran, grouped by host, for the hosts it touches.
QStringList warningsOf(const ZonePlan &plan, const QList<Record> &onLine)
{
    QSet<int> deleted;
    QSet<QString> touched;
    QHash<QString, QList<ZoneStepRecord>> byHost;
    QStringList hostOrder;
    for (const ZoneStep &s : plan.steps) {
        if (s.op == ZoneStepOp::Delete)
            deleted.insert(s.before.id);
        if (s.op == ZoneStepOp::Create || s.op == ZoneStepOp::Change || s.op == ZoneStepOp::Delete)
            touched.insert(hostKey(s.op == ZoneStepOp::Delete ? s.before.host : s.after.host));
    }
    auto add = [&](const ZoneStepRecord &r) {
        const QString key = hostKey(r.host);
        if (!byHost.contains(key))
            hostOrder.append(key);
        byHost[key].append(r);
    };
    for (const Record &r : onLine) {
        if (!deleted.contains(r.id))
            add(fromLive(r));
    }
    for (const ZoneStep &s : plan.steps) {
        if (s.op == ZoneStepOp::Create)
            add(s.after);
    }
    QStringList warnings;
    for (const QString &key : hostOrder) {
        if (!touched.contains(key))
            continue;
        const QList<ZoneStepRecord> &records = byHost.value(key);
        int cnames = 0;
        int spf = 0;
        for (const ZoneStepRecord &r : records) {
            cnames += r.type.compare(QLatin1String("CNAME"), Qt::CaseInsensitive) == 0;
            spf += isSpf(r);
        }
        if (cnames > 0 && records.size() > 1)
            warnings.append(QStringLiteral("%1：CNAME记录与同线路的其他记录并存").arg(key));
        if (spf > 1)
            warnings.append(QStringLiteral("%1：同线路有%2条SPF记录").arg(key).arg(spf));
    }
    return warnings;
}

} // namespace

bool sameRecordValue(const QString &type, const QString &a, const QString &b)
{
    if (type == QLatin1String("TXT"))
        return a == b;
    if (type == QLatin1String("A") || type == QLatin1String("AAAA")) {
        const QHostAddress x(a.trimmed());
        return x.isNull() ? a.trimmed() == b.trimmed() : x.isEqual(QHostAddress(b.trimmed()));
    }
    return sameName(a, b);
}

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

    // Candidates by host and type, so that a zone of a thousand records is not compared with
    // every record of the domain one by one.
    QHash<QString, QList<int>> byKey;
    for (int i = 0; i < onLine.size(); ++i)
        byKey[hostKey(onLine.at(i).host) + QLatin1Char(' ') + onLine.at(i).type.toUpper()].append(
            i);
    QVector<bool> used(onLine.size(), false);
    QHash<QString, QList<const ZoneRecord *>> accepted; // planned records of the file, by key
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
        const QString key = hostKey(f.host) + QLatin1Char(' ') + f.type.toUpper();
        QList<const ZoneRecord *> &twins = accepted[key];
        const auto repeat = std::find_if(twins.cbegin(), twins.cend(), [&](const ZoneRecord *a) {
            return sameRecordValue(f.type.toUpper(), a->value, f.value);
        });
        if (repeat != twins.cend()) {
            step.op = ZoneStepOp::Skip;
            step.reason = QStringLiteral("与第%1行的记录相同").arg((*repeat)->line);
            plan.steps.append(step);
            continue;
        }
        twins.append(&f);
        // Prefer a live record that is already the same in every field.
        int match = -1;
        for (int i : byKey.value(key)) {
            if (used.at(i) || !sameKey(f, onLine.at(i)))
                continue;
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
        if (f.relativeTarget.isEmpty())
            continue;
        for (const ZoneStep &s : plan.steps) {
            if (s.fileLine == f.line && (s.op == ZoneStepOp::Create || s.op == ZoneStepOp::Change))
                plan.warnings.append(
                    QStringLiteral("第%1行：目标%2没有结尾的点，按相对名称补全为%3")
                        .arg(f.line)
                        .arg(f.relativeTarget, f.value));
        }
    }
    plan.warnings += warningsOf(plan, onLine);
    return plan;
}
