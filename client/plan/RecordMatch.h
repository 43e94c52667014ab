#pragma once

#include "client/Types.h"

#include <QList>
#include <QSharedPointer>
#include <QString>

// What a batch edit or delete row looks for in a domain's records.
struct RecordPattern
{
    QString type; // API type code, compared exactly
    QString host;
    int lineID = 0;
    QString value;
};

// Types whose values name a host and so end in a dot: CNAME, MX and NS.
bool typeTakesFinalDot(const QString &type);

// value with a "." at its end; an empty value stays empty.
QString withFinalDot(const QString &value);

// True when record is what pattern describes: same type, host, line and value, the values of
// the dotted types compared with their final dots.
bool recordMatches(const Record &record, const RecordPattern &pattern);

// Every record of records that matches pattern, in list order, by owning handle so that the
// caller may keep them across calls that reload the list.
QList<QSharedPointer<Record>> matchingRecords(const RecordList &records,
                                              const RecordPattern &pattern);
