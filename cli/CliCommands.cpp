#include "cli/CliCommands.h"

#include "cli/CliSession.h"

#include <QHash>

int runCommand(CliSession &session)
{
    using Handler = int (*)(CliSession &);
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("login"), cmdLogin},
        {QStringLiteral("logout"), cmdLogout},
        {QStringLiteral("whoami"), cmdWhoami},
        {QStringLiteral("version"), cmdVersion},
        {QStringLiteral("register"), cmdRegister},
        {QStringLiteral("device-id"), cmdDeviceId},
        {QStringLiteral("scramble"), cmdScramble},
        {QStringLiteral("unscramble"), cmdUnscramble},
        {QStringLiteral("domains"), cmdDomains},
        {QStringLiteral("domain add"), cmdDomainAdd},
        {QStringLiteral("domain pause"), cmdDomainChange},
        {QStringLiteral("domain start"), cmdDomainChange},
        {QStringLiteral("domain lock"), cmdDomainChange},
        {QStringLiteral("domain unlock"), cmdDomainChange},
        {QStringLiteral("domain delete"), cmdDomainChange},
        {QStringLiteral("domain move"), cmdDomainMove},
        {QStringLiteral("groups"), cmdGroups},
        {QStringLiteral("group add"), cmdGroupAdd},
        {QStringLiteral("group edit"), cmdGroupEdit},
        {QStringLiteral("group delete"), cmdGroupDelete},
        {QStringLiteral("records"), cmdRecords},
        {QStringLiteral("record add"), cmdRecordAdd},
        {QStringLiteral("record edit"), cmdRecordEdit},
        {QStringLiteral("record pause"), cmdRecordChange},
        {QStringLiteral("record start"), cmdRecordChange},
        {QStringLiteral("record delete"), cmdRecordChange},
        {QStringLiteral("lines"), cmdLines},
        {QStringLiteral("batch add"), cmdBatch},
        {QStringLiteral("batch edit"), cmdBatch},
        {QStringLiteral("batch delete"), cmdBatch},
        {QStringLiteral("jobs"), cmdJobs},
        {QStringLiteral("job show"), cmdJobShow},
        {QStringLiteral("undo"), cmdUndo},
        {QStringLiteral("check"), cmdCheck},
        {QStringLiteral("job check"), cmdJobCheck},
        {QStringLiteral("search"), cmdSearch},
        {QStringLiteral("sync"), cmdSync},
        {QStringLiteral("zone export"), cmdZoneExport},
        {QStringLiteral("zone import"), cmdZoneImport},
        {QStringLiteral("acme present"), cmdAcmePresent},
        {QStringLiteral("acme cleanup"), cmdAcmeCleanup},
        {QStringLiteral("acme certbot-auth"), cmdAcmePresent},
        {QStringLiteral("acme certbot-cleanup"), cmdAcmeCleanup},
        {QStringLiteral("messages news"), cmdMessages},
        {QStringLiteral("messages notices"), cmdMessages},
        {QStringLiteral("messages inform"), cmdMessages},
        {QStringLiteral("message read"), cmdMessageRead},
        {QStringLiteral("message show"), cmdMessageShow}};
    const Handler handler = handlers.value(session.invocation.command);
    return handler ? handler(session) : int(ExitUsage);
}
