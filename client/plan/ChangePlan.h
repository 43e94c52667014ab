#pragma once

#include "client/Types.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What a step of a plan or a journaled job does. Records: create, change (before -> after),
// delete, pause, start. Domains: the domain-* operations; domain-delete keeps the whole domain
// (group, package, records) in before, and domain-create puts such a domain back. The rest are
// outcomes a plan reports without a request.
namespace StepOps {
inline const QString Create = QStringLiteral("create");
inline const QString Change = QStringLiteral("change");
inline const QString Delete = QStringLiteral("delete");
inline const QString Pause = QStringLiteral("pause");
inline const QString Start = QStringLiteral("start");
inline const QString DomainPause = QStringLiteral("domain-pause");
inline const QString DomainStart = QStringLiteral("domain-start");
inline const QString DomainLock = QStringLiteral("domain-lock");
inline const QString DomainUnlock = QStringLiteral("domain-unlock");
inline const QString DomainMove = QStringLiteral("domain-move");
inline const QString DomainDelete = QStringLiteral("domain-delete");
inline const QString DomainCreate = QStringLiteral("domain-create");
// No request: the plan only reports these.
inline const QString Unchanged = QStringLiteral("unchanged");
inline const QString NotFound = QStringLiteral("not-found");
inline const QString UnknownDomain = QStringLiteral("unknown-domain");
inline const QString Locked = QStringLiteral("locked");
inline const QString Paused = QStringLiteral("paused");
inline const QString Problem = QStringLiteral("problem");
inline const QString Skip = QStringLiteral("skip"); // left out by rule (a zone file's SOA)
inline const QString AlreadyReverted = QStringLiteral("already-reverted");
inline const QString Conflict = QStringLiteral("conflict");
} // namespace StepOps

// Whether op sends a request when its step runs.
bool opSendsRequest(const QString &op);

// One step. before and after are records in recordToJson's form for record operations, and
// domains in domainToJson's form for domain operations; empty where there is none.
struct PlanStep
{
    QString op;
    QJsonObject before;
    QJsonObject after;
    QString problem; // why a step sends nothing or is a conflict, for people
    // A step planned from a file (a zone import): the line of its record there; 0 for a record
    // only the service has.
    int fileLine = 0;
    // Undo: the journal step this one reverts, and whether a conflict is overridden; what the
    // record (or domain) is now, empty when none stands there, and what the reverted step left,
    // so that a conflict shows both.
    qint64 reverts = 0;
    bool forced = false;
    QJsonObject now;
    QJsonObject left;
    // A change: the fields its request names (host, type, value, ttl, mx, line), for a change
    // someone asked for field by field; empty names them all (MX only for an MX record).
    QStringList fields;
};

// The steps of one domain, and the records it had when the plan was made: a job looks at the
// domain again right before changing it and skips it when they differ. liveKnown is false for
// steps planned without a look at the records (a single change from the record page).
struct DomainPlan
{
    QString domain;
    int domainID = -1;
    QList<PlanStep> steps;
    bool liveKnown = false;
    QList<Record> live;
};

// A step that sends nothing, and why.
PlanStep problemStep(const QString &op, const QString &problem, const QJsonObject &before = {});

// Starts the plan of a record change on the domain name (dm as the account has it, null when
// unknown; live its records as read now). False when the domain cannot be changed (unknown,
// locked, paused): the plan then holds the one step that says why.
bool startRecordPlan(DomainPlan &plan, const QString &name, const Domain *dm,
                     const QList<Record> &live);

// The creates and changes of plan that the service would refuse, each judged against the
// records as the steps before it leave them, made problem steps: nothing is sent for them.
// The service refuses (result code 3008) an identical record on the host and line, or a CNAME
// beside an A or CNAME record of the same host and line (either way round); the record a
// change replaces is not counted. Other types may stand beside a CNAME; the plan warns of that
// instead.
void markServiceRefusals(DomainPlan &plan);

struct PlanWarning
{
    QString code; // cname-beside-others, ns-at-apex, second-spf, large-change
    QString domain;
    QString host;
    QString text; // for people
};

// A plan over many domains. Other planners (zone imports, undo) fill the same type.
struct ChangePlan
{
    QList<DomainPlan> domains;
    QList<PlanWarning> warnings;
    // Number of steps per op over every domain.
    QMap<QString, int> counts() const;
    // Whether any step sends a request.
    bool changesAnything() const;
    // The warnings' texts, for people, in their order.
    QStringList warningTexts() const;
};

// The warnings every plan is checked for, from each domain's live records and its steps:
// a CNAME beside other records on the same host and line; NS at the apex; a second SPF record
// (TXT beginning "v=spf1") on the same host and line; more than 30 % of a domain's records
// (of 10 or more) changed or deleted. Only hosts that the plan creates or changes records on
// are checked for the first three, so a plan is not blamed for what it leaves alone.
QList<PlanWarning> planWarnings(const QList<DomainPlan> &domains);

// A domain as the journal keeps it: id, name, state, locked, groupID, serviceID, viewType.
QJsonObject domainToJson(const Domain &dm);
