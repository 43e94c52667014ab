#pragma once

#include "client/live/DnsQueries.h"
#include "client/live/LiveTargets.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// One of the domain's authoritative name servers.
struct LiveServer
{
    QString name;    // as the domain's NS record names it
    QString address; // the address asked
};

enum class LiveState
{
    Live,    // serves exactly what the account holds for the line
    Differs, // serves something else
    Missing, // serves nothing for the name and type
    NoAnswer // did not answer, or answered with an error
};

// What one name server answers for one record set on one line.
struct LiveResult
{
    int target = 0; // index into LiveReport::targets
    int server = 0; // index into LiveReport::servers
    LiveState state = LiveState::NoAnswer;
    QList<ServedRecord> served; // records of the set's type it serves
    QString note;               // why it is not live, for people
    // The line was asked with this subnet; empty: the line has no known subnet (or is the
    // default line) and was asked without the option.
    QString subnet;
};

struct LiveReport
{
    QString domain;
    QList<LiveServer> servers;
    QList<LiveTarget> targets;
    QList<LiveResult> results;
    QString error; // the name servers could not be found: nothing was checked
    bool stopped = false;

    bool allLive() const;
    // Whether any name server answered any question.
    bool anyAnswer() const;
    // halvik-cli's exit code: 0 all live, 1 something is not, 2 no name server answered.
    int exitCode() const;
    // The results of one target, by server order.
    QList<LiveResult> resultsOf(int target) const;
    // The first result that is not live, for a message naming it; null when all are.
    const LiveResult *firstNotLive() const;
};

// What the check says of one record of the account: live when every name server serves its set
// on its line as the account holds it; otherwise the name servers and lines that do not, one
// line each, for a tool tip or a list.
struct RecordVerdict
{
    bool live = true;
    QStringList problems;
};
QHash<int, RecordVerdict> recordVerdicts(const LiveReport &report);

// One line for people: how many records are live on how many name servers, which name servers
// did not answer, which lines were asked without a subnet, or why nothing could be checked.
QString liveSummaryText(const LiveReport &report);

// The state of what reply says about target: exact values, MX priorities and TTLs compared.
LiveResult judgeReply(const LiveTarget &target, const DnsReply &reply);

// Texts for people: the state, a served record, and a line saying what a result is.
QString liveStateText(LiveState state);
QString servedText(const ServedRecord &r);
QString resultText(const LiveReport &report, const LiveResult &result);
