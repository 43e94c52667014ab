#include "client/TlsContext.h"

#include <QHostAddress>
#include <QMutexLocker>
#include <QSslSocket>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

namespace {

struct Entry
{
    QSslSocket::PeerVerifyMode verifyMode;
    QSsl::SslProtocol protocol;
    QList<QSslCertificate> cas;
    std::shared_ptr<TlsContext> context;
};

QMutex g_contextsMutex;
// Settings are built once per process (TlsSettings), so the list holds one or two entries; a
// test that changes the trust adds a few. Never destroyed: freeing a context after OpenSSL's
// own clean-up at exit would touch a library already torn down.
QList<Entry> &contexts()
{
    static auto *list = new QList<Entry>;
    return *list;
}
constexpr int kMaxContexts = 8;

QString sessionKey(const QString &host, quint16 port)
{
    return host + QLatin1Char(':') + QString::number(port);
}

} // namespace

QString TlsContext::takeErrors()
{
    QStringList texts;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        texts.append(QString::fromLatin1(text));
    }
    return texts.join(QStringLiteral("; "));
}

namespace {

int lowestVersion(QSsl::SslProtocol protocol)
{
    // Nothing below TLS 1.2, whatever the settings say.
    switch (protocol) {
    case QSsl::TlsV1_3:
    case QSsl::TlsV1_3OrLater:
        return TLS1_3_VERSION;
    default:
        return TLS1_2_VERSION;
    }
}

bool addCas(SSL_CTX *ctx, const QList<QSslCertificate> &cas)
{
    X509_STORE *store = SSL_CTX_get_cert_store(ctx);
    for (const QSslCertificate &ca : cas) {
        const QByteArray der = ca.toDer();
        const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
        X509 *x509 = d2i_X509(nullptr, &data, der.size());
        if (!x509)
            return false;
        // The same CA twice is no fault (the system's list and a CA file may share one).
        const int added = X509_STORE_add_cert(store, x509);
        X509_free(x509);
        if (!added && ERR_GET_REASON(ERR_peek_last_error()) != X509_R_CERT_ALREADY_IN_HASH_TABLE)
            return false;
        ERR_clear_error();
    }
    return true;
}

} // namespace

std::shared_ptr<TlsContext> TlsContext::of(const QSslConfiguration &ssl, QString *error)
{
    const QList<QSslCertificate> cas = ssl.caCertificates();
    QMutexLocker lock(&g_contextsMutex);
    for (const Entry &e : qAsConst(contexts())) {
        // Settings built once share their CA list, so this compares two pointers.
        if (e.verifyMode == ssl.peerVerifyMode() && e.protocol == ssl.protocol() && e.cas == cas)
            return e.context;
    }
    std::shared_ptr<TlsContext> context = build(ssl, cas, error);
    if (!context)
        return nullptr;
    if (contexts().size() >= kMaxContexts)
        contexts().removeFirst();
    contexts().append(Entry{ssl.peerVerifyMode(), ssl.protocol(), cas, context});
    return context;
}

void TlsContext::forgetAll()
{
    QMutexLocker lock(&g_contextsMutex);
    contexts().clear();
}

std::shared_ptr<TlsContext> TlsContext::build(const QSslConfiguration &ssl,
                                              const QList<QSslCertificate> &cas, QString *error)
{
    ERR_clear_error();
    SSL_CTX *ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        if (error)
            *error = QStringLiteral("Error creating SSL context (%1)").arg(takeErrors());
        return nullptr;
    }
    std::shared_ptr<TlsContext> context(new TlsContext(ctx));
    SSL_CTX_set_min_proto_version(ctx, lowestVersion(ssl.protocol()));
    // Sessions are kept here, per host, not in OpenSSL's cache.
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    // Qt's VerifyNone and QueryPeer do not fail a connection over its certificate.
    const bool verify = ssl.peerVerifyMode() == QSslSocket::VerifyPeer ||
                        ssl.peerVerifyMode() == QSslSocket::AutoVerifyPeer;
    SSL_CTX_set_verify(ctx, verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    // A CA list given replaces the system's; without one, the system's roots are looked up
    // on demand, as Qt does.
#ifdef Q_OS_WIN
    // OpenSSL's default paths mean nothing on Windows: the roots come from the system store.
    const bool trusted =
        addCas(ctx, cas.isEmpty() ? QSslConfiguration::systemCaCertificates() : cas);
#else
    const bool trusted =
        cas.isEmpty() ? SSL_CTX_set_default_verify_paths(ctx) == 1 : addCas(ctx, cas);
#endif
    if (!trusted) {
        if (error)
            *error =
                QStringLiteral("Error loading the trusted certificates (%1)").arg(takeErrors());
        return nullptr;
    }
    return context;
}

TlsContext::~TlsContext()
{
    for (SSL_SESSION *session : qAsConst(m_sessions))
        SSL_SESSION_free(session);
    SSL_CTX_free(m_ctx);
}

SSL *TlsContext::newConnection(const QString &host, quint16 port)
{
    SSL *ssl = SSL_new(m_ctx);
    if (!ssl)
        return nullptr;
    const QByteArray name = host.toLatin1();
    bool named = false;
    if (QHostAddress(host).isNull()) {
        // A name: sent as the server name, and the certificate must hold it (no partial
        // wildcards such as "w*.example.com").
        SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        named = SSL_set_tlsext_host_name(ssl, name.constData()) == 1 &&
                SSL_set1_host(ssl, name.constData()) == 1;
    } else {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.constData()) == 1;
    }
    if (!named) {
        SSL_free(ssl);
        return nullptr;
    }
    QMutexLocker lock(&m_mutex);
    if (SSL_SESSION *session = m_sessions.value(sessionKey(host, port)))
        SSL_set_session(ssl, session);
    return ssl;
}

void TlsContext::keepSession(SSL *ssl, const QString &host, quint16 port)
{
    SSL_SESSION *session = SSL_get1_session(ssl);
    if (!session)
        return;
    if (!SSL_SESSION_is_resumable(session)) {
        SSL_SESSION_free(session);
        return;
    }
    QMutexLocker lock(&m_mutex);
    SSL_SESSION *&kept = m_sessions[sessionKey(host, port)];
    if (kept)
        SSL_SESSION_free(kept);
    kept = session;
}
