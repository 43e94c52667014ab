#include "client/TlsSettings.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSslSocket>

namespace {

QMutex g_mutex;
// The settings of the latest extra CAs.
QList<QSslCertificate> g_extraCa;
QSslConfiguration g_built;
bool g_done = false;

} // namespace

QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa)
{
    QMutexLocker lock(&g_mutex);
    if (g_done && g_extraCa == extraCa)
        return g_built;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    // Without extra CAs the system roots stay on OpenSSL's on-demand lookup; setting any CA
    // list replaces that, so the system's then come first.
    if (!extraCa.isEmpty())
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + extraCa);
    g_extraCa = extraCa;
    g_built = config;
    g_done = true;
    return config;
}
