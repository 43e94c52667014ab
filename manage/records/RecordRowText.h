#pragma once

#include "client/Types.h"

#include <QString>
#include <QStringList>

// What the cells of a record row show.

// The display name of an API type: names and codes are parallel lists; the first code that
// starts with type (ignoring case) gives the name, none (or no type) gives empty text.
QString recordTypeName(const QStringList &names, const QStringList &codes, const QString &type);

// The MX cell: the priority of an MX record, "-" for every other type.
QString recordMxText(const Record &record);

// The name of a record's line, "未知" when the line is unknown.
QString recordLineText(const View &line);

// The operations column: 130 pixels, 89 once the table holds more than 10 rows (a scroll bar
// then takes part of the table's width).
int operationsColumnWidth(int rowCount);
