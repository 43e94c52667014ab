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

// A name of an export's file that is taken in the folder by something other than a regular
// file. An export never replaces it: a FIFO or socket may be another program's, a link may
// point anywhere, a folder holds what the user kept there.
struct ZoneFolderBlock
{
    enum Kind
    {
        Folder,
        Link,
        Fifo,
        Socket,
        Device,
        Other
    };
    QString name;
    Kind kind = Other;
};

// "已存在且不是普通文件" for the window: each blocked name with what it is.
QString zoneFolderBlockText(const QList<ZoneFolderBlock> &blocked);

// Writes one file per line in use into folder (writeZone with nameServers), named by zoneFileName
// with the line's name as the records carry it (two lines whose names come out alike get their ids
// too). Every file is written in full before any replaces what is there, so a failure leaves no
// file half written; a regular file of a name is replaced. When any name is taken by something
// else (ZoneFolderBlock) nothing is written: false, with those names in blocked and
// zoneFolderBlockText in errorText. written gets the names in line order; false with errorText
// when the folder or a file cannot be written.
bool writeZoneFolder(const QString &folder, const QString &domain, const QList<Record> &records,
                     QStringList &written, QString &errorText, const QStringList &nameServers = {},
                     QList<ZoneFolderBlock> *blocked = nullptr);
