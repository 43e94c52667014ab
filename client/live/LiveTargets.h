#pragma once

#include "client/Types.h"

#include <QList>
#include <QMap>
#include <QString>

struct JournalStep;

// A record set on one line: the records of one host and type that answer one line.
struct RecordSetKey
{
    QString host; // normalized ("@" for the apex)
    QString type; // upper case
    int lineID = 0;
    bool operator==(const RecordSetKey &o) const
    {
        return host == o.host && type == o.type && lineID == o.lineID;
    }
    bool operator<(const RecordSetKey &o) const;
};

// Which record sets to check: every one, or those of a host, a type, a line (-1: any), or
// exactly the sets listed (the ones a job changed).
struct LiveScope
{
    QString host;
    QString type;
    int lineID = -1;
    bool onlySets = false;
    QList<RecordSetKey> sets;
};

// One value a name server should serve.
struct ExpectedValue
{
    QString value;
    int mx = 0;
    int ttl = 0;
};

// One record set on one line, and what the name servers should answer a client of that line.
struct LiveTarget
{
    RecordSetKey key;
    // The line whose records answer: key.lineID when it holds running records, else the nearest
    // parent line that does (a paused or deleted set falls back), else -1: nothing is served.
    int answeringLine = 0;
    QList<ExpectedValue> expected; // the running records of answeringLine
    QList<int> recordIDs;          // the account's records of the set, paused ones too
    // Served must include expected rather than equal it (a record that only has to be there).
    bool includesOnly = false;
};

// The targets for the records of one domain (the account's whole list, paused records too).
// The apex NS records are the service's own and not checked.
QList<LiveTarget> liveTargets(const QList<Record> &records, const LiveScope &scope);

// Targets that need only these records served, whatever else the set holds (each on its line).
QList<LiveTarget> servedTargets(const QList<Record> &records);

// The record sets a job's settled steps changed, by domain name: before and after of every
// record step that was carried out.
QMap<QString, QList<RecordSetKey>> jobRecordSets(const QList<JournalStep> &steps);

// The name a record set answers for, in ASCII without the final dot.
QString liveQueryName(const QString &host, const QString &domain);

// The form two values of a type are compared in.
QString comparableValue(const QString &type, const QString &value);
