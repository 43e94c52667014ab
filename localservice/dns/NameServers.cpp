#include "localservice/dns/NameServers.h"

#include "localservice/dns/KnotServer.h"
#include "localservice/dns/ServedZone.h"
#include "localservice/storage/ServiceLines.h"
#include "localservice/storage/Storage.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPortAttempts = 5;

// Zones to write and domains no longer served, as one change made at one moment.
struct Batch
{
    Clock::time_point made;
    QList<ServedZone> zones;
    QList<qint64> removed;
};

bool bindable(const char *address, quint16 port, int type)
{
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address, &a.sin_addr);
    const bool ok = bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

// A port the system hands out, checked free for UDP and TCP on both addresses.
quint16 freePort()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        socklen_t size = sizeof a;
        quint16 port = 0;
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr *>(&a), &size) == 0)
            port = ntohs(a.sin_port);
        if (fd >= 0)
            close(fd);
        if (port != 0 && bindable("127.0.0.1", port, SOCK_DGRAM) &&
            bindable("127.0.0.1", port, SOCK_STREAM) && bindable("127.0.0.2", port, SOCK_DGRAM) &&
            bindable("127.0.0.2", port, SOCK_STREAM))
            return port;
    }
    return 0;
}

const char *const kTableHeader =
    "Line -> client subnets of the stand-in's name servers: <lineID> <CIDR> [<CIDR>...].\n"
    "A query whose EDNS Client Subnet (or source address) lies in a line's subnet gets that\n"
    "line's records; the most specific subnet wins, so a province falls back to its carrier.\n"
    "Lines not listed are answered through the default line (0) only. Read at start.";

} // namespace

LineSubnets standInLineSubnets()
{
    LineSubnets table;
    int top = 0;
    for (const ServiceLine &l : serviceLines()) {
        if (l.viewId == 0)
            continue;
        ++top;
        table.subnets.insert(l.viewId, {QStringLiteral("10.%1.0.0/16").arg(top)});
        int sub = 0;
        for (const ServiceLine &s : l.subLines) {
            ++sub;
            table.subnets.insert(s.viewId, {QStringLiteral("10.%1.%2.0/24").arg(top).arg(sub)});
        }
    }
    return table;
}

struct NameServers::Impl
{
    Impl(Storage &s, const Options &o)
        : storage(s), options(o),
          ns1(QStringLiteral("ns1"), o.dir + QStringLiteral("/ns1"), nameserver::ns1Address()),
          ns2(QStringLiteral("ns2"), o.dir + QStringLiteral("/ns2"), nameserver::ns2Address()),
          faultChanged(o.ns2Fault.stopped), fault(o.ns2Fault)
    {}

    bool loadTable(QString *errorText);
    bool startServers(QString *errorText);
    Batch build(const QSet<qint64> &ids, bool all);
    void run(std::promise<QString> started);
    void applyDueToNs2(const Ns2Fault &f);

    Storage &storage;
    Options options;
    KnotServer ns1;
    KnotServer ns2;
    LineSubnets table;
    QHash<int, int> parents = serviceLineParents();
    std::thread worker;
    quint16 port = 0;
    quint32 serial = 0;
    QSet<qint64> served;          // worker only
    std::deque<Batch> ns2Pending; // worker only

    mutable std::mutex mutex;
    std::condition_variable wake;
    QSet<qint64> changed;
    bool allChanged = false;
    bool stopping = false;
    bool faultChanged = false;
    Ns2Fault fault;
};

bool NameServers::Impl::loadTable(QString *errorText)
{
    const QString path = options.dir + QStringLiteral("/line-subnets.txt");
    QFile file(path);
    if (!file.exists()) {
        table = standInLineSubnets();
        QSaveFile out(path);
        const QByteArray text = formatLineSubnets(table, QString::fromLatin1(kTableHeader));
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
            *errorText = QStringLiteral("Cannot write %1").arg(path);
            return false;
        }
        return true;
    }
    QString problem;
    if (!file.open(QIODevice::ReadOnly) ||
        !parseLineSubnets(file.read(kMaxLineSubnetsBytes + 1), &table, &problem)) {
        *errorText = QStringLiteral("Cannot read the line table %1: %2").arg(path, problem);
        return false;
    }
    return true;
}

Batch NameServers::Impl::build(const QSet<qint64> &ids, bool all)
{
    Batch batch;
    batch.made = Clock::now();
    ++serial;
    QList<DomainRow> domains;
    QHash<qint64, QList<RecordRow>> records;
    if (all) {
        domains = storage.allDomains();
        records = storage.allRecords();
    } else {
        for (qint64 id : ids) {
            DomainRow d;
            if (storage.domainById(id, &d))
                domains.append(d);
        }
    }
    QSet<qint64> now;
    for (const DomainRow &d : domains) {
        if (d.state != DomainRunning)
            continue;
        ServedZone zone = serveZone(d, all ? records.value(d.id) : storage.domainRecords(d.id),
                                    serial, table, parents);
        if (zone.name.isEmpty())
            continue;
        now.insert(d.id);
        batch.zones.append(zone);
    }
    const QSet<qint64> considered = all ? served : ids;
    for (qint64 id : considered) {
        if (!now.contains(id))
            batch.removed.append(id);
    }
    for (qint64 id : batch.removed)
        served.remove(id);
    served.unite(now);
    return batch;
}

bool NameServers::Impl::startServers(QString *errorText)
{
    const Batch first = build({}, true);
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        port = options.port != 0 ? options.port : freePort();
        if (port == 0) {
            *errorText = QStringLiteral("No free port for the name servers");
            return false;
        }
        // Both at once: each takes most of its start-up waiting for its own workers.
        if (!ns1.launch(port, first.zones, serial, errorText) ||
            !ns2.launch(port, first.zones, serial, errorText))
            return false;
        bool taken1 = false;
        bool taken2 = false;
        QString error2;
        const bool ok1 = ns1.waitUntilAnswering(errorText, &taken1);
        const bool ok2 = ns2.waitUntilAnswering(&error2, &taken2);
        if (ok1 && ok2)
            return true;
        ns1.stop();
        ns2.stop();
        if (ok1)
            *errorText = error2;
        if (!(taken1 || taken2) || options.port != 0)
            return false;
    }
    return false;
}

void NameServers::Impl::applyDueToNs2(const Ns2Fault &f)
{
    if (f.stopped)
        return;
    const auto lag = std::chrono::seconds(f.lagSecs);
    while (!ns2Pending.empty() && ns2Pending.front().made + lag <= Clock::now()) {
        const Batch batch = ns2Pending.front();
        ns2Pending.pop_front();
        ns2.apply(batch.zones, batch.removed);
    }
}

void NameServers::Impl::run(std::promise<QString> started)
{
    QString error;
    if (!loadTable(&error) || !startServers(&error)) {
        started.set_value(error.isEmpty() ? QStringLiteral("The name servers did not start")
                                          : error);
        return;
    }
    Ns2Fault current;
    started.set_value(QString());
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        const bool ns2Waits = !ns2Pending.empty() && !fault.stopped;
        const auto due = ns2Waits ? ns2Pending.front().made + std::chrono::seconds(fault.lagSecs)
                                  : Clock::time_point::max();
        const auto ready = [this, due] {
            return stopping || allChanged || !changed.isEmpty() || faultChanged ||
                   Clock::now() >= due;
        };
        if (ns2Waits)
            wake.wait_until(lock, due, ready);
        else
            wake.wait(lock, ready);
        if (stopping)
            break;
        const QSet<qint64> ids = changed;
        const bool all = allChanged;
        const bool faultNews = faultChanged;
        changed.clear();
        allChanged = false;
        faultChanged = false;
        current = fault;
        lock.unlock();

        if (faultNews) {
            if (current.stopped && !ns2.isPaused())
                ns2.pause();
            else if (!current.stopped && ns2.isPaused())
                ns2.resume();
        }
        if (all || !ids.isEmpty()) {
            Batch batch = build(ids, all);
            ns1.apply(batch.zones, batch.removed);
            ns2Pending.push_back(batch);
        }
        applyDueToNs2(current);
        lock.lock();
    }
    lock.unlock();
    ns1.stop();
    ns2.stop();
}

NameServers::NameServers(Storage &storage, const Options &options)
    : d(std::make_unique<Impl>(storage, options))
{}

NameServers::~NameServers()
{
    stop();
}

bool NameServers::start(QString *errorText)
{
    if (!QDir().mkpath(d->options.dir)) {
        *errorText = QStringLiteral("Cannot create %1").arg(d->options.dir);
        return false;
    }
    d->serial = quint32(QDateTime::currentSecsSinceEpoch());
    std::promise<QString> started;
    std::future<QString> result = started.get_future();
    // The servers are started from this thread and are ended with it (see ChildProcess).
    d->worker = std::thread([this, p = std::move(started)]() mutable { d->run(std::move(p)); });
    const QString error = result.get();
    if (error.isEmpty())
        return true;
    d->worker.join();
    *errorText = error;
    return false;
}

void NameServers::stop()
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->worker.joinable())
        d->worker.join();
}

quint16 NameServers::port() const
{
    return d->port;
}

QString NameServers::lineSubnetsFile() const
{
    return d->options.dir + QStringLiteral("/line-subnets.txt");
}

LineSubnets NameServers::lineSubnets() const
{
    return d->table;
}

void NameServers::domainChanged(qint64 domainId)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        if (domainId == 0)
            d->allChanged = true;
        else
            d->changed.insert(domainId);
    }
    d->wake.notify_all();
}

void NameServers::setNs2Fault(const Ns2Fault &fault)
{
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->fault = fault;
        d->faultChanged = true;
    }
    d->wake.notify_all();
}

Ns2Fault NameServers::ns2Fault() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->fault;
}
