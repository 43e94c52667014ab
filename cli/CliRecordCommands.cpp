#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliJournaled.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/journal/JobSteps.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>

namespace {

// The one domain named by the first operand, with the shared handle that keeps it alive.
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

const Record *findRecord(const QList<Record> &live, int id)
{
    for (const Record &r : live) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

const QStringList kRecordHeaders = {QStringLiteral("ID"),   QStringLiteral("HOST"),
                                    QStringLiteral("TYPE"), QStringLiteral("VALUE"),
                                    QStringLiteral("LINE"), QStringLiteral("TTL"),
                                    QStringLiteral("MX"),   QStringLiteral("STATE")};

} // namespace

int cmdRecords(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = s.namedDomain(exit);
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
    const QSharedPointer<Domain> dm = s.namedDomain(exit);
    if (!dm)
        return exit;
    Record wanted;
    wanted.host = s.option("host", QStringLiteral("@"));
    wanted.type = s.option("type", QStringLiteral("A"));
    wanted.value = s.option("value");
    wanted.setLine(s.option("line", QStringLiteral("0")).toInt());
    wanted.ttl = s.option("ttl", QStringLiteral("600")).toInt();
    wanted.mx = s.option("mx", QStringLiteral("10")).toInt();
    const PlanStep step = recordStep(StepOps::Create, nullptr, &wanted);
    CliJob job(s, QStringLiteral("record"),
               QStringLiteral("添加 %1 (%2)").arg(wanted.host, dm->name));
    job.add(QStringLiteral("adding the record to %1").arg(dm->name), dm->name, dm->id, step);
    exit = job.run(false);
    if (exit != ExitOk)
        return exit;
    // The record as the service made it: its id and state.
    const Record created = recordFromJson(job.outcome(0)->step.after);
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
    const QSharedPointer<Domain> dm = s.namedDomain(exit);
    if (!dm)
        return exit;
    const QString id = s.invocation.operands.at(1);
    QList<Record> live;
    if (!s.readRecords(dm, live, exit))
        return exit;
    const QString item = QStringLiteral("changing record %1 of %2").arg(id, dm->name);
    const Record *before = findRecord(live, id.toInt());
    CliJob job(s, QStringLiteral("record"),
               QStringLiteral("修改 %1 (%2)").arg(before ? before->host : id, dm->name));
    if (!before) {
        job.refuse(item, QStringLiteral("no record %1 in %2").arg(id, dm->name));
        return job.run(false);
    }
    // Only what is given is sent, as before; the journal keeps the whole record both ways.
    Record after = *before;
    QStringList named;
    const char *fields[] = {"host", "type", "value", "ttl", "mx", "line"};
    for (const char *field : fields) {
        if (!s.invocation.options.contains(QLatin1String(field)))
            continue;
        const QString value = s.option(field);
        named.append(QLatin1String(field));
        const QLatin1String name(field);
        if (name == QLatin1String("host"))
            after.host = value;
        else if (name == QLatin1String("type"))
            after.type = value;
        else if (name == QLatin1String("value"))
            after.value = value;
        else if (name == QLatin1String("ttl"))
            after.ttl = value.toInt();
        else if (name == QLatin1String("mx"))
            after.mx = value.toInt();
        else
            after.setLine(value.toInt());
    }
    PlanStep step = recordStep(StepOps::Change, before, &after);
    step.fields = named;
    job.add(item, dm->name, dm->id, step);
    exit = job.run(false);
    if (exit != ExitOk)
        return exit;
    s.print(QJsonObject{{QStringLiteral("ok"), true}}, QStringLiteral("ok\n"));
    return ExitOk;
}

int cmdRecordChange(CliSession &s)
{
    int exit = ExitOk;
    const QSharedPointer<Domain> dm = s.namedDomain(exit);
    if (!dm)
        return exit;
    QList<Record> live;
    if (!s.readRecords(dm, live, exit))
        return exit;
    const QString verb = s.invocation.command.section(QLatin1Char(' '), 1);
    const QString op = verb == QLatin1String("pause")   ? StepOps::Pause
                       : verb == QLatin1String("start") ? StepOps::Start
                                                        : StepOps::Delete;
    const QString text = op == StepOps::Pause   ? QStringLiteral("暂停")
                         : op == StepOps::Start ? QStringLiteral("启用")
                                                : QStringLiteral("删除");
    const QStringList ids = s.invocation.operands.mid(1);
    const Record *only = ids.size() == 1 ? findRecord(live, ids.first().toInt()) : nullptr;
    CliJob job(
        s, QStringLiteral("record"),
        ids.size() == 1
            ? QStringLiteral("%1 %2 (%3)").arg(text, only ? only->host : ids.first(), dm->name)
            : QStringLiteral("%1 %2 个记录 (%3)").arg(text).arg(ids.size()).arg(dm->name));
    for (const QString &id : ids) {
        const Record *before = findRecord(live, id.toInt());
        if (!before) {
            job.refuse(id, QStringLiteral("no record %1 in %2").arg(id, dm->name));
            continue;
        }
        job.add(id, dm->name, dm->id, recordStep(op, before));
    }
    return job.run();
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
