#pragma once

#include "localservice/server/ServiceOptions.h"

#include <QString>

class FaultTable;
class NameServers;
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
    NameServers *nameServers = nullptr; // null when the service runs without them

    void log(const QString &line) const;
};
