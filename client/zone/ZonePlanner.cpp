#include "client/zone/ZonePlanner.h"

#include "client/RecordIdentity.h"
#include "client/RecordValidation.h"
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneWriter.h"

#include <QHash>
#include <QVector>

#include <algorithm>

namespace {

bool isApex(const QString &host)
{
    return hostKey(host) == QLatin1String("@");
}

Record fromFile(const ZoneRecord &r, int lineID)
{
    Record s;
    s.host = r.host;
    s.type = r.type;
    s.value = r.value;
    s.ttl = r.ttl;
    s.mx = r.mx;
    s.setLine(lineID);
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

PlanStep fileStep(const QString &op, int fileLine, const Record &after,
                  const QString &problem = QString())
{
    PlanStep s;
    s.op = op;
    s.fileLine = fileLine;
    s.after = recordToJson(after);
    s.problem = problem;
    return s;
}

} // namespace

ChangePlan zoneImportJob(const ChangePlan &plan, int domainID)
{
    ChangePlan job;
    for (const DomainPlan &d : plan.domains) {
        DomainPlan run = d;
        run.domainID = domainID;
        run.steps.clear();
        for (const QString &op : {StepOps::Delete, StepOps::Change, StepOps::Create}) {
            for (const PlanStep &s : d.steps) {
                if (s.op == op)
                    run.steps.append(s);
            }
        }
        job.domains.append(run);
    }
    job.warnings = plan.warnings;
    return job;
}

namespace {

// The records of one host and type on the import's line once the plan ran: the TTLs they carry,
// the file's lines among them, and whether the plan creates or changes one of them.
struct RecordSet
{
    QString host;
    QString type;
    QList<int> ttls;
    QList<int> fileLines;
    bool touched = false;
};

// A set whose records would carry different TTLs: name servers serve one TTL per set, so the
// service's answer would not be what the file says. Only sets the plan touches are named, as
// for the other warnings.
void warnOfMixedTtls(const QList<RecordSet> &sets, const QString &domain,
                     QList<PlanWarning> &warnings)
{
    for (const RecordSet &set : sets) {
        QList<int> ttls = set.ttls;
        std::sort(ttls.begin(), ttls.end());
        ttls.erase(std::unique(ttls.begin(), ttls.end()), ttls.end());
        if (!set.touched || ttls.size() < 2)
            continue;
        QStringList lines;
        for (int line : set.fileLines)
            lines.append(QString::number(line));
        QStringList shown;
        for (int ttl : ttls)
            shown.append(QString::number(ttl));
        warnings.append({QStringLiteral("ttl-differs"), domain, set.host,
                         QStringLiteral("第%1行：%2 的主机记录 %3 的 %4 记录将有不同的 TTL（%5），"
                                        "DNS 对同一组记录只用一个 TTL")
                             .arg(lines.join(QStringLiteral("、")), domain, set.host, set.type,
                                  shown.join(QStringLiteral("、")))});
    }
}

} // namespace

ChangePlan planZoneImport(const ZoneFile &file, const QString &domain, const QList<Record> &live,
                          int lineID, bool prune)
{
    DomainPlan plan;
    plan.domain = domain;
    plan.liveKnown = true;
    plan.live = live;
    QList<Record> onLine;
    for (const Record &r : live) {
        if (r.lineID == lineID)
            onLine.append(r);
    }

    QList<PlanStep> fileSteps;
    for (const ZoneSkip &s : file.skipped) {
        Record r;
        r.host = s.host;
        r.type = s.type;
        r.setLine(lineID);
        fileSteps.append(fileStep(StepOps::Skip, s.line, r, s.reason));
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
    QHash<int, QString> opOfLine;
    QList<RecordSet> sets;
    QHash<QString, int> setOf; // host and type -> index into sets
    auto setFor = [&sets, &setOf](const QString &host, const QString &type) -> RecordSet & {
        const QString key = hostKey(host) + QLatin1Char(' ') + type.trimmed().toUpper();
        auto it = setOf.constFind(key);
        if (it == setOf.cend()) {
            it = setOf.insert(key, sets.size());
            sets.append(RecordSet{host, type.trimmed().toUpper(), {}, {}, false});
        }
        return sets[*it];
    };
    for (const ZoneRecord &f : file.records) {
        const Record after = fromFile(f, lineID);
        const QString problem = recordDraftProblem(
            RecordDraft{f.host, f.type, f.value, QString::number(f.ttl),
                        f.type == QLatin1String("MX") ? QString::number(f.mx) : QString(), true});
        if (!problem.isEmpty()) {
            fileSteps.append(fileStep(StepOps::Problem, f.line, after, problem));
            continue;
        }
        const QString identity = identityOf(f.host, f.type, f.value);
        const auto repeat = accepted.constFind(identity);
        if (repeat != accepted.cend()) {
            fileSteps.append(fileStep(StepOps::Skip, f.line, after,
                                      QStringLiteral("与第%1行的记录相同").arg(*repeat)));
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
        PlanStep step;
        if (match < 0) {
            step = fileStep(StepOps::Create, f.line, after);
        } else if (sameSettings(f, onLine.at(match))) {
            used[match] = true;
            step = fileStep(StepOps::Unchanged, f.line, after);
            step.before = recordToJson(onLine.at(match));
        } else {
            // Changed in place: the service's spelling of host and value stays.
            used[match] = true;
            Record changed = onLine.at(match);
            changed.ttl = f.ttl;
            changed.mx = f.mx;
            step = fileStep(StepOps::Change, f.line, changed);
            step.before = recordToJson(onLine.at(match));
        }
        RecordSet &set = setFor(f.host, f.type);
        set.ttls.append(f.ttl);
        set.fileLines.append(f.line);
        set.touched = set.touched || step.op != StepOps::Unchanged;
        opOfLine.insert(f.line, step.op);
        fileSteps.append(step);
    }

    // Deletions first, as the job runs them; then the file in its order, its skipped records
    // first.
    for (int i = 0; i < onLine.size(); ++i) {
        const Record &r = onLine.at(i);
        if (used.at(i))
            continue;
        const bool apexNs = r.type == QLatin1String("NS") && isApex(r.host);
        if (prune && !apexNs && r.state == 0 && zoneExportProblem(r).isEmpty()) {
            PlanStep step;
            step.op = StepOps::Delete;
            step.before = recordToJson(r);
            plan.steps.append(step);
        } else if (r.state == 0 && setOf.contains(hostKey(r.host) + QLatin1Char(' ') +
                                                  r.type.trimmed().toUpper())) {
            // Kept beside the file's records of its set: served with them.
            setFor(r.host, r.type).ttls.append(r.ttl);
        }
    }
    plan.steps += fileSteps;
    // What the service refuses (an A or CNAME beside a CNAME on the host and line) is planned as
    // a problem with its line, not sent to come back refused; deletions, listed first, count.
    markServiceRefusals(plan);
    for (const PlanStep &s : plan.steps) {
        if (s.fileLine > 0 && s.op == StepOps::Problem)
            opOfLine.insert(s.fileLine, s.op);
    }

    ChangePlan result;
    result.domains.append(plan);
    for (const ZoneRecord &f : file.records) {
        const QString op = opOfLine.value(f.line, StepOps::Skip);
        if (!f.relativeTarget.isEmpty() && (op == StepOps::Create || op == StepOps::Change))
            result.warnings.append({QStringLiteral("relative-target"), domain, f.host,
                                    QStringLiteral("第%1行：目标%2没有结尾的点，按相对名称补全为%3")
                                        .arg(f.line)
                                        .arg(f.relativeTarget, f.value)});
    }
    warnOfMixedTtls(sets, domain, result.warnings);
    result.warnings += planWarnings(zoneImportJob(result, -1).domains);
    return result;
}
