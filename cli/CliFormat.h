#pragma once

#include "client/Types.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Columns of a table for people: each padded to its widest cell (CJK characters count two),
// two spaces apart, a header line first, no trailing blanks. Ends with a line feed.
QString formatTable(const QStringList &headers, const QList<QStringList> &rows);

// Terminal columns taken by text.
int displayWidth(const QString &text);

// JSON text with a final line feed.
QString jsonText(const QJsonValue &value);

// The JSON form of each record type, as --json prints it.
QJsonObject domainJson(const Domain &dm);
QJsonObject recordJson(const Record &r);
QJsonObject groupJson(const Group &g);
QJsonObject viewJson(const View &v);
QJsonObject messageJson(const DMsg &m);

// Words for the service's numeric states.
QString domainStateText(const Domain &dm);
QString recordStateText(const Record &r);
QString messageStateText(const DMsg &m);
