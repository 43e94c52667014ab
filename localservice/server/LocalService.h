#pragma once

#include "localservice/server/ServiceOptions.h"

#include <QString>
#include <QStringList>

#include <memory>

class FaultTable;
class NameServers;
class Storage;
class WxFlow;

// The local stand-in service: every path of the service API, the WeChat QR sign-in pages and
// the pages a browser is sent to, over HTTPS on 127.0.0.1 with a certificate of its own local
// CA. Requests are served on a pool of threads; start() returns once it accepts connections.
class LocalService
{
public:
    explicit LocalService(const ServiceOptions &options);
    ~LocalService();
    LocalService(const LocalService &) = delete;
    LocalService &operator=(const LocalService &) = delete;

    // Opens (or creates and seeds) the data folder, makes the TLS files and starts listening.
    // False with the reason in errorText.
    bool start(QString *errorText);
    // Ends every waiting request and stops listening; the data stay on disk.
    void stop();
    bool isRunning() const;

    quint16 port() const;
    QString baseUrl() const; // "https://127.0.0.1:<port>" (http with plain HTTP)
    QString caFile() const;  // the CA certificate clients should trust; empty without TLS
    QString dataDir() const;
    QStringList apiPaths() const;
    // The name servers' port (ns1 on 127.0.0.1, ns2 on 127.0.0.2); 0 without them.
    quint16 dnsPort() const;

    Storage &storage();
    FaultTable &faults();
    WxFlow &wx();
    NameServers *nameServers(); // null without them

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Where the service keeps its data unless told otherwise.
QString defaultDataDir();
