#pragma once

#include <QHash>
#include <QMutex>
#include <QSslConfiguration>
#include <QString>

#include <memory>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct ssl_session_st SSL_SESSION;

// The OpenSSL context of one set of TLS settings (verification, lowest protocol, trusted CAs),
// built once per process: a new connection then costs an SSL object, not a context with its
// cipher list and a certificate store filled CA by CA.
//
// It also keeps, per host and port, the last session these settings verified, and offers it
// to the next connection there. A session lives in the context of the settings that verified
// it, so it is never offered under other settings (a resumed session skips the certificate
// check).
class TlsContext
{
public:
    // The context of these settings, built on first use and shared from then on; null, with
    // *error set, when OpenSSL refuses them. Safe from any thread.
    static std::shared_ptr<TlsContext> of(const QSslConfiguration &ssl, QString *error);
    // Drops every context and remembered session; connections under way keep theirs.
    static void forgetAll();
    // OpenSSL's errors queued on this thread, as one text, emptying the queue.
    static QString takeErrors();

    ~TlsContext();
    TlsContext(const TlsContext &) = delete;
    TlsContext &operator=(const TlsContext &) = delete;

    // A client connection to host (a name in ASCII form, or an address) and port: the server
    // name sent, the certificate checked against host, a remembered session offered. Null
    // when OpenSSL cannot make one. The caller frees it with SSL_free.
    SSL *newConnection(const QString &host, quint16 port);
    // Keeps the connection's session, if it can be resumed, for the next connection to host
    // and port.
    void keepSession(SSL *ssl, const QString &host, quint16 port);

private:
    explicit TlsContext(SSL_CTX *ctx) : m_ctx(ctx) {}
    // cas: ssl's CA list.
    static std::shared_ptr<TlsContext> build(const QSslConfiguration &ssl,
                                             const QList<QSslCertificate> &cas, QString *error);

    SSL_CTX *m_ctx;
    QMutex m_mutex;
    QHash<QString, SSL_SESSION *> m_sessions;
};
