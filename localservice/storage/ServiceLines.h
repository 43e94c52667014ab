#pragma once

#include <QJsonObject>
#include <QList>
#include <QSet>
#include <QString>

// One resolution line of the service with its finer lines (one level only).
struct ServiceLine
{
    int viewId = 0;
    int areaType = 0; // the line family a service package may include
    QString name;
    QList<ServiceLine> subLines;
    bool subLinesAsObject = false; // sent as {"id": "name", ...} instead of an array
};

// The service's lines: default and carriers (area 1), carrier provinces (2), smaller carriers
// (3), overseas (4, regions in the object form) and search-engine crawlers (5).
const QList<ServiceLine> &serviceLines();

// The "data" of the line list: one member per top-level line, keyed by its id.
QJsonObject serviceLinesJson();

// The line ids a package of viewType ("1", "1,2", ...) may use: the lines of the allowed area
// types and their sub-lines of allowed area types.
QSet<int> allowedLineIds(const QString &viewType);
