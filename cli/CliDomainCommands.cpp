#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/DomainFilter.h"
#include "client/User.h"

#include <QJsonArray>

#include <functional>

namespace {

QString lockText(const Domain &dm)
{
    return dm.userLock != 0 ? QStringLiteral("locked") : QStringLiteral("-");
}

// Runs op on each named domain after every name was found; one outcome per name.
int forEachDomain(CliSession &s, const std::function<bool(Domain &)> &op)
{
    int exit = ExitOk;
    QList<Domain *> found;
    if (!s.loadDomains(exit) || !s.resolveDomains(s.invocation.operands, found, exit))
        return exit;
    QList<ItemResult> results;
    for (Domain *dm : found) {
        // Hold the entry: a nested reload cannot free it while its request waits.
        const QSharedPointer<Domain> held = s.user.domains.sharedOf(dm);
        s.beginCall();
        results.append(s.outcome(dm->name, op(*dm)));
    }
    return s.reportItems(results);
}

Group *findGroup(CliSession &s, int id, int &exit)
{
    s.beginCall();
    s.user.getGroup();
    if (!s.user.errorText.isEmpty()) {
        exit = s.failed(QStringLiteral("reading the group list"));
        return nullptr;
    }
    for (Group &g : s.user.groups) {
        if (g.groupID == id)
            return &g;
    }
    printErr(QStringLiteral("halvik-cli: no group %1 in this account\n").arg(id));
    exit = ExitRefused;
    return nullptr;
}

int simpleResult(CliSession &s, bool ok, const QString &what)
{
    if (!ok)
        return s.failed(what);
    s.print(QJsonObject{{QStringLiteral("ok"), true}}, QStringLiteral("ok\n"));
    return ExitOk;
}

} // namespace

int cmdDomains(CliSession &s)
{
    int exit = ExitOk;
    const bool complete = s.loadDomains(exit);
    const int group = s.invocation.options.value(QStringLiteral("group")).toInt();
    const QString search = s.invocation.options.value(QStringLiteral("search"));
    QJsonArray array;
    QList<QStringList> rows;
    for (const Domain &dm : s.user.domains) {
        if (!domainMatchesFilter(dm, group, search))
            continue;
        array.append(domainJson(dm));
        rows.append({QString::number(dm.id), dm.name, domainStateText(dm), lockText(dm),
                     dm.groupID ? QString::number(dm.groupID) : QStringLiteral("-")});
    }
    // A later page that failed leaves the domains read so far: print them, but fail.
    if (complete || !s.user.domains.isEmpty())
        s.print(array,
                formatTable({QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("STATE"),
                             QStringLiteral("LOCK"), QStringLiteral("GROUP")},
                            rows));
    return exit;
}

int cmdDomainAdd(CliSession &s)
{
    // A line break would make the service client add several domains under one name.
    for (const QString &name : s.invocation.operands) {
        if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
            printErr(QStringLiteral("halvik-cli: one domain name per argument\n"));
            return ExitUsage;
        }
    }
    QList<ItemResult> results;
    for (const QString &name : s.invocation.operands) {
        s.beginCall();
        results.append(s.outcome(name.trimmed(), s.user.addDomain(name)));
    }
    return s.reportItems(results);
}

int cmdDomainChange(CliSession &s)
{
    const QString verb = s.invocation.command.section(QLatin1Char(' '), 1);
    User &u = s.user;
    return forEachDomain(s, [&](Domain &dm) {
        if (verb == QLatin1String("pause"))
            return u.pauseDomain(dm.id);
        if (verb == QLatin1String("start"))
            return u.startDomain(dm.id);
        if (verb == QLatin1String("lock"))
            return u.lockDomain(dm.id);
        if (verb == QLatin1String("unlock"))
            return u.unlockDomain(dm.id);
        return u.delDomain(dm.id);
    });
}

int cmdDomainMove(CliSession &s)
{
    const int group = s.invocation.options.value(QStringLiteral("group")).toInt();
    return forEachDomain(s, [&](Domain &dm) { return s.user.editDMGroup(&dm, group); });
}

int cmdGroups(CliSession &s)
{
    s.beginCall();
    s.user.getGroup();
    if (!s.user.errorText.isEmpty())
        return s.failed(QStringLiteral("reading the group list"));
    QJsonArray array;
    QList<QStringList> rows;
    for (const Group &g : s.user.groups) {
        array.append(groupJson(g));
        rows.append({QString::number(g.groupID), g.groupName, QString::number(g.displayOrder)});
    }
    s.print(
        array,
        formatTable({QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("ORDER")}, rows));
    return ExitOk;
}

int cmdGroupAdd(CliSession &s)
{
    const QString name = s.invocation.operands.value(0);
    const int order = s.invocation.options.value(QStringLiteral("order")).toInt();
    s.beginCall();
    return simpleResult(s, s.user.addGroup(name, order),
                        QStringLiteral("creating group %1").arg(name));
}

int cmdGroupEdit(CliSession &s)
{
    const QStringList &ops = s.invocation.operands;
    int exit = ExitOk;
    Group *g = findGroup(s, ops.at(0).toInt(), exit);
    if (!g)
        return exit;
    s.beginCall();
    return simpleResult(s, s.user.editGroup(g, ops.at(1), ops.at(2).toInt()),
                        QStringLiteral("changing group %1").arg(ops.at(0)));
}

int cmdGroupDelete(CliSession &s)
{
    const QString id = s.invocation.operands.value(0);
    int exit = ExitOk;
    Group *g = findGroup(s, id.toInt(), exit);
    if (!g)
        return exit;
    s.beginCall();
    return simpleResult(s, s.user.delGroup(g), QStringLiteral("deleting group %1").arg(id));
}
