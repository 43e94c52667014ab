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

namespace {

const char kRefusalText[] = "解析记录已存在或者存在相同主机头，相同线路的A记录或者CNAME记录";

// What the service's refusal turns on, for records on one host and line: how many are A and
// how many CNAME, and each record's type and value.
struct HostLine
{
    int a = 0;
    int cname = 0;
    QHash<QString, int> identities;
};

QString hostLineKey(const Record &r)
{
    return QString::number(r.lineID) + QLatin1Char('\n') + hostKey(r.host);
}

QString identityKey(const Record &r)
{
    const QString type = r.type.trimmed().toUpper();
    return type + QLatin1Char('\n') + valueKey(type, r.value);
}

// The records as a plan's earlier steps leave them, kept by host and line so that each step is
// judged at once: a zone file may hold 100,000 records on one name.
class StandingRecords
{
public:
    explicit StandingRecords(const QList<Record> &live)
    {
        for (const Record &r : live)
            add(r);
    }

    void add(const Record &r)
    {
        count(r, 1);
        if (r.id != 0)
            m_byId.insert(r.id, r);
    }

    // The record of that id, gone; false when there is none.
    bool remove(int id)
    {
        const auto it = m_byId.find(id);
        if (id == 0 || it == m_byId.end())
            return false;
        count(it.value(), -1);
        m_byId.erase(it);
        return true;
    }

    QString refusal(const Record &wanted, int replacedId) const
    {
        const auto slot = m_hosts.constFind(hostLineKey(wanted));
        if (slot == m_hosts.constEnd())
            return QString();
        int a = slot->a;
        int cname = slot->cname;
        int same = slot->identities.value(identityKey(wanted));
        // The record the step replaces does not stand in its own way.
        const auto replaced = replacedId == 0 ? m_byId.constEnd() : m_byId.constFind(replacedId);
        if (replaced != m_byId.constEnd() && hostLineKey(*replaced) == slot.key()) {
            const QString type = replaced->type.trimmed().toUpper();
            a -= type == QLatin1String("A") ? 1 : 0;
            cname -= type == QLatin1String("CNAME") ? 1 : 0;
            same -= identityKey(*replaced) == identityKey(wanted) ? 1 : 0;
        }
        const QString type = wanted.type.trimmed().toUpper();
        const bool refused = same > 0 || (type == QLatin1String("CNAME") && a + cname > 0) ||
                             (type == QLatin1String("A") && cname > 0);
        return refused ? QString::fromUtf8(kRefusalText) : QString();
    }

private:
    void count(const Record &r, int n)
    {
        HostLine &slot = m_hosts[hostLineKey(r)];
        const QString type = r.type.trimmed().toUpper();
        slot.a += type == QLatin1String("A") ? n : 0;
        slot.cname += type == QLatin1String("CNAME") ? n : 0;
        slot.identities[identityKey(r)] += n;
    }

    QHash<QString, HostLine> m_hosts;
    QHash<int, Record> m_byId;
};

} // namespace

void markServiceRefusals(DomainPlan &plan)
{
    StandingRecords now(plan.live);
    for (PlanStep &s : plan.steps) {
        const bool create = s.op == StepOps::Create;
        if (!create && s.op != StepOps::Change && s.op != StepOps::Delete)
            continue;
        const int replaced = create ? 0 : recordFromJson(s.before).id;
        if (s.op == StepOps::Delete) {
            now.remove(replaced);
            continue;
        }
        const Record wanted = recordFromJson(s.after);
        const QString refusal = now.refusal(wanted, replaced);
        if (!refusal.isEmpty()) {
            s.op = StepOps::Problem;
            s.problem = refusal;
            continue;
        }
        now.remove(replaced);
        now.add(wanted);
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
