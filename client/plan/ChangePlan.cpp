#include "client/plan/ChangePlan.h"

#include "client/RecordIdentity.h"
#include "client/plan/RecordJson.h"

#include <QHash>
#include <QSet>
#include <QVector>

PlanStep problemStep(const QString &op, const QString &problem, const QJsonObject &before)
{
    PlanStep s;
    s.op = op;
    s.problem = problem;
    s.before = before;
    return s;
}

bool startRecordPlan(DomainPlan &plan, const QString &name, const Domain *dm,
                     const QList<Record> &live)
{
    plan.domain = name;
    if (!dm) {
        plan.steps.append(problemStep(StepOps::UnknownDomain, QStringLiteral("找不到域名")));
        return false;
    }
    plan.domainID = dm->id;
    plan.live = live;
    plan.liveKnown = true;
    if (dm->userLock != 0) {
        plan.steps.append(problemStep(StepOps::Locked, QStringLiteral("域名已锁定")));
        return false;
    }
    if (dm->state != 0) {
        plan.steps.append(problemStep(StepOps::Paused, QStringLiteral("域名已暂停")));
        return false;
    }
    return true;
}

QString serviceRefusal(const QList<Record> &records, const Record &wanted, int replacedId)
{
    const QString cname = QStringLiteral("CNAME");
    const QString a = QStringLiteral("A");
    const QString type = wanted.type.toUpper();
    const QString host = hostKey(wanted.host);
    for (const Record &r : records) {
        if ((replacedId != 0 && r.id == replacedId) || r.lineID != wanted.lineID ||
            hostKey(r.host) != host)
            continue;
        const QString other = r.type.toUpper();
        const bool aOrCname = (type == a || type == cname) && (other == a || other == cname);
        if ((aOrCname && (type == cname || other == cname)) || sameIdentity(r, wanted))
            return QStringLiteral("解析记录已存在或者存在相同主机头，相同线路的A记录或者CNAME记录");
    }
    return QString();
}

void markServiceRefusals(DomainPlan &plan)
{
    QList<Record> now = plan.live;
    const auto indexOf = [&now](int id) {
        for (int i = 0; i < now.size(); ++i) {
            if (now.at(i).id == id)
                return i;
        }
        return -1;
    };
    for (PlanStep &s : plan.steps) {
        const bool create = s.op == StepOps::Create;
        if (!create && s.op != StepOps::Change && s.op != StepOps::Delete)
            continue;
        const int replaced = create ? 0 : recordFromJson(s.before).id;
        const int at = create ? -1 : indexOf(replaced);
        if (s.op == StepOps::Delete) {
            if (at >= 0)
                now.removeAt(at);
            continue;
        }
        const Record wanted = recordFromJson(s.after);
        const QString refusal = serviceRefusal(now, wanted, replaced);
        if (!refusal.isEmpty()) {
            s.op = StepOps::Problem;
            s.problem = refusal;
        } else if (at >= 0) {
            now[at] = wanted;
        } else {
            now.append(wanted);
        }
    }
}

bool opSendsRequest(const QString &op)
{
    static const QSet<QString> requests{
        StepOps::Create,       StepOps::Change,      StepOps::Delete,       StepOps::Pause,
        StepOps::Start,        StepOps::DomainPause, StepOps::DomainStart,  StepOps::DomainLock,
        StepOps::DomainUnlock, StepOps::DomainMove,  StepOps::DomainDelete, StepOps::DomainCreate};
    return requests.contains(op);
}

QMap<QString, int> ChangePlan::counts() const
{
    QMap<QString, int> n;
    for (const DomainPlan &d : domains) {
        for (const PlanStep &s : d.steps)
            ++n[s.op];
    }
    return n;
}

QStringList ChangePlan::warningTexts() const
{
    QStringList texts;
    for (const PlanWarning &w : warnings)
        texts.append(w.text);
    return texts;
}

bool ChangePlan::changesAnything() const
{
    for (const DomainPlan &d : domains) {
        for (const PlanStep &s : d.steps) {
            if (opSendsRequest(s.op))
                return true;
        }
    }
    return false;
}

namespace {

bool isSpf(const Record &r)
{
    return r.type.toUpper() == QLatin1String("TXT") &&
           r.value.trimmed()
               .remove(QLatin1Char('"'))
               .startsWith(QLatin1String("v=spf1"), Qt::CaseInsensitive);
}

// host and line of a record, the place the first three warnings look at.
QString placeOf(const Record &r)
{
    return hostKey(r.host) + QLatin1Char('/') + QString::number(r.lineID);
}

// A host as the warnings name it: as written, in lower case, without final dots; "@" for the
// apex.
QString shownHost(const Record &r)
{
    QString host = r.host.trimmed().toLower();
    while (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host.isEmpty() ? QStringLiteral("@") : host;
}

// The records of d once its steps have run. A step finds its record by id, the first of that
// id still there, through an index: a plan of many steps costs time linear in its size.
QList<Record> recordsAfter(const DomainPlan &d)
{
    QList<Record> result = d.live;
    QVector<bool> gone(result.size(), false);
    QHash<int, QList<int>> byId; // id -> positions in result still there, in order
    for (int i = 0; i < result.size(); ++i)
        byId[result.at(i).id].append(i);
    for (const PlanStep &s : d.steps) {
        if (s.op == StepOps::Create) {
            const Record created = recordFromJson(s.after);
            byId[created.id].append(result.size());
            result.append(created);
            gone.append(false);
            continue;
        }
        if (s.op != StepOps::Change && s.op != StepOps::Delete)
            continue;
        const auto it = byId.find(recordFromJson(s.before).id);
        if (it == byId.end() || it->isEmpty())
            continue;
        if (s.op == StepOps::Change) {
            result[it->first()] = recordFromJson(s.after);
        } else {
            gone[it->first()] = true;
            it->removeFirst();
        }
    }
    QList<Record> kept;
    kept.reserve(result.size());
    for (int i = 0; i < result.size(); ++i) {
        if (!gone.at(i))
            kept.append(result.at(i));
    }
    return kept;
}

} // namespace

QList<PlanWarning> planWarnings(const QList<DomainPlan> &domains)
{
    QList<PlanWarning> warnings;
    for (const DomainPlan &d : domains) {
        QSet<QString> touched;
        int changedOrDeleted = 0;
        int deleted = 0;
        for (const PlanStep &s : d.steps) {
            if (s.op == StepOps::Create || s.op == StepOps::Change) {
                const Record r = recordFromJson(s.after);
                touched.insert(placeOf(r));
                if (r.type.toUpper() == QLatin1String("NS") &&
                    hostKey(r.host) == QLatin1String("@"))
                    warnings.append({QStringLiteral("ns-at-apex"), d.domain, QStringLiteral("@"),
                                     QStringLiteral("%1 的主机记录 @ 将有 NS 记录").arg(d.domain)});
            }
            if (s.op == StepOps::Change || s.op == StepOps::Delete)
                ++changedOrDeleted;
            if (s.op == StepOps::Delete)
                ++deleted;
        }
        const QList<Record> after = recordsAfter(d);
        QMap<QString, QList<const Record *>> byPlace;
        for (const Record &r : after)
            byPlace[placeOf(r)].append(&r);
        for (auto it = byPlace.cbegin(); it != byPlace.cend(); ++it) {
            if (!touched.contains(it.key()))
                continue;
            int cnames = 0;
            int spfs = 0;
            for (const Record *r : it.value()) {
                cnames += r->type.toUpper() == QLatin1String("CNAME");
                spfs += isSpf(*r);
            }
            const QString host = shownHost(*it.value().first());
            if (cnames > 0 && it.value().size() > 1)
                warnings.append({QStringLiteral("cname-beside-others"), d.domain, host,
                                 QStringLiteral("%1 的主机记录 %2 将有 CNAME 与其他记录并存")
                                     .arg(d.domain, host)});
            if (spfs > 1)
                warnings.append(
                    {QStringLiteral("second-spf"), d.domain, host,
                     QStringLiteral("%1 的主机记录 %2 将有多条 SPF 记录").arg(d.domain, host)});
        }
        // More than 30 %: compared in whole numbers, so 3 of 10 is not yet too many. Changes
        // count from 10 records (one edit in a small domain is no mass change); deletions at
        // any size, for what they take away is gone.
        const int held = d.live.size();
        if (deleted > 0 && deleted == held)
            warnings.append(
                {QStringLiteral("large-change"), d.domain, QString(),
                 QStringLiteral("%1 的全部 %2 条记录都将被删除").arg(d.domain).arg(held)});
        else if (deleted * 10 > held * 3 || (held >= 10 && changedOrDeleted * 10 > held * 3))
            warnings.append({QStringLiteral("large-change"), d.domain, QString(),
                             QStringLiteral("%1 的 %2 条记录中将有 %3 条被修改或删除")
                                 .arg(d.domain)
                                 .arg(held)
                                 .arg(changedOrDeleted)});
    }
    return warnings;
}

QJsonObject domainToJson(const Domain &dm)
{
    return QJsonObject{
        {QStringLiteral("id"), dm.id},
        {QStringLiteral("name"), dm.name},
        {QStringLiteral("state"), dm.state},
        {QStringLiteral("locked"), dm.userLock != 0},
        {QStringLiteral("groupID"), dm.groupID},
        {QStringLiteral("serviceID"), dm.json.value(QStringLiteral("serviceID")).toInt(1000)},
        {QStringLiteral("viewType"), dm.viewType}};
}
