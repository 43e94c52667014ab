#pragma once

#include "client/LineSubnets.h"

#include <QString>

#include <functional>
#include <memory>

class Storage;

// How the second name server misbehaves, for tests of "not yet live".
struct Ns2Fault
{
    int lagSecs = 0;      // changes reach it this many seconds after the first
    bool stopped = false; // it answers nothing (changes wait until it is back)
};

// The stand-in's two authoritative name servers: ns1 on 127.0.0.1 and ns2 on 127.0.0.2, both on
// one UDP and TCP port, each a knotd of its own under <dns folder>/ns1 and /ns2. They serve
// every running domain of every account with its running records, per line through Knot's
// geoip module and the line table <dns folder>/line-subnets.txt. Every change the storage
// reports reaches both (ns2 after its fault's lag). A thread of its own drives the servers.
class NameServers
{
public:
    struct Options
    {
        QString dir;                              // the dns folder
        quint16 port = 0;                         // 0 picks a port free on both addresses
        Ns2Fault ns2Fault;                        // in force from the start
        std::function<void(const QString &)> log; // a name server's failed reload
    };

    NameServers(Storage &storage, const Options &options);
    ~NameServers();
    NameServers(const NameServers &) = delete;
    NameServers &operator=(const NameServers &) = delete;

    // Reads (or writes the default) line table, starts both servers with every domain and
    // returns once both answer. False with the reason in errorText.
    bool start(QString *errorText);
    void stop();

    quint16 port() const;
    QString lineSubnetsFile() const;
    LineSubnets lineSubnets() const;

    // The domain's zone is served anew (0: every domain); returns at once.
    void domainChanged(qint64 domainId);
    void setNs2Fault(const Ns2Fault &fault);
    Ns2Fault ns2Fault() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The stand-in's own line table: a private /16 per top-level line and a /24 inside it per
// sub-line, so that a province falls back to its carrier as it does in the service.
LineSubnets standInLineSubnets();
