#pragma once

#include "localservice/server/ServiceOptions.h"

#include <QString>

class FaultTable;
class StopSignal;
class Storage;
class WxFlow;

// What every handler of one running service shares.
struct ServiceContext
{
    const ServiceOptions &options;
    Storage &storage;
    WxFlow &wx;
    FaultTable &faults;
    StopSignal &stop;

    void log(const QString &line) const;
};
