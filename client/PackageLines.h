#pragma once

#include "client/Types.h"

#include <QList>
#include <QString>

// The viewID of a line the domain's package does not include: shown greyed, never chosen.
constexpr int kLineNotInPackage = -1;

// The line types a chooser offers: those of the record's domain, else those of domain, else
// every type when allLines is set and the basic ones otherwise. record's domain must be alive.
QString lineTypeFor(const Record *record, const Domain *domain, bool allLines);

// The entries of a line chooser, in the service's order: every top-level line of allViews; one
// the package includes (it is in packageLines) carries the sub-lines the package includes, one
// it does not carries viewID kLineNotInPackage and no sub-lines. Without the service's list
// the package's own lines are the entries, and without either the default line alone.
QList<View> packageLineTree(const QList<View> &allViews, const QList<View> &packageLines);
