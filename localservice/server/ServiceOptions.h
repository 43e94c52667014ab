#pragma once

#include "localservice/dns/NameServers.h"

#include <QString>

#include <functional>

// How one run of the service is set up.
struct ServiceOptions
{
    QString dataDir; // database, CA and server certificate live here
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 8443;                      // 0 picks a free port
    bool useTls = true;                       // false: plain HTTP, for debugging
    bool testFaults = false;                  // serve the loopback-only fault admin path
    bool seedDemo = true;                     // write the demo data into a new data folder
    int seedDomains = 0;                      // also create an account with this many domains
    int timestampWindowSecs = 300;            // how far a request's time stamp may be off
    int wxPollHoldMs = 25000;                 // how long a WeChat long poll waits for news
    int wxQrLifetimeSecs = 300;               // how long a WeChat QR code stays valid
    int threads = 32;                         // requests served at the same time
    bool nameServers = true;                  // run ns1 and ns2 (knotd) for the domains
    quint16 dnsPort = 0;                      // their port; 0 picks a free one
    Ns2Fault ns2Fault;                        // in force from the start
    std::function<void(const QString &)> log; // console lines; empty prints to stdout
};
