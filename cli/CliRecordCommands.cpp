#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"

#include <QJsonArray>

namespace {

// The one domain named by the first operand, with the shared handle that keeps it alive.
QSharedPointer<Domain> namedDomain(CliSession &s, int &exit)
{
    QList<Domain *> found;
    if (!s.loadDomains(exit) || !s.resolveDomains({s.invocation.operands.value(0)}, found, exit))
        return {};
    return s.user.domains.sharedOf(found.first());
}

QString option(const CliSession &s, const char *name, const QString &def = QString())
{
    return s.invocation.options.value(QString::fromLatin1(name), def);
}

QStringList recordRow(const Record &r)
{
    return {QString::number(r.id),
            r.host,
            r.type,
            r.value,
            r.viewName,
            QString::number(r.ttl),
            r.type == QLatin1String("MX") ? QString::number(r.mx) : QStringLiteral("-"),
            recordStateText(r)};
}

const QStringList kRecordHeaders = {QStringLiteral("ID"),   QStringLiteral("HOST"),
                                    QStringLiteral("TYPE"), QStringLiteral("VALUE"),
                                    QStringLiteral("LINE"), QStringLiteral("TTL"),
                                    QStringLiteral("MX"),   QStringLiteral("STATE")};

} // namespace

int cmdRecords(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    s.beginCall();
    const int total = s.user.getRecord(dm.data());
    if (!s.user.errorText.isEmpty())
        return s.failed(QStringLiteral("reading the records of %1").arg(dm->name));
    QJsonArray array;
    QList<QStringList> rows;
    for (const Record &r : dm->records) {
        array.append(recordJson(r));
        rows.append(recordRow(r));
    }
    if (total > dm->records.size())
        printErr(QStringLiteral("halvik-cli: %1 has %2 records; the first %3 are listed\n")
                     .arg(dm->name)
                     .arg(total)
                     .arg(dm->records.size()));
    s.print(QJsonObject{{QStringLiteral("domain"), dm->name},
                        {QStringLiteral("total"), total},
                        {QStringLiteral("records"), array}},
            formatTable(kRecordHeaders, rows));
    return ExitOk;
}

int cmdRecordAdd(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    Record created;
    s.beginCall();
    if (!s.user.addRecord(dm.data(), option(s, "value"), option(s, "type", QStringLiteral("A")),
                          option(s, "line", QStringLiteral("0")),
                          option(s, "host", QStringLiteral("@")),
                          option(s, "ttl", QStringLiteral("600")),
                          option(s, "mx", QStringLiteral("10")), &created))
        return s.failed(QStringLiteral("adding the record to %1").arg(dm->name));
    s.print(recordJson(created), formatTable(kRecordHeaders, {recordRow(created)}));
    return ExitOk;
}

int cmdRecordEdit(CliSession &s)
{
    if (s.invocation.options.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: nothing to change: give at least one option\n%1\n")
                     .arg(usageOf(s.invocation.command)));
        return ExitUsage;
    }
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    const QString id = s.invocation.operands.at(1);
    s.beginCall();
    if (!s.user.editRecord(dm.data(), id.toInt(), option(s, "host"), option(s, "type"),
                           option(s, "value"), option(s, "ttl"), option(s, "mx"),
                           option(s, "line")))
        return s.failed(QStringLiteral("changing record %1 of %2").arg(id, dm->name));
    s.print(QJsonObject{{QStringLiteral("ok"), true}}, QStringLiteral("ok\n"));
    return ExitOk;
}

int cmdRecordChange(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = namedDomain(s, exit);
    if (!dm)
        return exit;
    const QString verb = s.invocation.command.section(QLatin1Char(' '), 1);
    QList<ItemResult> results;
    for (const QString &id : s.invocation.operands.mid(1)) {
        s.beginCall();
        const int recordID = id.toInt();
        const bool ok = verb == QLatin1String("pause")   ? s.user.pauseRecord(dm.data(), recordID)
                        : verb == QLatin1String("start") ? s.user.startRecord(dm.data(), recordID)
                                                         : s.user.delRecord(dm.data(), recordID);
        results.append(s.outcome(id, ok));
    }
    return s.reportItems(results);
}

int cmdLines(CliSession &s)
{
    const QString viewType = s.invocation.operands.value(0, QStringLiteral("1"));
    s.beginCall();
    const QList<View> lines = s.user.getTaoCanView_2(viewType);
    if (lines.isEmpty() && !s.user.errorText.isEmpty())
        return s.failed(QStringLiteral("reading the line list"));
    QJsonArray array;
    QList<QStringList> rows;
    for (const View &v : lines) {
        array.append(viewJson(v));
        rows.append({QString::number(v.viewID), v.viewName, QString::number(v.areaType)});
    }
    s.print(
        array,
        formatTable({QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("AREA")}, rows));
    return ExitOk;
}
