#include "client/live/LiveTargets.h"

#include "client/LineTable.h"
#include "client/RecordIdentity.h"
#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"
#include "client/plan/RecordJson.h"

#include <algorithm>

namespace {

RecordSetKey keyOf(const Record &r)
{
    return RecordSetKey{hostKey(r.host), r.type.trimmed().toUpper(), r.lineID};
}

bool isServiceApexNs(const RecordSetKey &k)
{
    return k.type == QLatin1String("NS") && k.host == QLatin1String("@");
}

ExpectedValue expectedOf(const Record &r)
{
    return ExpectedValue{r.value, r.mx, r.ttl};
}

LiveTarget targetFor(const RecordSetKey &key, const QMap<RecordSetKey, QList<Record>> &sets)
{
    LiveTarget t;
    t.key = key;
    for (const Record &r : sets.value(key))
        t.recordIDs.append(r.id);
    int line = key.lineID;
    while (line >= 0) {
        QList<ExpectedValue> running;
        for (const Record &r : sets.value(RecordSetKey{key.host, key.type, line})) {
            if (r.state == 0)
                running.append(expectedOf(r));
        }
        if (!running.isEmpty()) {
            t.answeringLine = line;
            t.expected = running;
            return t;
        }
        line = parentLine(line);
    }
    t.answeringLine = -1;
    return t;
}

} // namespace

bool RecordSetKey::operator<(const RecordSetKey &o) const
{
    if (host != o.host)
        return host < o.host;
    if (type != o.type)
        return type < o.type;
    return lineID < o.lineID;
}

QList<LiveTarget> liveTargets(const QList<Record> &records, const LiveScope &scope)
{
    QMap<RecordSetKey, QList<Record>> sets;
    for (const Record &r : records)
        sets[keyOf(r)].append(r);
    QList<RecordSetKey> chosen;
    if (scope.onlySets) {
        for (const RecordSetKey &k : scope.sets) {
            if (!chosen.contains(k))
                chosen.append(k);
        }
        std::sort(chosen.begin(), chosen.end());
    } else {
        const QString host = scope.host.isEmpty() ? QString() : hostKey(scope.host);
        for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
            const RecordSetKey &k = it.key();
            if ((host.isEmpty() || k.host == host) &&
                (scope.type.isEmpty() || k.type == scope.type.toUpper()) &&
                (scope.lineID < 0 || k.lineID == scope.lineID))
                chosen.append(k);
        }
    }
    QList<LiveTarget> targets;
    for (const RecordSetKey &k : chosen) {
        if (!isServiceApexNs(k))
            targets.append(targetFor(k, sets));
    }
    return targets;
}

QList<LiveTarget> servedTargets(const QList<Record> &records)
{
    QMap<RecordSetKey, LiveTarget> byKey;
    for (const Record &r : records) {
        LiveTarget &t = byKey[keyOf(r)];
        t.key = keyOf(r);
        t.answeringLine = r.lineID;
        t.includesOnly = true;
        t.expected.append(expectedOf(r));
        t.recordIDs.append(r.id);
    }
    return byKey.values();
}

QMap<QString, QList<RecordSetKey>> jobRecordSets(const QList<JournalStep> &steps)
{
    QMap<QString, QList<RecordSetKey>> out;
    for (const JournalStep &s : steps) {
        if (s.status != StepStatus::Done || s.op.startsWith(QLatin1String("domain")))
            continue;
        QList<RecordSetKey> &keys = out[s.domain];
        for (const QJsonObject &o : {s.before, s.after}) {
            if (o.isEmpty())
                continue;
            const RecordSetKey k = keyOf(recordFromJson(o));
            if (!k.type.isEmpty() && !keys.contains(k))
                keys.append(k);
        }
    }
    return out;
}

QString liveQueryName(const QString &host, const QString &domain)
{
    return normalizedFullName(host, domain);
}

QString comparableValue(const QString &type, const QString &value)
{
    return valueKey(type.toUpper(), value);
}
