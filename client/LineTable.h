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
