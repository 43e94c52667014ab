#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliLiveSettings.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/LineTable.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/live/LiveCheck.h"

#include <QDeadlineTimer>
#include <QJsonArray>

namespace {

constexpr int kMostWaitSeconds = 24 * 3600;

// The settings of the check: the user's, with what the command line says over them; false with
// the exit code.
bool liveSettings(const CliSession &s, LiveSettings &settings, int &wait, int &exit)
{
    if (!commandLiveSettings(s, settings, exit))
        return false;
    bool ok = true;
    wait = s.option("wait", QStringLiteral("0")).toInt(&ok, 10);
    if (!ok || wait < 0 || wait > kMostWaitSeconds) {
        exit = s.usage(QStringLiteral("--wait takes seconds from 0 to %1").arg(kMostWaitSeconds));
        return false;
    }
    return true;
}

QString stateName(LiveState state)
{
    switch (state) {
    case LiveState::Live:
        return QStringLiteral("live");
    case LiveState::Differs:
        return QStringLiteral("differs");
    case LiveState::Missing:
        return QStringLiteral("missing");
    case LiveState::NoAnswer:
        return QStringLiteral("no-answer");
    }
    return QString();
}

QString lineName(int lineID)
{
    static const QMap<int, QString> names = buildViewNames();
    return names.value(lineID, QString::number(lineID));
}

QJsonObject servedJson(const ServedRecord &r)
{
    QJsonObject o{{QStringLiteral("type"), r.typeName},
                  {QStringLiteral("value"), r.value},
                  {QStringLiteral("ttl"), qint64(r.ttl)}};
    if (r.typeName == QLatin1String("MX"))
        o.insert(QStringLiteral("mx"), r.mx);
    return o;
}

QJsonObject reportJson(const LiveReport &report)
{
    QJsonArray servers;
    for (const LiveServer &s : report.servers)
        servers.append(
            QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("address"), s.address}});
    QJsonArray results;
    for (const LiveResult &r : report.results) {
        const LiveTarget &t = report.targets.at(r.target);
        QJsonArray served;
        for (const ServedRecord &sr : r.served)
            served.append(servedJson(sr));
        QJsonArray ids;
        for (int id : t.recordIDs)
            ids.append(id);
        results.append(QJsonObject{{QStringLiteral("host"), t.key.host},
                                   {QStringLiteral("type"), t.key.type},
                                   {QStringLiteral("lineID"), t.key.lineID},
                                   {QStringLiteral("lineName"), lineName(t.key.lineID)},
                                   {QStringLiteral("subnet"), r.subnet},
                                   {QStringLiteral("server"), report.servers.at(r.server).name},
                                   {QStringLiteral("address"), report.servers.at(r.server).address},
                                   {QStringLiteral("state"), stateName(r.state)},
                                   {QStringLiteral("served"), served},
                                   {QStringLiteral("note"), r.note},
                                   {QStringLiteral("recordIDs"), ids}});
    }
    QJsonObject o{{QStringLiteral("domain"), report.domain},
                  {QStringLiteral("allLive"), report.allLive()},
                  {QStringLiteral("servers"), servers},
                  {QStringLiteral("results"), results}};
    if (!report.error.isEmpty())
        o.insert(QStringLiteral("error"), report.error);
    return o;
}

QString reportTable(const LiveReport &report)
{
    if (!report.error.isEmpty())
        return QString();
    QList<QStringList> rows;
    for (const LiveResult &r : report.results) {
        const LiveTarget &t = report.targets.at(r.target);
        // A line asked without its subnet is answered as the checking computer is: say so.
        const bool unplaced = r.subnet.isEmpty() && t.key.lineID != 0;
        rows.append({t.key.host, t.key.type,
                     lineName(t.key.lineID) + (unplaced ? QStringLiteral(" (无网段)") : QString()),
                     report.servers.at(r.server).name, liveStateText(r.state), r.note});
    }
    int live = 0;
    for (const LiveResult &r : report.results)
        live += r.state == LiveState::Live ? 1 : 0;
    return QStringLiteral("%1: %2/%3 已生效\n")
               .arg(report.domain)
               .arg(live)
               .arg(report.results.size()) +
           formatTable({QStringLiteral("HOST"), QStringLiteral("TYPE"), QStringLiteral("LINE"),
                        QStringLiteral("NAME SERVER"), QStringLiteral("STATE"),
                        QStringLiteral("SERVED")},
                       rows);
}

// The records of the domain named name, read from the service; false with the exit code.
bool domainRecords(CliSession &s, const QString &name, QList<Record> &records, int &exit)
{
    QList<Domain *> found;
    if (!s.loadDomains(exit) || !s.resolveDomains({name}, found, exit))
        return false;
    return s.readRecords(s.user.domains.sharedOf(found.first()), records, exit);
}

// Checks each domain's targets (until live or the time is up), prints the reports and gives
// the exit code: the worst of them.
int checkAndPrint(CliSession &s, const LiveSettings &settings, int wait,
                  const QList<QPair<QString, QList<LiveTarget>>> &checks)
{
    const QDeadlineTimer deadline(qint64(wait) * 1000);
    QJsonArray reports;
    QString tables;
    int exit = ExitOk;
    for (const auto &check : checks) {
        const int remaining = wait > 0 ? int(qMax<qint64>(0, deadline.remainingTime()) / 1000) : 0;
        const LiveReport report = checkUntilLive(settings, check.first, check.second, remaining);
        if (!report.error.isEmpty())
            printErr(QStringLiteral("halvik-cli: %1: %2\n").arg(check.first, report.error));
        reports.append(reportJson(report));
        tables += reportTable(report);
        exit = qMax(exit, report.exitCode());
    }
    s.print(reports.size() == 1 ? QJsonValue(reports.first()) : QJsonValue(reports), tables);
    return exit;
}

} // namespace

int cmdCheck(CliSession &s)
{
    LiveSettings settings;
    int wait = 0;
    int exit = ExitOk;
    if (!liveSettings(s, settings, wait, exit))
        return exit;
    LiveScope scope;
    scope.host = s.option("host");
    scope.type = s.option("type").toUpper();
    scope.lineID = s.option("line", QStringLiteral("-1")).toInt();
    QList<Record> records;
    const QString domain = s.invocation.operands.at(0);
    if (!domainRecords(s, domain, records, exit))
        return exit;
    const QList<LiveTarget> targets = liveTargets(records, scope);
    if (targets.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: %1 has no records to check\n").arg(domain));
        return ExitRefused;
    }
    return checkAndPrint(s, settings, wait, {{domain, targets}});
}

int cmdJobCheck(CliSession &s)
{
    LiveSettings settings;
    int wait = 0;
    int exit = ExitOk;
    if (!liveSettings(s, settings, wait, exit))
        return exit;
    Journal journal;
    JournalJob job;
    if (!openJournalJob(s, journal, job, exit))
        return exit;
    const QMap<QString, QList<RecordSetKey>> sets = jobRecordSets(journal.steps(job.id));
    if (sets.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: job %1 changed no records\n").arg(job.id));
        return ExitRefused;
    }
    QList<QPair<QString, QList<LiveTarget>>> checks;
    for (auto it = sets.cbegin(); it != sets.cend(); ++it) {
        QList<Record> records;
        if (!domainRecords(s, it.key(), records, exit))
            return exit;
        LiveScope scope;
        scope.onlySets = true;
        scope.sets = it.value();
        checks.append({it.key(), liveTargets(records, scope)});
    }
    return checkAndPrint(s, settings, wait, checks);
}
