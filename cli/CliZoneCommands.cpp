#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliPlanFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "client/zone/ZoneWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>

namespace {

// Larger than any zone the service can hold (999 records a domain); a bigger file is a mistake.
constexpr qint64 kMaxZoneFileBytes = 16 * 1024 * 1024;

QSharedPointer<Domain> namedDomain(CliSession &s, int &exit)
{
    QList<Domain *> found;
    if (!s.loadDomains(exit) || !s.resolveDomains({s.invocation.operands.value(0)}, found, exit))
        return {};
    return s.user.domains.sharedOf(found.first());
}

int lineOption(const CliSession &s)
{
    return s.invocation.options.value(QStringLiteral("line"), QStringLiteral("0")).toInt();
}

bool hasFlag(const CliSession &s, const char *name)
{
    return s.invocation.options.contains(QString::fromLatin1(name));
}

// Reads every record of dm afresh. A domain with more records than one list holds cannot be
// exported or compared whole, so it is refused rather than half done.
bool readAllRecords(CliSession &s, Domain *dm, QList<Record> &records, int &exit)
{
    s.beginCall();
    const int total = s.user.getRecord(dm);
    if (!s.user.errorText.isEmpty()) {
        exit = s.failed(QStringLiteral("reading the records of %1").arg(dm->name));
        return false;
    }
    if (total > dm->records.size()) {
        printErr(QStringLiteral("halvik-cli: %1 has %2 records, more than the %3 one list "
                                "holds; refused\n")
                     .arg(dm->name)
                     .arg(total)
                     .arg(dm->records.size()));
        exit = ExitRefused;
        return false;
    }
    records.clear();
    for (const Record &r : dm->records)
        records.append(r);
    return true;
}

QJsonObject stepRecordJson(const ZoneStepRecord &r)
{
    QJsonObject o{{QStringLiteral("host"), r.host},   {QStringLiteral("type"), r.type},
                  {QStringLiteral("value"), r.value}, {QStringLiteral("ttl"), r.ttl},
                  {QStringLiteral("mx"), r.mx},       {QStringLiteral("lineID"), r.lineID}};
    if (r.id)
        o.insert(QStringLiteral("id"), r.id);
    return o;
}

QJsonObject planJson(const ZonePlan &plan)
{
    QJsonArray steps;
    for (const ZoneStep &s : plan.steps) {
        QJsonObject o{{QStringLiteral("op"), zoneStepOpName(s.op)}};
        if (s.fileLine)
            o.insert(QStringLiteral("fileLine"), s.fileLine);
        if (!s.before.type.isEmpty())
            o.insert(QStringLiteral("before"), stepRecordJson(s.before));
        if (!s.after.type.isEmpty())
            o.insert(QStringLiteral("after"), stepRecordJson(s.after));
        if (!s.reason.isEmpty())
            o.insert(QStringLiteral("reason"), s.reason);
        steps.append(o);
    }
    QJsonObject counts;
    for (ZoneStepOp op : {ZoneStepOp::Create, ZoneStepOp::Change, ZoneStepOp::Unchanged,
                          ZoneStepOp::Delete, ZoneStepOp::Problem, ZoneStepOp::Skip})
        counts.insert(zoneStepOpName(op), plan.count(op));
    return QJsonObject{{QStringLiteral("domain"), plan.domain},
                       {QStringLiteral("lineID"), plan.lineID},
                       {QStringLiteral("steps"), steps},
                       {QStringLiteral("counts"), counts},
                       {QStringLiteral("warnings"), QJsonArray::fromStringList(plan.warnings)}};
}

QString changed(const QString &before, const QString &after)
{
    return before == after ? after : before + QStringLiteral(" -> ") + after;
}

QString planText(const ZonePlan &plan)
{
    QList<QStringList> rows;
    for (const ZoneStep &s : plan.steps) {
        const ZoneStepRecord &r = s.op == ZoneStepOp::Delete ? s.before : s.after;
        const bool isMx = r.type == QLatin1String("MX");
        QString ttl = QString::number(r.ttl);
        QString mx = isMx ? QString::number(r.mx) : QStringLiteral("-");
        if (s.op == ZoneStepOp::Change) {
            ttl = changed(QString::number(s.before.ttl), ttl);
            if (isMx)
                mx = changed(QString::number(s.before.mx), mx);
        }
        const bool noValue = s.op == ZoneStepOp::Skip && r.value.isEmpty();
        rows.append({zoneStepOpName(s.op), s.fileLine ? QString::number(s.fileLine) : QString(),
                     r.host, r.type, r.value, noValue ? QString() : ttl, noValue ? QString() : mx,
                     s.reason});
    }
    QString text =
        formatTable({QStringLiteral("OP"), QStringLiteral("LINE"), QStringLiteral("HOST"),
                     QStringLiteral("TYPE"), QStringLiteral("VALUE"), QStringLiteral("TTL"),
                     QStringLiteral("MX"), QStringLiteral("REASON")},
                    rows);
    for (const QString &w : plan.warnings)
        text += QStringLiteral("warning: %1\n").arg(w);
    text += QStringLiteral("%1 on line %2: %3 create, %4 change, %5 unchanged, %6 delete, "
                           "%7 problem, %8 skipped\n")
                .arg(plan.domain)
                .arg(plan.lineID)
                .arg(plan.count(ZoneStepOp::Create))
                .arg(plan.count(ZoneStepOp::Change))
                .arg(plan.count(ZoneStepOp::Unchanged))
                .arg(plan.count(ZoneStepOp::Delete))
                .arg(plan.count(ZoneStepOp::Problem))
                .arg(plan.count(ZoneStepOp::Skip));
    return text;
}

QString stepItem(const StepOutcome &o)
{
    const Record r = recordFromJson(o.step.op == StepOps::Delete ? o.step.before : o.step.after);
    return QStringLiteral("%1 %2 %3 %4").arg(o.step.op, r.host, r.type, r.value);
}

} // namespace

int cmdZoneExport(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    QList<Record> records;
    if (!readAllRecords(s, dm.data(), records, exit))
        return exit;
    const int line = lineOption(s);
    const ZoneExport zone = writeZone(dm->name, records, line);
    const QString output = s.invocation.options.value(QStringLiteral("output"));
    if (output.isEmpty() && !s.json()) {
        writeOutBytes(zone.text);
        return ExitOk;
    }
    if (!output.isEmpty()) {
        // Written whole or not at all: a half-written zone file loads as a smaller zone.
        QSaveFile file(output);
        if (!file.open(QIODevice::WriteOnly) || file.write(zone.text) != zone.text.size() ||
            !file.commit()) {
            printErr(QStringLiteral("halvik-cli: cannot write %1: %2\n")
                         .arg(output, file.errorString()));
            return ExitRefused;
        }
    }
    QJsonObject summary{{QStringLiteral("domain"), dm->name},
                        {QStringLiteral("lineID"), line},
                        {QStringLiteral("records"), zone.written},
                        {QStringLiteral("paused"), zone.paused},
                        {QStringLiteral("unwritable"), zone.unwritable}};
    if (output.isEmpty())
        summary.insert(QStringLiteral("zone"), QString::fromUtf8(zone.text));
    else
        summary.insert(QStringLiteral("file"), output);
    s.print(summary, QStringLiteral("%1: %2 records, %3 paused and %4 unwritable as comments\n")
                         .arg(output)
                         .arg(zone.written)
                         .arg(zone.paused)
                         .arg(zone.unwritable));
    return ExitOk;
}

int cmdZoneImport(CliSession &s)
{
    const QString path = s.invocation.operands.value(1);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("halvik-cli: cannot read %1: %2\n").arg(path, file.errorString()));
        return ExitRefused;
    }
    if (file.size() > kMaxZoneFileBytes) {
        printErr(QStringLiteral("halvik-cli: %1 is larger than %2 bytes\n")
                     .arg(path)
                     .arg(kMaxZoneFileBytes));
        return ExitRefused;
    }
    const QByteArray text = file.read(kMaxZoneFileBytes + 1);

    int exit = ExitOk;
    Journal journal;
    // Before the first request: no change goes out unjournaled.
    if (hasFlag(s, "apply") && !openJournal(journal, true, exit))
        return exit;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    const ZoneFile zone = parseZoneText(text, dm->name);
    if (!zone.errors.isEmpty()) {
        QJsonArray errors;
        for (const ZoneError &e : zone.errors) {
            printErr(QStringLiteral("%1:%2: %3\n").arg(path).arg(e.line).arg(e.message));
            errors.append(QJsonObject{{QStringLiteral("line"), e.line},
                                      {QStringLiteral("message"), e.message}});
        }
        if (s.json())
            s.print(QJsonObject{{QStringLiteral("errors"), errors}}, QString());
        return ExitRefused;
    }

    QList<Record> live;
    if (!readAllRecords(s, dm.data(), live, exit))
        return exit;
    const int line = lineOption(s);
    const bool prune = hasFlag(s, "prune");
    const ZonePlan plan = planZoneImport(zone, dm->name, live, line, prune);
    const int planExit = plan.count(ZoneStepOp::Problem) > 0 ? int(ExitRefused) : int(ExitOk);
    if (!hasFlag(s, "apply") || !plan.hasWork()) {
        s.print(planJson(plan), planText(plan));
        return planExit;
    }
    if (!plan.warnings.isEmpty() && !hasFlag(s, "yes")) {
        s.print(planJson(plan), planText(plan));
        printErr(QStringLiteral("halvik-cli: the plan has warnings; nothing changed (--yes "
                                "accepts them)\n"));
        return ExitRefused;
    }

    if (!s.json())
        printOut(planText(plan));
    // The job looks at the domain again right before changing it and skips it when it changed
    // since the plan was made.
    const ChangePlan job{{zoneDomainPlan(plan, dm->id, live)}, {}};
    const PlanRun run =
        runPlan(s.user, journal, job, QStringLiteral("zone-import"),
                zoneImportSummary(dm->name, line, prune, QFileInfo(path).fileName()));
    if (!run.jobId) {
        printErr(QStringLiteral("halvik-cli: cannot write the journal, nothing changed: %1\n")
                     .arg(run.errorText));
        return ExitRefused;
    }
    int worst = planExit;
    QJsonArray outcomes;
    QList<QStringList> rows;
    for (const StepOutcome &o : run.outcomes) {
        const bool ok = o.status == StepStatus::Done;
        if (!ok)
            worst = qMax(worst, int(ExitRefused));
        QJsonObject r{{QStringLiteral("item"), stepItem(o)},
                      {QStringLiteral("status"), o.status},
                      {QStringLiteral("ok"), ok}};
        if (!o.error.isEmpty())
            r.insert(QStringLiteral("error"), o.error);
        outcomes.append(r);
        rows.append(
            {stepItem(o), ok ? QStringLiteral("ok") : o.status + QStringLiteral(": ") + o.error});
    }
    if (!run.errorText.isEmpty()) {
        printErr(
            QStringLiteral("halvik-cli: the journal failed, job stopped: %1\n").arg(run.errorText));
        worst = qMax(worst, int(ExitRefused));
    }
    if (run.networkFailed)
        worst = ExitNetwork;
    QJsonObject json = planJson(plan);
    json.insert(QStringLiteral("results"), outcomes);
    json.insert(QStringLiteral("job"), jobJson(journal.job(run.jobId)));
    s.print(json, formatTable({QStringLiteral("ITEM"), QStringLiteral("RESULT")}, rows) +
                      QStringLiteral("job %1: %2\n").arg(run.jobId).arg(run.state));
    return worst;
}
