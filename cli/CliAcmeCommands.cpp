#include "cli/CliCommands.h"
#include "cli/CliJournaled.h"
#include "cli/CliLiveSettings.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/acme/AcmeChallenge.h"
#include "client/live/LiveCheck.h"
#include "client/plan/Previews.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

constexpr int kDefaultTimeoutSecs = 120;
constexpr int kMostTimeoutSecs = 3600;

// Where a challenge goes in the account, read from the service.
struct ChallengeTarget
{
    AcmeChallenge challenge;
    QString domain;
    QString host;
};

bool timeoutOption(const CliSession &s, int &seconds)
{
    const QString text =
        s.invocation.options.value(QStringLiteral("timeout"), QString::number(kDefaultTimeoutSecs));
    bool ok = false;
    seconds = text.toInt(&ok, 10);
    if (ok && seconds >= 1 && seconds <= kMostTimeoutSecs)
        return true;
    printErr(QStringLiteral("halvik-cli: --timeout must be a whole number of seconds from 1 to "
                            "%1\n%2\n")
                 .arg(kMostTimeoutSecs)
                 .arg(usageOf(s.invocation.command)));
    return false;
}

// The challenge of the command's operands or certbot's environment; exit 64 when there is none.
bool readChallenge(const CliSession &s, AcmeChallenge &challenge)
{
    QString error;
    const bool certbot = s.invocation.command.startsWith(QLatin1String("acme certbot-"));
    if (certbot ? certbotChallenge(s.environment, challenge, error)
                : legoChallenge(s.invocation.operands, challenge, error))
        return true;
    printErr(QStringLiteral("halvik-cli: %1\n%2\n").arg(error, usageOf(s.invocation.command)));
    return false;
}

// The account's domain that holds the challenge's name; exit 1 when none does.
bool locate(CliSession &s, ChallengeTarget &target, int &exit)
{
    if (!s.loadDomains(exit))
        return false;
    QStringList names;
    for (int i = 0; i < s.user.domains.size(); ++i)
        names.append(s.user.domains.at(i).name);
    ChallengePlace place;
    if (!placeName(names, target.challenge.fqdn, place)) {
        printErr(QStringLiteral("halvik-cli: %1 is in no domain of this account\n")
                     .arg(target.challenge.fqdn));
        exit = ExitRefused;
        return false;
    }
    target.domain = names.at(place.domain);
    target.host = place.host;
    return true;
}

// Plans the present or cleanup on the domain as it is now and runs it as a journaled job.
// nothingToDo tells that the plan needed no request (the record was there, or already gone).
int change(CliSession &s, const ChallengeTarget &target, bool cleanup, bool &nothingToDo)
{
    BatchPreview preview(s.user, challengeRequest(target.host, target.challenge, cleanup),
                         {target.domain});
    if (!preview.begin(false)) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(preview.errorText()));
        return preview.networkFailed() ? ExitNetwork : ExitRefused;
    }
    while (!preview.atEnd())
        preview.runNext();
    if (preview.networkFailed())
        return ExitNetwork;
    CliJob job(s, QStringLiteral("record"),
               QStringLiteral("acme %1 %2")
                   .arg(cleanup ? QStringLiteral("cleanup") : QStringLiteral("present"),
                        target.challenge.fqdn));
    nothingToDo = true;
    for (const DomainPlan &d : preview.plan().domains) {
        for (const PlanStep &step : d.steps) {
            if (opSendsRequest(step.op))
                job.add(target.challenge.fqdn, d.domain, d.domainID, step);
            else if (step.op != StepOps::Unchanged && step.op != StepOps::NotFound)
                job.refuse(target.challenge.fqdn, step.problem);
            else
                continue;
            nothingToDo = false;
        }
    }
    return job.run(false);
}

// Every name server that does not serve the record, one line each.
QString notServingText(const ServedWait &wait)
{
    QStringList lines;
    for (const LiveResult &r : wait.report.results) {
        if (r.state != LiveState::Live)
            lines.append(resultText(wait.report, r));
    }
    return lines.isEmpty() ? wait.notLive : lines.join(QLatin1Char('\n'));
}

QJsonObject targetJson(const ChallengeTarget &target)
{
    return QJsonObject{{QStringLiteral("fqdn"), target.challenge.fqdn},
                       {QStringLiteral("domain"), target.domain},
                       {QStringLiteral("host"), target.host},
                       {QStringLiteral("type"), QStringLiteral("TXT")},
                       {QStringLiteral("value"), target.challenge.value}};
}

} // namespace

int cmdAcmePresent(CliSession &s)
{
    ChallengeTarget target;
    int timeoutSecs = 0;
    if (!readChallenge(s, target.challenge) || !timeoutOption(s, timeoutSecs))
        return ExitUsage;
    LiveSettings live;
    int exit = ExitOk;
    if (!commandLiveSettings(s, live, exit) || !locate(s, target, exit))
        return exit;
    bool there = false;
    exit = change(s, target, false, there);
    if (exit != ExitOk)
        return exit;

    Record record;
    record.host = target.host;
    record.type = QStringLiteral("TXT");
    record.value = target.challenge.value;
    record.ttl = kChallengeTtl;
    const ServedWait wait = waitUntilServed(live, target.domain, {record}, timeoutSecs);
    if (!wait.served) {
        printErr(QStringLiteral("halvik-cli: %1 is not served by every name server after %2 "
                                "seconds:\n%3\n")
                     .arg(target.challenge.fqdn)
                     .arg(timeoutSecs)
                     .arg(notServingText(wait)));
        // What this run added goes again: no challenge is left behind when the ACME client
        // gives up without its cleanup.
        bool gone = false;
        if (!there)
            change(s, target, true, gone);
        return qMax(int(ExitRefused), wait.report.exitCode());
    }
    QJsonObject o = targetJson(target);
    o.insert(QStringLiteral("added"), !there);
    QJsonArray servers;
    for (const LiveServer &server : wait.report.servers)
        servers.append(server.name);
    o.insert(QStringLiteral("servedBy"), servers);
    s.print(o, QStringLiteral("%1 TXT %2: %3, served by every name server\n")
                   .arg(target.challenge.fqdn, target.challenge.value,
                        there ? QStringLiteral("already there") : QStringLiteral("added")));
    return ExitOk;
}

int cmdAcmeCleanup(CliSession &s)
{
    ChallengeTarget target;
    if (!readChallenge(s, target.challenge))
        return ExitUsage;
    int exit = ExitOk;
    if (!locate(s, target, exit))
        return exit;
    bool gone = false;
    exit = change(s, target, true, gone);
    if (exit != ExitOk)
        return exit;
    QJsonObject o = targetJson(target);
    o.insert(QStringLiteral("removed"), !gone);
    s.print(o, QStringLiteral("%1 TXT %2: %3\n")
                   .arg(target.challenge.fqdn, target.challenge.value,
                        gone ? QStringLiteral("already gone") : QStringLiteral("removed")));
    return ExitOk;
}
