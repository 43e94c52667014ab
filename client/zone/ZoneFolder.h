#pragma once

#include "client/Types.h"

#include <QList>
#include <QString>
#include <QStringList>

// A zone file carries no lines, so a domain is exported as one file per line it uses.

// The file of domain's records on lineID: "<domain>.zone" for the default line,
// "<domain>.<lineID>.zone" for the others.
QString zoneFileName(const QString &domain, int lineID);

// The lines records use, the default line first, each once.
QList<int> zoneLinesInUse(const QList<Record> &records);

// Writes one file per line in use into folder. Every file is written in full before any
// replaces what is there, so a failure leaves no file half written. written gets the names in
// line order; false with errorText when the folder or a file cannot be written.
bool writeZoneFolder(const QString &folder, const QString &domain, const QList<Record> &records,
                     QStringList &written, QString &errorText);
