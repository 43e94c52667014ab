#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliJournaled.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/DomainFilter.h"
#include "client/User.h"
#include "client/journal/JobSteps.h"

#include <QJsonArray>

namespace {

QString lockText(const Domain &dm)
{
    return dm.userLock != 0 ? QStringLiteral("locked") : QStringLiteral("-");
}

// The named domains, every name found, each with the shared handle that keeps it alive while
// a request waits; false with exit set when a name is unknown or the list cannot be read.
bool namedDomains(CliSession &s, QList<QSharedPointer<Domain>> &domains, int &exit)
{
    QList<Domain *> found;
    if (!s.loadDomains(exit) || !s.resolveDomains(s.invocation.operands, found, exit))
        return false;
    for (Domain *dm : found)
        domains.append(s.user.domains.sharedOf(dm));
    return true;
}

// The summary a job over domains is journaled under, as the window words it.
QString domainSummary(const QString &verb, const QList<QSharedPointer<Domain>> &domains)
{
    if (domains.size() == 1)
        return QStringLiteral("%1 %2").arg(verb, domains.first()->name);
    return QStringLiteral("%1 %2 个域名").arg(verb).arg(domains.size());
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
    // Only the form that is printed is built: with 10,000 domains the other is measurable work.
    const bool json = s.json();
    QJsonArray array;
    QList<QStringList> rows;
    for (const Domain &dm : s.user.domains) {
        if (!domainMatchesFilter(dm, group, search))
            continue;
        if (json)
            array.append(domainJson(dm));
        else
            rows.append({QString::number(dm.id), dm.name, domainStateText(dm), lockText(dm),
                         dm.groupID ? QString::number(dm.groupID) : QStringLiteral("-")});
    }
    // A later page that failed leaves the domains read so far: print them, but fail.
    if (complete || !s.user.domains.isEmpty())
        s.print(array, json ? QString()
                            : formatTable({QStringLiteral("ID"), QStringLiteral("NAME"),
                                           QStringLiteral("STATE"), QStringLiteral("LOCK"),
                                           QStringLiteral("GROUP")},
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
    const QStringList &names = s.invocation.operands;
    CliJob job(s, QStringLiteral("domain"),
               names.size() == 1 ? QStringLiteral("添加 %1").arg(names.first().trimmed())
                                 : QStringLiteral("添加 %1 个域名").arg(names.size()));
    for (const QString &name : names) {
        // Undo deletes it again: the job learns its id from the domain list.
        Domain added;
        added.name = name.trimmed();
        PlanStep step;
        step.op = StepOps::DomainCreate;
        step.after = domainToJson(added);
        job.add(added.name, added.name, -1, step);
    }
    return job.run();
}

int cmdDomainChange(CliSession &s)
{
    const QString verb = s.invocation.command.section(QLatin1Char(' '), 1);
    struct Verb
    {
        const char *word;
        QString op;
        QString text;
    };
    const Verb verbs[] = {{"pause", StepOps::DomainPause, QStringLiteral("暂停")},
                          {"start", StepOps::DomainStart, QStringLiteral("启用")},
                          {"lock", StepOps::DomainLock, QStringLiteral("锁定")},
                          {"unlock", StepOps::DomainUnlock, QStringLiteral("解锁")},
                          {"delete", StepOps::DomainDelete, QStringLiteral("删除")}};
    const Verb *chosen = &verbs[4];
    for (const Verb &v : verbs) {
        if (verb == QLatin1String(v.word))
            chosen = &v;
    }
    int exit = ExitOk;
    QList<QSharedPointer<Domain>> domains;
    if (!namedDomains(s, domains, exit))
        return exit;
    CliJob job(s, QStringLiteral("domain"), domainSummary(chosen->text, domains));
    for (const QSharedPointer<Domain> &dm : domains) {
        if (chosen->op != StepOps::DomainDelete) {
            job.add(dm->name, dm->name, dm->id, domainStep(chosen->op, *dm));
            continue;
        }
        // Its records, group and package go into the journal first, so that undo can put the
        // domain back; a domain whose records cannot be read is not deleted.
        PlanStep deletion;
        QString error;
        s.beginCall();
        if (domainDeleteStep(s.user, *dm, deletion, error))
            job.add(dm->name, dm->name, dm->id, deletion);
        else
            job.refuse(dm->name, QStringLiteral("读取域名的解析记录失败，未删除：") + error);
    }
    return job.run();
}

int cmdDomainMove(CliSession &s)
{
    const int group = s.invocation.options.value(QStringLiteral("group")).toInt();
    int exit = ExitOk;
    QList<QSharedPointer<Domain>> domains;
    if (!namedDomains(s, domains, exit))
        return exit;
    CliJob job(s, QStringLiteral("domain"),
               QStringLiteral("移动 %1 个域名到分组 %2").arg(domains.size()).arg(group));
    for (const QSharedPointer<Domain> &dm : domains)
        job.add(dm->name, dm->name, dm->id, domainStep(StepOps::DomainMove, *dm, group));
    return job.run();
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
