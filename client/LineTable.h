#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The service's standard resolution lines by line id, with the names the service shows.
QMap<int, QString> buildViewNames();

// The eight top-level line families offered for filtering, and their line ids as text.
QStringList lineCategoryNameList();
QStringList lineCategoryIdList();

// The record types the editors offer.
QStringList recordTypeList();

// The line whose records answer when a record set has none on lineID: a carrier's province
// falls back to the whole carrier, an overseas region to "国外", one crawler to "SEO", and
// every other line to the default line (0), which has no parent (-1).
int parentLine(int lineID);
