#pragma once

#include "client/Types.h"
#include "client/plan/ChangePlan.h"
#include "client/zone/ZoneRecords.h"

#include <QList>
#include <QString>

// Compares the file's records with the domain's live records on line lineID and plans the
// import as one DomainPlan of domain (its domainID left to the caller): per record of the file
// a step with its fileLine: create (in the file only), change (same host, type, line and value;
// TTL or MX differ: changed in place, the service's spelling of host and value kept), unchanged,
// problem (the service would refuse it; why in problem) or skip (left out by rule: SOA, NS at
// the apex, types the service lacks, names outside the domain, repeats; why in problem). With
// prune, live records of that line missing from the file are deleted, except NS at the apex,
// paused records and records a zone file cannot carry: importing an export plans nothing. The
// deletions come first, as the job runs them, then the file's skipped records, then the file's
// records in order. The warnings are the risks that need the user's explicit yes: targets
// written without a final dot, a set of one host and type whose records would carry different
// TTLs (name servers serve one per set), and the change-plan engine's warnings; the last two
// only where the plan creates or changes records.
ChangePlan planZoneImport(const ZoneFile &file, const QString &domain, const QList<Record> &live,
                          int lineID, bool prune);

// The job of an import plan for the domain domainID: only the steps that send requests,
// deletions first so that a record replacing another on its host (a CNAME for an A) is not
// refused as a clash, then changes, then creations.
ChangePlan zoneImportJob(const ChangePlan &plan, int domainID);
