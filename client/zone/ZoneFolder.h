#pragma once

#include "client/Types.h"

#include <QList>
#include <QString>
#include <QStringList>

// A zone file carries no lines, so a domain is exported as one file per line it uses.

// The file of domain's records on lineID: "<domain>.zone" for the default line,
// "<domain>.<line name>.zone" for the others ("example.cn.电信.zone"), the name in a form safe
// for a file name (no path separators, control characters or leading dots); the line's id in
// its place where the name is unknown or nothing of it is left.
QString zoneFileName(const QString &domain, int lineID, const QString &lineName = QString());

// The lines records use, the default line first, each once.
QList<int> zoneLinesInUse(const QList<Record> &records);

// Writes one file per line in use into folder (writeZone with nameServers), named by zoneFileName
// with the line's name as the records carry it (two lines whose names come out alike get their ids
// too). Every file is written in full before any replaces what is there, so a failure leaves no
// file half written. written gets the names in line order; false with errorText when the folder or
// a file cannot be written.
bool writeZoneFolder(const QString &folder, const QString &domain, const QList<Record> &records,
                     QStringList &written, QString &errorText, const QStringList &nameServers = {});
