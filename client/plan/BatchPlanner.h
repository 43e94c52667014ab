#pragma once

#include "client/plan/ChangePlan.h"
#include "client/plan/RecordMatch.h"

#include <QString>

// A batch add, edit or delete over many domains: what each domain is searched for and what
// becomes of it. An empty new field of an edit keeps that field of each matched record.
struct BatchRequest
{
    enum Kind
    {
        Add,
        Edit,
        Delete
    };
    Kind kind = Add;
    // Add: the record to add (ttl, mx from below). Edit and delete: what to look for.
    RecordPattern match{QStringLiteral("A"), QStringLiteral("@"), 0, QString()};
    int ttl = 600;
    int mx = 10;
    QString newHost;
    QString newType;
    QString newValue;
    QString newLine;
    QString newTtl;
    QString newMx;
};

// The journal's kind for a batch: batch-add, batch-edit or batch-delete.
QString batchKindName(BatchRequest::Kind kind);

// The record an add puts in place, as the service would list it.
Record recordToAdd(const BatchRequest &request);

// The steps of request for one domain with the records live: create or unchanged (an identical
// record exists) for an add; a change per matched record (unchanged when the new fields change
// nothing) for an edit; a delete per matched record; not-found when nothing matches; a problem
// for a create or change the service would refuse (markServiceRefusals). A domain
// that is null is an unknown domain; a locked or paused one gets a single step saying so.
DomainPlan planBatchDomain(const BatchRequest &request, const QString &name, const Domain *dm,
                           const QList<Record> &live);
