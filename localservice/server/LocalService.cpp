#include "localservice/server/LocalService.h"

#include "localservice/api/ApiRouter.h"
#include "localservice/dns/NameServers.h"
#include "localservice/server/Faults.h"
#include "localservice/server/HttpGlue.h"
#include "localservice/server/HttpSite.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/server/StopSignal.h"
#include "localservice/server/TlsFiles.h"
#include "localservice/server/WebPages.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/WxFlow.h"
#include "localservice/wechat/WxRoutes.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <chrono>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>

#include <sys/socket.h>

namespace {

constexpr size_t kMaxRequestBytes = 1024 * 1024;

void addFaultAdmin(HttpSite &site)
{
    FaultTable *faults = &site.context().faults;
    // Only tests reach these, and only from this machine.
    site.post("/__test/fault", [faults](const httplib::Request &req, httplib::Response &res,
                                        const QByteArray &body) {
        ApiParams params;
        QString path;
        Fault fault;
        QString error;
        if (!isLoopbackPeer(req) || !parseForm(body, &params) ||
            !faultFromParams(params, &path, &fault, &error)) {
            sendText(res, QStringLiteral("refused: %1\n").arg(error), 400);
            return;
        }
        faults->set(path, fault);
        sendText(res, QStringLiteral("fault %1 set on %2\n").arg(faultKindName(fault.kind), path));
    });
    site.post("/__test/faults/clear", [faults](const httplib::Request &req, httplib::Response &res,
                                               const QByteArray &body) {
        ApiParams params;
        if (!isLoopbackPeer(req) || !parseForm(body, &params)) {
            sendText(res, QStringLiteral("refused\n"), 400);
            return;
        }
        faults->clear(params.value("path"));
        sendText(res, QStringLiteral("cleared\n"));
    });
    NameServers *dns = site.context().nameServers;
    if (!dns)
        return;
    // ns2=lag&seconds=N, ns2=stop or ns2=normal.
    site.post("/__test/dns", [dns](const httplib::Request &req, httplib::Response &res,
                                   const QByteArray &body) {
        ApiParams params;
        Ns2Fault fault;
        const bool read = isLoopbackPeer(req) && parseForm(body, &params);
        const QString ns2 = params.value("ns2");
        bool ok = read;
        if (ns2 == QLatin1String("lag")) {
            bool isNumber = false;
            fault.lagSecs = params.value("seconds").toInt(&isNumber);
            ok = read && isNumber && fault.lagSecs >= 0 && fault.lagSecs <= 3600;
        } else if (ns2 == QLatin1String("stop")) {
            fault.stopped = true;
        } else if (ns2 != QLatin1String("normal")) {
            ok = false;
        }
        if (!ok) {
            sendText(res, QStringLiteral("refused: ns2=lag&seconds=N, ns2=stop or ns2=normal\n"),
                     400);
            return;
        }
        dns->setNs2Fault(fault);
        sendText(res, QStringLiteral("ns2 %1\n").arg(ns2));
    });
}

} // namespace

void ServiceContext::log(const QString &line) const
{
    if (options.log) {
        options.log(line);
        return;
    }
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

struct LocalService::Impl
{
    explicit Impl(const ServiceOptions &o)
        : options(o), wx(o.wxQrLifetimeSecs), context{options, storage, wx, faults, stop}
    {}

    bool openData(QString *errorText);
    bool startNameServers(QString *errorText);
    bool createServer(QString *errorText);
    void addRoutes();
    bool listen(QString *errorText);

    ServiceOptions options;
    Storage storage;
    WxFlow wx;
    FaultTable faults;
    StopSignal stop;
    ServiceContext context;
    ApiRouter router;
    TlsPaths tls;
    std::unique_ptr<httplib::Server> server;
    std::unique_ptr<HttpSite> site;
    std::unique_ptr<NameServers> dns;
    std::thread listener;
    int port = 0;
    bool running = false;
};

bool LocalService::Impl::openData(QString *errorText)
{
    if (options.dataDir.isEmpty())
        options.dataDir = defaultDataDir();
    if (!QDir().mkpath(options.dataDir)) {
        *errorText = QStringLiteral("Cannot create the data folder %1").arg(options.dataDir);
        return false;
    }
    const QString dbPath = QDir(options.dataDir).filePath(QStringLiteral("halvik-local.sqlite3"));
    if (!storage.open(dbPath, errorText))
        return false;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (options.seedDemo && storage.meta(QStringLiteral("seeded")).isEmpty()) {
        if (!storage.import(demoSeed(now), errorText) ||
            !storage.setMeta(QStringLiteral("seeded"), QStringLiteral("demo")))
            return false;
    }
    if (options.seedDomains > 0 &&
        !storage.accountByEmail(loadAccountEmail(options.seedDomains), nullptr))
        return storage.import(loadSeed(options.seedDomains, now), errorText);
    return true;
}

bool LocalService::Impl::startNameServers(QString *errorText)
{
    if (!options.nameServers)
        return true;
    NameServers::Options o;
    o.dir = QDir(options.dataDir).filePath(QStringLiteral("dns"));
    o.port = options.dnsPort;
    o.ns2Fault = options.ns2Fault;
    const ServiceContext *ctx = &context;
    o.log = [ctx](const QString &line) { ctx->log(line); };
    dns = std::make_unique<NameServers>(storage, o);
    NameServers *servers = dns.get();
    // Changes made while the servers start are served by the next reload.
    storage.setChangeListener([servers](qint64 domainId) { servers->domainChanged(domainId); });
    if (!dns->start(errorText))
        return false;
    context.nameServers = servers;
    return true;
}

bool LocalService::Impl::createServer(QString *errorText)
{
    if (options.useTls) {
        if (!ensureTlsFiles(options.dataDir, &tls, errorText))
            return false;
        server = std::make_unique<httplib::SSLServer>(tls.serverCert.toLocal8Bit().constData(),
                                                      tls.serverKey.toLocal8Bit().constData());
    } else {
        server = std::make_unique<httplib::Server>();
    }
    if (!server->is_valid()) {
        *errorText = QStringLiteral("Cannot set up TLS with %1").arg(tls.serverCert);
        return false;
    }
    // Idle keep-alive connections hold up stop(), so short; but well above the half second
    // within which the client sends a change on a kept-alive connection, so that no change
    // meets a connection being closed.
    server->set_keep_alive_timeout(2);
    server->set_payload_max_length(kMaxRequestBytes);
    // The server's default also sets SO_REUSEPORT, which would let a second service share the
    // port (and split the clients) instead of being told it is taken.
    server->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Headers and body go out in separate writes; without this each reply waits for an ACK.
    server->set_tcp_nodelay(true);
    return true;
}

void LocalService::Impl::addRoutes()
{
    addAccountRoutes(router, context);
    addDomainRoutes(router, context);
    addGroupRoutes(router, context);
    addRecordRoutes(router, context);
    addMessageRoutes(router, context);
    addLineRoutes(router, context);
    site = std::make_unique<HttpSite>(*server, context, options.useTls, port);
    for (const QString &path : router.paths()) {
        const ApiRouter *r = &router;
        ServiceContext *ctx = &context;
        HttpSite *s = site.get();
        site->post(path.toStdString(),
                   [r, ctx, s, path](const httplib::Request &req, httplib::Response &res,
                                     const QByteArray &body) {
                       sendJson(res, r->handle(path, body, s->origin(req), *ctx));
                   });
    }
    addWxRoutes(*site);
    addWebPages(*site);
    if (options.testFaults)
        addFaultAdmin(*site);
    faults.setOnChange([this] { stop.wake(); });
}

bool LocalService::Impl::listen(QString *errorText)
{
    const std::string host = options.host.toStdString();
    port = options.port == 0 ? server->bind_to_any_port(host)
                             : (server->bind_to_port(host, options.port) ? options.port : -1);
    if (port <= 0) {
        *errorText =
            QStringLiteral("Cannot listen on %1:%2 (in use?)").arg(options.host).arg(options.port);
        return false;
    }
    // Once the port is ours: a second service started on this data folder by mistake must not
    // rewrite the name servers' files of the first.
    if (!startNameServers(errorText))
        return false;
    addRoutes();
    // The server makes its thread pool once it is running, so that is when stop() can end it.
    auto ready = std::make_shared<std::promise<void>>();
    std::future<void> started = ready->get_future();
    const int threads = options.threads;
    auto once = std::make_shared<std::once_flag>();
    server->new_task_queue = [ready, once, threads] {
        std::call_once(*once, [&ready] { ready->set_value(); });
        return new httplib::ThreadPool(size_t(threads));
    };
    httplib::Server *srv = server.get();
    listener = std::thread([srv] { srv->listen_after_bind(); });
    if (started.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        *errorText = QStringLiteral("The server did not start");
        return false;
    }
    return true;
}

LocalService::LocalService(const ServiceOptions &options) : d(std::make_unique<Impl>(options)) {}

LocalService::~LocalService()
{
    stop();
}

bool LocalService::start(QString *errorText)
{
    QString error;
    if (d->stop.stopping())
        error = QStringLiteral("A stopped service cannot start again");
    if (!error.isEmpty() || d->running || !d->openData(&error) || !d->createServer(&error) ||
        !d->listen(&error)) {
        if (error.isEmpty())
            error = QStringLiteral("The service is already running");
        if (errorText)
            *errorText = error;
        if (!d->running)
            stop();
        return false;
    }
    d->running = true;
    return true;
}

void LocalService::stop()
{
    d->stop.stop();
    d->wx.shutdown();
    if (d->server)
        d->server->stop();
    if (d->listener.joinable())
        d->listener.join();
    d->site.reset();
    d->server.reset();
    d->storage.setChangeListener({});
    d->context.nameServers = nullptr;
    if (d->dns)
        d->dns->stop();
    d->dns.reset();
    d->storage.close();
    d->running = false;
}

bool LocalService::isRunning() const
{
    return d->running;
}

quint16 LocalService::port() const
{
    return quint16(d->port);
}

QString LocalService::baseUrl() const
{
    return (d->options.useTls ? QStringLiteral("https://") : QStringLiteral("http://")) +
           d->options.host + QLatin1Char(':') + QString::number(d->port);
}

QString LocalService::caFile() const
{
    return d->options.useTls ? tlsPaths(d->options.dataDir).caCert : QString();
}

QString LocalService::dataDir() const
{
    return d->options.dataDir;
}

QStringList LocalService::apiPaths() const
{
    return d->router.paths();
}

quint16 LocalService::dnsPort() const
{
    return d->dns ? d->dns->port() : 0;
}

NameServers *LocalService::nameServers()
{
    return d->dns.get();
}

Storage &LocalService::storage()
{
    return d->storage;
}

FaultTable &LocalService::faults()
{
    return d->faults;
}

WxFlow &LocalService::wx()
{
    return d->wx;
}

QString defaultDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/halvik-localservice");
}
