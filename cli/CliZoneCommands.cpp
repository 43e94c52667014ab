#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliLiveSettings.h"
#include "cli/CliPlanFormat.h"
#include "cli/CliSession.h"
#include "cli/CliSyntax.h"
#include "cli/OutputFile.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/live/LiveCheck.h"
#include "client/plan/RecordJson.h"
#include "client/zone/ZoneFolder.h"
#include "client/zone/ZoneInput.h"
#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "client/zone/ZoneWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

namespace {

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

// A record of a step as the plan prints it; the service's id where the record is the
// service's (before).
QJsonObject stepRecordJson(const QJsonObject &step, bool withId)
{
    const Record r = recordFromJson(step);
    QJsonObject o{{QStringLiteral("host"), r.host},   {QStringLiteral("type"), r.type},
                  {QStringLiteral("value"), r.value}, {QStringLiteral("ttl"), r.ttl},
                  {QStringLiteral("mx"), r.mx},       {QStringLiteral("lineID"), r.lineID}};
    if (withId && r.id)
        o.insert(QStringLiteral("id"), r.id);
    return o;
}

// The ops of an import plan in the order its counts are printed.
const QStringList &zoneOps()
{
    static const QStringList ops{StepOps::Create, StepOps::Change,  StepOps::Unchanged,
                                 StepOps::Delete, StepOps::Problem, StepOps::Skip};
    return ops;
}

QJsonObject planJson(const ChangePlan &plan, int lineID)
{
    const DomainPlan &d = plan.domains.first();
    QJsonArray steps;
    for (const PlanStep &s : d.steps) {
        QJsonObject o{{QStringLiteral("op"), s.op}};
        if (s.fileLine)
            o.insert(QStringLiteral("fileLine"), s.fileLine);
        if (!s.before.isEmpty())
            o.insert(QStringLiteral("before"), stepRecordJson(s.before, true));
        if (!s.after.isEmpty())
            o.insert(QStringLiteral("after"), stepRecordJson(s.after, false));
        if (!s.problem.isEmpty())
            o.insert(QStringLiteral("reason"), s.problem);
        steps.append(o);
    }
    const QMap<QString, int> n = plan.counts();
    QJsonObject counts;
    for (const QString &op : zoneOps())
        counts.insert(op, n.value(op));
    return QJsonObject{
        {QStringLiteral("domain"), d.domain},
        {QStringLiteral("lineID"), lineID},
        {QStringLiteral("steps"), steps},
        {QStringLiteral("counts"), counts},
        {QStringLiteral("warnings"), QJsonArray::fromStringList(plan.warningTexts())}};
}

QString changed(const QString &before, const QString &after)
{
    return before == after ? after : before + QStringLiteral(" -> ") + after;
}

QString planText(const ChangePlan &plan, int lineID)
{
    const DomainPlan &d = plan.domains.first();
    QList<QStringList> rows;
    for (const PlanStep &s : d.steps) {
        const Record r = recordFromJson(s.op == StepOps::Delete ? s.before : s.after);
        const bool isMx = r.type == QLatin1String("MX");
        QString ttl = QString::number(r.ttl);
        QString mx = isMx ? QString::number(r.mx) : QStringLiteral("-");
        if (s.op == StepOps::Change) {
            const Record before = recordFromJson(s.before);
            ttl = changed(QString::number(before.ttl), ttl);
            if (isMx)
                mx = changed(QString::number(before.mx), mx);
        }
        const bool noValue = s.op == StepOps::Skip && r.value.isEmpty();
        rows.append({s.op, s.fileLine ? QString::number(s.fileLine) : QString(), r.host, r.type,
                     r.value, noValue ? QString() : ttl, noValue ? QString() : mx, s.problem});
    }
    QString text =
        formatTable({QStringLiteral("OP"), QStringLiteral("LINE"), QStringLiteral("HOST"),
                     QStringLiteral("TYPE"), QStringLiteral("VALUE"), QStringLiteral("TTL"),
                     QStringLiteral("MX"), QStringLiteral("REASON")},
                    rows);
    for (const QString &w : plan.warningTexts())
        text += QStringLiteral("warning: %1\n").arg(w);
    const QMap<QString, int> n = plan.counts();
    text += QStringLiteral("%1 on line %2: %3 create, %4 change, %5 unchanged, %6 delete, "
                           "%7 problem, %8 skipped\n")
                .arg(d.domain)
                .arg(lineID)
                .arg(n.value(StepOps::Create))
                .arg(n.value(StepOps::Change))
                .arg(n.value(StepOps::Unchanged))
                .arg(n.value(StepOps::Delete))
                .arg(n.value(StepOps::Problem))
                .arg(n.value(StepOps::Skip));
    return text;
}

QString stepItem(const StepOutcome &o)
{
    const Record r = recordFromJson(o.step.op == StepOps::Delete ? o.step.before : o.step.after);
    return QStringLiteral("%1 %2 %3 %4").arg(o.step.op, r.host, r.type, r.value);
}

} // namespace

// The domain's name servers through the resolver --resolver names, for the SOA and NS of an
// export; empty without it (an export does not wait on the network unasked) or when they
// cannot be found, said on standard error. False with the exit code on a usage fault.
bool exportNameServers(CliSession &s, const Domain &dm, QStringList &names, int &exit)
{
    if (!hasFlag(s, "resolver"))
        return true;
    LiveSettings settings;
    if (!commandLiveSettings(s, settings, exit))
        return false;
    const LiveReport report = runLiveCheck(settings, dm.name, {});
    for (const LiveServer &server : report.servers)
        names.append(server.name);
    if (!report.error.isEmpty() || names.isEmpty()) {
        names.clear();
        printErr(QStringLiteral("halvik-cli: the name servers of %1 were not found (%2); SOA and "
                                "NS are placeholders\n")
                     .arg(dm.name, report.error));
    }
    return true;
}

// What a name in the export folder is taken by, as the refusal says it.
QString blockKindText(ZoneFolderBlock::Kind kind)
{
    switch (kind) {
    case ZoneFolderBlock::Folder:
        return QStringLiteral("a folder");
    case ZoneFolderBlock::Link:
        return QStringLiteral("a symbolic link");
    case ZoneFolderBlock::Fifo:
        return QStringLiteral("a FIFO");
    case ZoneFolderBlock::Socket:
        return QStringLiteral("a socket");
    case ZoneFolderBlock::Device:
        return QStringLiteral("a device");
    case ZoneFolderBlock::Other:
        break;
    }
    return QStringLiteral("a special file");
}

// Every line's file into folder, named as the window names them; nothing when a file's name is
// taken by anything but a regular file.
int exportFolder(CliSession &s, const Domain &dm, const QList<Record> &records,
                 const QString &folder, const QStringList &nameServers)
{
    QStringList written;
    QString error;
    QList<ZoneFolderBlock> blocked;
    if (!writeZoneFolder(folder, dm.name, records, written, error, nameServers, &blocked)) {
        if (blocked.isEmpty()) {
            printErr(QStringLiteral("halvik-cli: %1\n").arg(error));
            return ExitRefused;
        }
        for (const ZoneFolderBlock &b : blocked)
            printErr(
                QStringLiteral("halvik-cli: %1 is %2, not a regular file; it is not replaced\n")
                    .arg(QDir(folder).filePath(b.name), blockKindText(b.kind)));
        printErr(QStringLiteral("halvik-cli: nothing was written to %1\n").arg(folder));
        return ExitRefused;
    }
    QString text =
        QStringLiteral("%1: %2 files in %3\n").arg(dm.name).arg(written.size()).arg(folder);
    for (const QString &name : written)
        text += QStringLiteral("  %1\n").arg(name);
    s.print(QJsonObject{{QStringLiteral("domain"), dm.name},
                        {QStringLiteral("folder"), folder},
                        {QStringLiteral("files"), QJsonArray::fromStringList(written)}},
            text);
    return ExitOk;
}

int cmdZoneExport(CliSession &s)
{
    const QString folder = s.invocation.options.value(QStringLiteral("folder"));
    if (hasFlag(s, "folder") && (folder.isEmpty() || hasFlag(s, "output") || hasFlag(s, "line"))) {
        printErr(QStringLiteral("halvik-cli: --folder takes a folder and writes every line; it "
                                "goes without --output and --line\n%1\n")
                     .arg(usageOf(s.invocation.command)));
        return ExitUsage;
    }
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    QList<Record> records;
    if (!s.readRecords(dm, records, exit))
        return exit;
    QStringList nameServers;
    if (!exportNameServers(s, *dm, nameServers, exit))
        return exit;
    if (hasFlag(s, "folder"))
        return exportFolder(s, *dm, records, folder, nameServers);
    const int line = lineOption(s);
    const ZoneExport zone = writeZone(dm->name, records, line, nameServers);
    const QString output = s.invocation.options.value(QStringLiteral("output"));
    const bool toStandardOutput = output.isEmpty() || output == QLatin1String("-");
    if (toStandardOutput && !s.json()) {
        writeOutBytes(zone.text);
        return ExitOk;
    }
    QString writeError;
    if (!toStandardOutput && !writeOutputFile(output, zone.text, writeError)) {
        printErr(QStringLiteral("halvik-cli: cannot write %1: %2\n").arg(output, writeError));
        return ExitRefused;
    }
    QJsonObject summary{{QStringLiteral("domain"), dm->name},
                        {QStringLiteral("lineID"), line},
                        {QStringLiteral("records"), zone.written},
                        {QStringLiteral("paused"), zone.paused},
                        {QStringLiteral("unwritable"), zone.unwritable}};
    if (toStandardOutput)
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
    QByteArray text;
    QString readError;
    if (!readZoneInput(path, text, readError)) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(readError));
        return ExitRefused;
    }

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
    if (!s.readRecords(dm, live, exit))
        return exit;
    const int line = lineOption(s);
    const bool prune = hasFlag(s, "prune");
    const ChangePlan plan = planZoneImport(zone, dm->name, live, line, prune);
    const int planExit = plan.counts().value(StepOps::Problem) > 0 ? int(ExitRefused) : int(ExitOk);
    if (!hasFlag(s, "apply") || !plan.changesAnything()) {
        s.print(planJson(plan, line), planText(plan, line));
        return planExit;
    }
    if (!plan.warnings.isEmpty() && !hasFlag(s, "yes")) {
        s.print(planJson(plan, line), planText(plan, line));
        printErr(QStringLiteral("halvik-cli: the plan has warnings; nothing changed (--yes "
                                "accepts them)\n"));
        return ExitRefused;
    }

    if (!s.json())
        printOut(planText(plan, line));
    // The job looks at the domain again right before changing it and skips it when it changed
    // since the plan was made.
    const ChangePlan job = zoneImportJob(plan, dm->id);
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
    if (run.gaveUp)
        printErr(gaveUpText(run));
    if (run.networkFailed)
        worst = ExitNetwork;
    QJsonObject json = planJson(plan, line);
    json.insert(QStringLiteral("results"), outcomes);
    json.insert(QStringLiteral("job"), jobJson(journal.job(run.jobId)));
    s.print(json, formatTable({QStringLiteral("ITEM"), QStringLiteral("RESULT")}, rows) +
                      QStringLiteral("job %1: %2\n").arg(run.jobId).arg(run.state));
    return worst;
}
