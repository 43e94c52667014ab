#pragma once

#include "client/live/DnsQueries.h"
#include "client/live/LiveSubnets.h"

#include <QString>

// How the check finds and asks the name servers.
struct LiveSettings
{
    // The resolver that finds the domain's name servers and their addresses, "ADDRESS[:PORT]"
    // ("[v6]:PORT" for IPv6); empty: the system's (the first of /etc/resolv.conf).
    QString resolver;
    // The port the name servers are asked on: 53 but where a test or a lab runs them elsewhere.
    quint16 dnsPort = 53;
    DnsQueries::Limits limits;
    LiveSubnets subnets = LiveSubnets::builtIn();

    // The settings "live/resolver" and "live/dnsPort" of halvik's configuration, and the line
    // subnets of the user's file over the built-in ones; false with the reason when the file
    // cannot be used (the rest is still read).
    static bool load(LiveSettings &settings, QString &error);
};

// Splits "ADDRESS[:PORT]" ("[v6]:PORT", a bare v6 address); false when it is not one.
bool parseServerAddress(const QString &text, QString &address, quint16 &port);

// The first name server of the system's resolver configuration; empty when there is none.
QString systemResolver();
