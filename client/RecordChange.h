#pragma once

#include "client/Types.h"

#include <QString>

// One change that User made to a record on the service, told after the service accepted it,
// so that copies of the account's records can follow without reading them again.
struct RecordChange
{
    enum Kind
    {
        Added,
        Edited,
        Paused,
        Started,
        Removed
    };
    Kind kind = Added;
    int domainID = 0;
    int recordID = 0;
    Record record; // Added: the record as the service answered
    // Edited: the values sent; an empty one was left as it was.
    QString newHost;
    QString newType;
    QString newValue;
    QString newTtl;
    QString newMx;
    QString newLineID;
};
