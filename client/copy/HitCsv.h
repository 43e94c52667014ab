#pragma once

#include "client/copy/LocalCopy.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// One field of a CSV file as RFC 4180 writes it, made safe to open in a spreadsheet: text a
// spreadsheet would take for a formula (starting with =, +, -, @, a tab or a carriage return)
// gets a leading apostrophe, and a field with a comma, a quote or a line break is quoted, its
// quotes doubled.
QString csvField(const QString &text);

// The hits of a search as a CSV file: a title row, then one row per hit with its domain, host,
// type, line, value, MX (empty for other types), TTL, status and when its domain was read (UTC,
// ISO 8601). UTF-8 with a byte-order mark, so that spreadsheets read the Chinese titles; lines
// end in CRLF.
QByteArray searchHitsCsv(const QVector<CopyHit> &hits);
