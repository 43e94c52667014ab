#include "client/TlsSettings.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSslSocket>

namespace {

QSslConfiguration base()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    // A resumed session was verified when it began; HttpExchange offers it back only under
    // the same trust.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    return config;
}

struct Built
{
    QList<QSslCertificate> extraCa;
    QList<QSslCertificate> systemRoots;
    bool systemRootsGiven = false;
    QSslConfiguration full;
};

QMutex g_mutex;
// The settings of the current extra CAs, and those given system roots by a test.
QList<Built> g_built;

// Called with g_mutex held.
const Built &built(const QList<QSslCertificate> &extraCa, const QList<QSslCertificate> *roots)
{
    for (const Built &b : qAsConst(g_built)) {
        if (b.extraCa == extraCa && b.systemRootsGiven == bool(roots) &&
            (!roots || b.systemRoots == *roots))
            return b;
    }
    Built b;
    b.extraCa = extraCa;
    b.systemRootsGiven = roots;
    if (roots)
        b.systemRoots = *roots;
    b.full = base();
    // Without extra CAs the system roots stay on OpenSSL's on-demand lookup; setting any CA
    // list replaces that, so the system's then come first.
    if (!extraCa.isEmpty()) {
        b.full.setCaCertificates((roots ? *roots : QSslConfiguration::systemCaCertificates()) +
                                 extraCa);
    }
    // Only the latest extra CAs stay in use; a test's entries are few.
    for (int i = g_built.size() - 1; i >= 0; --i) {
        if (!roots && !g_built.at(i).systemRootsGiven)
            g_built.removeAt(i);
    }
    g_built.append(b);
    return g_built.last();
}

} // namespace

QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa)
{
    QMutexLocker lock(&g_mutex);
    return built(extraCa, nullptr).full;
}

QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa,
                                          const QList<QSslCertificate> &systemRoots)
{
    QMutexLocker lock(&g_mutex);
    return built(extraCa, &systemRoots).full;
}
