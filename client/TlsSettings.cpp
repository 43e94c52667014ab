#include "client/TlsSettings.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSslSocket>

namespace {

QMutex g_mutex;

// The settings of the latest extra CAs. Made on first use, not at start: an empty
// QSslConfiguration already sets up the TLS library, which a process that never asks for it
// (halvik-cli's requests go through libcurl) should not pay for.
struct Built
{
    QList<QSslCertificate> extraCa;
    QSslConfiguration config;
    bool done = false;
};

Built &built()
{
    static Built b;
    return b;
}

} // namespace

QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa)
{
    QMutexLocker lock(&g_mutex);
    Built &b = built();
    if (b.done && b.extraCa == extraCa)
        return b.config;
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    // Without extra CAs the system roots stay on OpenSSL's on-demand lookup; setting any CA
    // list replaces that, so the system's then come first.
    if (!extraCa.isEmpty())
        config.setCaCertificates(QSslConfiguration::systemCaCertificates() + extraCa);
    b.extraCa = extraCa;
    b.config = config;
    b.done = true;
    return config;
}
