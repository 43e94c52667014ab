#include "localservice/dns/KnotServer.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include <ldns/ldns.h>

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kControlTimeoutSecs = 10;
constexpr int kZonesPerCommand = 200;
// The control socket's path must fit a sockaddr_un.
constexpr int kMaxSocketPath = 100;

// Written whole or not at all while knotd may read the file at any moment (atomic: a new file
// renamed over the old one); else rewritten in place, which keeps the file's inode: creating
// ten thousands of inodes anew costs a start seconds. No sync to disk: every start writes
// them again from the service's data.
bool writeFile(const QString &path, const QByteArray &data, bool atomic = true)
{
    const QString target = atomic ? path + QStringLiteral(".new") : path;
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data) != data.size()) {
        file.remove();
        return false;
    }
    file.close();
    return !atomic || std::rename(QFile::encodeName(target).constData(),
                                  QFile::encodeName(path).constData()) == 0;
}

// A value of Knot's configuration: quoted; it cannot carry quotes or bytes outside ASCII.
QByteArray quoted(const QString &value)
{
    return '"' + value.toLatin1() + '"';
}

bool fitsConfig(const QString &path)
{
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e || c == QLatin1Char('"') ||
            c == QLatin1Char('\\'))
            return false;
    }
    return true;
}

} // namespace

bool nameServerAnswers(const QString &address, quint16 port, int timeoutMs)
{
    ldns_resolver *res = ldns_resolver_new();
    ldns_rdf *server = ldns_rdf_new_frm_str(LDNS_RDF_TYPE_A, address.toLatin1().constData());
    ldns_rdf *name =
        ldns_dname_new_frm_str((nameserver::zone() + QLatin1Char('.')).toLatin1().constData());
    bool ok = false;
    if (res && server && name && ldns_resolver_push_nameserver(res, server) == LDNS_STATUS_OK) {
        ldns_resolver_set_port(res, port);
        ldns_resolver_set_retry(res, 1);
        ldns_resolver_set_recursive(res, false);
        timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        ldns_resolver_set_timeout(res, timeout);
        ldns_pkt *answer = nullptr;
        if (ldns_resolver_query_status(&answer, res, name, LDNS_RR_TYPE_SOA, LDNS_RR_CLASS_IN, 0) ==
                LDNS_STATUS_OK &&
            answer) {
            ok = ldns_pkt_get_rcode(answer) == LDNS_RCODE_NOERROR && ldns_pkt_ancount(answer) > 0;
        }
        ldns_pkt_free(answer);
    }
    ldns_rdf_deep_free(name);
    ldns_rdf_deep_free(server);
    ldns_resolver_deep_free(res);
    return ok;
}

KnotServer::KnotServer(const QString &name, const QString &dir, const QString &address)
    : m_name(name), m_dir(dir), m_address(address)
{}

KnotServer::~KnotServer()
{
    stop();
}

QString KnotServer::zoneFile(qint64 domainId) const
{
    return m_dir + QStringLiteral("/zones/d%1.zone").arg(domainId);
}

QString KnotServer::geoFile(qint64 domainId, int ttl) const
{
    return m_dir + QStringLiteral("/zones/d%1-ttl%2.geo").arg(domainId).arg(ttl);
}

QByteArray KnotServer::configText() const
{
    const QString run = m_dir + QStringLiteral("/run");
    QByteArray c;
    c += "# Written by halvik-localservice; rewritten whenever its domains change.\n";
    c += "server:\n";
    c += "    rundir: " + quoted(run) + '\n';
    c += "    listen: " + quoted(m_address + QLatin1Char('@') + QString::number(m_port)) + '\n';
    c += "    edns-client-subnet: on\n";
    c += "    udp-workers: 1\n    tcp-workers: 1\n    background-workers: 1\n";
    c += "database:\n    storage: " + quoted(m_dir + QStringLiteral("/storage")) + '\n';
    c += "control:\n    listen: " + quoted(run + QStringLiteral("/knot.sock")) + '\n';
    c += "log:\n  - target: stderr\n    any: warning\n";
    c += "template:\n  - id: default\n";
    c += "    storage: " + quoted(m_dir + QStringLiteral("/zones")) + '\n';
    c += "    zonefile-sync: -1\n    zonefile-load: whole\n    journal-content: none\n";
    QByteArray modules;
    QByteArray zones = "zone:\n  - domain: " + nameserver::zone().toLatin1() +
                       ".\n    file: " + quoted(m_dir + QStringLiteral("/zones/nameservers.zone")) +
                       '\n';
    for (auto it = m_zones.cbegin(); it != m_zones.cend(); ++it) {
        zones += "  - domain: " + it.value().name.toLatin1() +
                 ".\n    file: " + quoted(zoneFile(it.key())) + '\n';
        QByteArrayList ids;
        for (int ttl : it.value().ttls) {
            const QByteArray id =
                "d" + QByteArray::number(it.key()) + "-ttl" + QByteArray::number(ttl);
            modules += "  - id: " + id + "\n    config-file: " + quoted(geoFile(it.key(), ttl)) +
                       "\n    ttl: " + QByteArray::number(ttl) + "\n    mode: subnet\n";
            ids.append("mod-geoip/" + id);
        }
        if (!ids.isEmpty())
            zones += "    module: [ " + ids.join(", ") + " ]\n";
    }
    if (!modules.isEmpty())
        c += "mod-geoip:\n" + modules;
    return c + zones;
}

bool KnotServer::writeZone(const ServedZone &zone, bool atomic)
{
    const QList<int> oldTtls = m_zones.value(zone.domainId).ttls;
    bool ok = writeFile(zoneFile(zone.domainId), zone.zoneText, atomic);
    for (auto it = zone.geoByTtl.cbegin(); it != zone.geoByTtl.cend(); ++it)
        ok = writeFile(geoFile(zone.domainId, it.key()), it.value(), atomic) && ok;
    for (int ttl : oldTtls) {
        if (!zone.geoByTtl.contains(ttl))
            QFile::remove(geoFile(zone.domainId, ttl));
    }
    m_zones.insert(zone.domainId, Loaded{zone.name, zone.geoByTtl.keys()});
    return ok;
}

void KnotServer::removeZone(qint64 domainId)
{
    for (int ttl : m_zones.value(domainId).ttls)
        QFile::remove(geoFile(domainId, ttl));
    QFile::remove(zoneFile(domainId));
    m_zones.remove(domainId);
}

bool KnotServer::knotc(const QStringList &arguments, bool force)
{
    QStringList args = {QStringLiteral("-s"), m_dir + QStringLiteral("/run/knot.sock"),
                        QStringLiteral("-t"), QString::number(kControlTimeoutSecs)};
    if (force)
        args.append(QStringLiteral("-f"));
    return runProgram(m_knotc, args + arguments, m_dir + QStringLiteral("/knotc.log"),
                      (kControlTimeoutSecs + 5) * 1000) == 0;
}

bool KnotServer::answers(int timeoutMs)
{
    return nameServerAnswers(m_address, m_port, timeoutMs);
}

bool KnotServer::launch(quint16 port, const QList<ServedZone> &zones, quint32 serial,
                        QString *errorText)
{
    m_port = port;
    m_knotd = findProgram(QStringLiteral("knotd"));
    m_knotc = findProgram(QStringLiteral("knotc"));
    if (m_knotd.isEmpty() || m_knotc.isEmpty()) {
        *errorText = QStringLiteral("Knot DNS (knotd, knotc) is not installed: apt-get install "
                                    "knot knot-module-geoip, or run without name servers "
                                    "(--no-dns)");
        return false;
    }
    if (!fitsConfig(m_dir) || m_dir.size() + 20 > kMaxSocketPath) {
        *errorText = QStringLiteral("The name servers' folder %1 is too long or has characters "
                                    "Knot's configuration cannot hold; choose another --data")
                         .arg(m_dir);
        return false;
    }
    for (const char *sub : {"/run", "/storage", "/zones"}) {
        if (!QDir().mkpath(m_dir + QLatin1String(sub))) {
            *errorText = QStringLiteral("Cannot create %1").arg(m_dir + QLatin1String(sub));
            return false;
        }
    }
    // Zones of an earlier run are written again from the service's data.
    QDir zonesDir(m_dir + QStringLiteral("/zones"));
    QSet<QString> stale;
    for (const QString &old : zonesDir.entryList({QStringLiteral("d*")}, QDir::Files))
        stale.insert(zonesDir.filePath(old));
    m_zones.clear();
    bool ok =
        writeFile(m_dir + QStringLiteral("/zones/nameservers.zone"), nameServerZoneText(serial));
    // knotd is not running yet: the files are rewritten in place.
    for (const ServedZone &z : zones) {
        ok = writeZone(z, false) && ok;
        stale.remove(zoneFile(z.domainId));
        for (auto it = z.geoByTtl.cbegin(); it != z.geoByTtl.cend(); ++it)
            stale.remove(geoFile(z.domainId, it.key()));
    }
    for (const QString &old : stale)
        QFile::remove(old);
    m_config = configText();
    const QString confPath = m_dir + QStringLiteral("/knot.conf");
    if (!ok || !writeFile(confPath, m_config)) {
        *errorText = QStringLiteral("Cannot write the name server files in %1").arg(m_dir);
        return false;
    }
    return m_process.start(m_knotd, {QStringLiteral("-c"), confPath},
                           m_dir + QStringLiteral("/knotd.log"), errorText);
}

bool KnotServer::waitUntilAnswering(QString *errorText, bool *portTaken)
{
    *portTaken = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    // A query to a port nobody listens on yet goes unanswered: ask often, wait briefly.
    while (std::chrono::steady_clock::now() < deadline) {
        if (!m_process.isRunning())
            break;
        if (answers(50))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const QString log = m_dir + QStringLiteral("/knotd.log");
    const bool exited = !m_process.isRunning();
    m_process.terminate();
    QFile logFile(log);
    QString tail;
    if (logFile.open(QIODevice::ReadOnly)) {
        logFile.seek(qMax<qint64>(0, logFile.size() - 2000));
        tail = QString::fromUtf8(logFile.readAll()).trimmed();
    }
    *portTaken = exited || tail.contains(QLatin1String("bind"));
    *errorText = QStringLiteral("Name server %1 (knotd on %2:%3) did not start; see %4\n%5")
                     .arg(m_name, m_address)
                     .arg(m_port)
                     .arg(log, tail.right(600));
    return false;
}

void KnotServer::stop()
{
    m_paused = false;
    m_process.terminate();
}

void KnotServer::apply(const QList<ServedZone> &zones, const QList<qint64> &removed)
{
    QStringList reload;
    for (const ServedZone &z : zones) {
        if (m_zones.contains(z.domainId))
            reload.append(z.name + QLatin1Char('.'));
        writeZone(z, true);
    }
    for (qint64 id : removed)
        removeZone(id);
    const QByteArray config = configText();
    if (config != m_config) {
        m_config = config;
        writeFile(m_dir + QStringLiteral("/knot.conf"), m_config);
        knotc({QStringLiteral("reload")});
    }
    // Forced, so that the geoip module reads its file again too.
    for (int at = 0; at < reload.size(); at += kZonesPerCommand)
        knotc(QStringList{QStringLiteral("zone-reload")} + reload.mid(at, kZonesPerCommand), true);
}

void KnotServer::pause()
{
    m_process.signal(SIGSTOP);
    m_paused = true;
}

void KnotServer::resume()
{
    m_process.signal(SIGCONT);
    m_paused = false;
}
