#pragma once

#include "client/copy/LocalCopy.h"
#include "client/plan/ChangePlan.h"

#include <QList>
#include <QString>

// New fields for records found by a search: an empty value or TTL and a negative line keep
// that field of each record.
struct HitEdit
{
    QString newValue;
    QString newTtl;
    int newLineID = -1;
    QString newLineName;

    bool isEmpty() const { return newValue.isEmpty() && newTtl.isEmpty() && newLineID < 0; }
};

// False with the reason for people when edit asks nothing or its TTL is not a whole number of
// seconds from 1 up.
bool checkHitEdit(const HitEdit &edit, QString &error);

// The journal's kind for a change of search hits.
inline const QString kHitEditKind = QStringLiteral("search-edit");

// The steps of edit for the hits of one domain, with the domain's records live: per hit a change
// addressed by the record's id, unchanged when the new fields change nothing, not-found when the
// record is gone and a conflict when it no longer is what the search found (it changed since
// the copy was read), and a problem when the service would refuse the new fields for that
// record's type. A domain that is null is an unknown domain; a locked or paused one gets a
// single step saying so. No other record gets a step.
DomainPlan planHitEditDomain(const QList<CopyHit> &hits, const HitEdit &edit, const QString &name,
                             const Domain *dm, const QList<Record> &live);
