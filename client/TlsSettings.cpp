#include "client/TlsSettings.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSslSocket>

namespace {

QSslConfiguration build(const QList<QSslCertificate> &extraCa)
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    // A resumed session was verified when it began; HttpExchange offers it back only under
    // the same trust.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    // Without extra CAs the system roots stay on OpenSSL's on-demand lookup; setting any CA
    // list replaces that, so the system's then come first.
    if (!extraCa.isEmpty())
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + extraCa);
    return config;
}

} // namespace

QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa)
{
    static QMutex mutex;
    static bool built = false;
    static QList<QSslCertificate> builtFor;
    static QSslConfiguration config;
    QMutexLocker lock(&mutex);
    if (!built || builtFor != extraCa) {
        config = build(extraCa);
        builtFor = extraCa;
        built = true;
    }
    return config;
}
