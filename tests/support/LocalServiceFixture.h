#pragma once

#include "localservice/server/Faults.h"
#include "localservice/server/LocalService.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QObject;
class User;

// A fresh stand-in service for a test: its own data folder in a temporary directory, a free
// port on 127.0.0.1, HTTPS with a CA of its own, and the demo data. It runs inside the test
// process on threads of its own, so the test's event loop stays free for the client.
class LocalServiceFixture
{
public:
    struct Options
    {
        bool tls = true;
        bool seedDemo = true;
        int seedDomains = 0;     // also an account bulk<N>@example.com with N domains
        int wxPollHoldMs = 1000; // kept short so that idle polls come back quickly
        int wxQrLifetimeSecs = 300;
        bool faultAdmin = true;   // serve /__test/fault for tests that drive a process
        bool nameServers = false; // ns1 and ns2 (knotd), for suites that query DNS
    };

    LocalServiceFixture();
    explicit LocalServiceFixture(const Options &options);
    ~LocalServiceFixture();
    LocalServiceFixture(const LocalServiceFixture &) = delete;
    LocalServiceFixture &operator=(const LocalServiceFixture &) = delete;

    // Starts the service; false with the reason in errorText().
    bool start();
    void stop();
    // Stops and starts again on the same data folder (on a new port).
    bool restart();
    QString errorText() const { return m_error; }

    QString baseUrl() const;
    QString caFile() const;
    QList<QSslCertificate> caCertificates() const;
    QString dataDir() const;
    quint16 port() const;
    // The name servers' port (ns1 127.0.0.1, ns2 127.0.0.2); 0 without them. Their line table
    // is dataDir() + "/dns/line-subnets.txt".
    quint16 dnsPort() const;

    // Points user at the service (request and browser base URL) and trusts its CA.
    void configure(User &user) const;
    // configure(), then User::login with the demo account.
    bool loginDemo(User &user) const;

    // Makes requests to path ("*" for every path) go wrong; see Fault.
    void setFault(const QString &path, const Fault &fault);
    void clearFaults();
    // Runs action once the fault set for path has struck count requests, that is while a
    // delayed or hung reply is under way: for a step that must land while the client waits.
    // Looked for on this thread each time a fault strikes (a client's nested wait runs it);
    // dropped with context if the request never comes.
    void whenStruck(const QString &path, int count, QObject *context,
                    const std::function<void()> &action);

    // The running service itself: its storage, WeChat flow and fault table.
    LocalService &service();
    // Puts count A records h1 … hN straight into the storage of the demo account's domain
    // named domain: a domain beyond one list read (999 records) in a moment, where the API
    // would take a request each. False when the domain is not the demo account's.
    bool storeDemoRecords(const QString &domain, int count);

    static QString demoEmail();
    static QString demoPassword();
    static QString noKeyEmail();
    static QString loadEmail(int domainCount);

private:
    struct Watch
    {
        QString path;
        int count = 0;
        QPointer<QObject> context;
        std::function<void()> action;
    };
    // Runs the actions whose faults have struck often enough.
    void checkWatches();

    Options m_options;
    QTemporaryDir m_dir;
    std::unique_ptr<LocalService> m_service;
    QString m_error;
    // Lives on the fixture's thread: a strike posts the check to it; checks still posted when
    // the fixture goes are dropped with it.
    QObject m_watcher;
    QList<Watch> m_watches;
};
