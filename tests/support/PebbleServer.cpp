#include "tests/support/PebbleServer.h"

#include "localservice/server/TlsFiles.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

constexpr int kStartLimitMs = 30000;

// A port on 127.0.0.1 that nothing listens on just now.
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

PebbleServer::~PebbleServer()
{
    stop();
}

QString PebbleServer::directoryUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1/dir").arg(m_port);
}

bool PebbleServer::start(const QString &dnsServer)
{
    stop();
    TlsPaths tls;
    if (!m_dir.isValid() || !ensureTlsFiles(m_dir.path(), &tls, &m_error)) {
        m_error = QStringLiteral("no TLS files for pebble: ") + m_error;
        return false;
    }
    m_caFile = tls.caCert;
    // Another program may take a port between the probe and pebble's listen: try again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        bool portTaken = false;
        if (startOnce(dnsServer, portTaken))
            return true;
        if (!portTaken)
            return false;
    }
    return false;
}

bool PebbleServer::startOnce(const QString &dnsServer, bool &portTaken)
{
    const TlsPaths tls = tlsPaths(m_dir.path());
    m_port = freePort();
    const quint16 management = freePort();
    const QJsonObject config{
        {QStringLiteral("pebble"),
         QJsonObject{{QStringLiteral("listenAddress"), QStringLiteral("127.0.0.1:%1").arg(m_port)},
                     {QStringLiteral("managementListenAddress"),
                      QStringLiteral("127.0.0.1:%1").arg(management)},
                     {QStringLiteral("certificate"), tls.serverCert},
                     {QStringLiteral("privateKey"), tls.serverKey},
                     // Where HTTP-01 and TLS-ALPN-01 would be checked; neither is used.
                     {QStringLiteral("httpPort"), 5002},
                     {QStringLiteral("tlsPort"), 5001},
                     {QStringLiteral("ocspResponderURL"), QString()},
                     {QStringLiteral("externalAccountBindingRequired"), false}}}};
    const QString configPath = m_dir.filePath(QStringLiteral("pebble-config.json"));
    QFile file(configPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(QJsonDocument(config).toJson()) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }
    file.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PEBBLE_VA_NOSLEEP"), QStringLiteral("1"));
    env.insert(QStringLiteral("PEBBLE_VA_ALWAYS_VALID"), QStringLiteral("0"));
    // Every challenge is proven anew, and no request is refused for a nonce to test retries.
    env.insert(QStringLiteral("PEBBLE_AUTHZREUSE"), QStringLiteral("0"));
    env.insert(QStringLiteral("PEBBLE_WFE_NONCEREJECT"), QStringLiteral("0"));
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(m_dir.path());
    // Into a file, so that a long run never fills a pipe nobody reads.
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(logPath());
    m_process.start(QStringLiteral("pebble"), {QStringLiteral("-config"), configPath,
                                               QStringLiteral("-dnsserver"), dnsServer});
    if (!m_process.waitForStarted(kStartLimitMs)) {
        m_error = QStringLiteral("pebble does not start: ") + m_process.errorString();
        return false;
    }

    // Up once its directory port takes a connection; a pebble that ends has failed.
    const QDeadlineTimer deadline(kStartLimitMs);
    while (!deadline.hasExpired()) {
        if (m_process.state() != QProcess::Running)
            break;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(1000))
            return true;
        m_process.waitForFinished(200);
    }
    m_process.waitForFinished(1000);
    portTaken = log().contains("address already in use");
    m_error = QStringLiteral("pebble is not listening on port %1:\n%2")
                  .arg(m_port)
                  .arg(QString::fromUtf8(log()));
    stop();
    return false;
}

void PebbleServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString PebbleServer::logPath() const
{
    return m_dir.filePath(QStringLiteral("pebble.log"));
}

QByteArray PebbleServer::log() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
}
