#pragma once

#include "client/Types.h"

#include <QJsonValue>
#include <QList>
#include <QString>

// The service's full line list ("/api/service/allviews/"): top-level lines in the object's key
// order, each with its sub-lines, which arrive either as an array of line objects or as an
// object mapping decimal line ids to names.
QList<View> readAllViews(const QJsonValue &data);

// The lines a package of viewTypeStr (comma-separated area types) may use, flat: each allowed
// top-level line without its sub-lines, followed by its allowed sub-lines.
QList<View> filterViewsByType(const QList<View> &allViews, const QString &viewTypeStr);

// The first line with id vid, top-level before its sub-lines; an empty line when none.
View findView(const QList<View> &vlist, int vid);
