#pragma once

#include "client/Types.h"
#include "client/plan/ChangePlan.h"
#include "client/zone/ZoneRecords.h"

#include <QList>
#include <QString>
#include <QStringList>

// What an import does with one record. The shape follows the change plans of batch jobs: per
// domain a list of steps, each with the record before and after.
enum class ZoneStepOp
{
    Create,    // in the file only
    Change,    // same host, type, line and value; TTL or MX differ: changed in place
    Unchanged, // the same record on both sides
    Delete,    // on the line but not in the file (only when pruning)
    Problem,   // the service would refuse it; nothing is sent for it
    Skip       // left out by rule (SOA, NS at the apex, types the service lacks, duplicates)
};

struct ZoneStepRecord
{
    int id = 0; // the service's record id (before) or 0
    QString host;
    QString type;
    QString value;
    int ttl = 0;
    int mx = 0;
    int lineID = 0;
    int state = 0;
};

struct ZoneStep
{
    ZoneStepOp op = ZoneStepOp::Unchanged;
    int fileLine = 0;      // 0 for a record that only the service has
    ZoneStepRecord before; // the service's record: Change, Unchanged, Delete
    ZoneStepRecord after;  // the file's record: Create, Change, Unchanged, Problem, Skip
    QString reason;        // Problem and Skip
};

struct ZonePlan
{
    QString domain;
    int lineID = 0;
    QList<ZoneStep> steps;
    // Risks of the result that need the user's explicit yes: the change-plan engine's
    // warnings (only on hosts the plan touches) and targets written without a final dot.
    QStringList warnings;

    int count(ZoneStepOp op) const;
    // Whether applying the plan sends anything.
    bool hasWork() const;
};

// Compares the file's records with the domain's live records on line lineID. With prune, live
// records of that line missing from the file are deleted, except NS at the apex, paused
// records and records a zone file cannot carry: importing an export plans nothing.
ZonePlan planZoneImport(const ZoneFile &file, const QString &domain, const QList<Record> &live,
                        int lineID, bool prune);

// The plan's requests as the job engine runs them, deletions first so that a record replacing
// another on its host (a CNAME for an A) is not refused as a clash. live is every record of
// the domain the plan was made from: the job skips the domain when it changed since.
DomainPlan zoneDomainPlan(const ZonePlan &plan, int domainID, const QList<Record> &live);

// The name of an op in plans printed for people and scripts.
QString zoneStepOpName(ZoneStepOp op);
