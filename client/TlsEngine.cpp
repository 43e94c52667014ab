#include "client/TlsEngine.h"

#include "client/TlsContext.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <climits>

TlsEngine::TlsEngine(std::shared_ptr<TlsContext> context, const QString &host, quint16 port)
    : m_context(std::move(context)), m_host(host), m_port(port)
{
    ERR_clear_error();
    m_ssl = m_context ? m_context->newConnection(host, port) : nullptr;
    BIO *in = m_ssl ? BIO_new(BIO_s_mem()) : nullptr;
    BIO *out = in ? BIO_new(BIO_s_mem()) : nullptr;
    if (!out) {
        BIO_free(in);
        m_error = QStringLiteral("Error creating SSL session (%1)").arg(TlsContext::takeErrors());
        return;
    }
    // An empty input asks for more bytes; it is not the end of the connection.
    BIO_set_mem_eof_return(in, -1);
    SSL_set_bio(m_ssl, in, out);
    SSL_set_connect_state(m_ssl);
}

TlsEngine::~TlsEngine()
{
    SSL_free(m_ssl);
}

bool TlsEngine::start()
{
    return !hasFailed() && advance();
}

bool TlsEngine::receive(const QByteArray &fromPeer)
{
    if (hasFailed())
        return false;
    if (!fromPeer.isEmpty() &&
        BIO_write(SSL_get_rbio(m_ssl), fromPeer.constData(), fromPeer.size()) != fromPeer.size())
        return fail(SSL_ERROR_SSL);
    return advance();
}

bool TlsEngine::advance()
{
    if (!m_encrypted) {
        ERR_clear_error();
        const int result = SSL_do_handshake(m_ssl);
        if (result != 1) {
            const int error = SSL_get_error(m_ssl, result);
            return error == SSL_ERROR_WANT_READ || fail(error);
        }
        m_encrypted = true;
    }
    // Whatever followed the handshake: session tickets, then the answer.
    char buffer[16384];
    while (!m_peerClosed) {
        ERR_clear_error();
        const int read = SSL_read(m_ssl, buffer, sizeof buffer);
        if (read > 0) {
            m_plain.append(buffer, read);
            continue;
        }
        const int error = SSL_get_error(m_ssl, read);
        if (error == SSL_ERROR_WANT_READ)
            break;
        if (error != SSL_ERROR_ZERO_RETURN)
            return fail(error);
        m_peerClosed = true;
    }
    return true;
}

bool TlsEngine::send(const QByteArray &plain)
{
    if (hasFailed() || !m_encrypted)
        return false;
    if (plain.isEmpty())
        return true;
    ERR_clear_error();
    // Memory output never blocks, so the whole buffer is taken at once.
    const int written = SSL_write(m_ssl, plain.constData(), plain.size());
    return written == plain.size() || fail(SSL_get_error(m_ssl, written));
}

QByteArray TlsEngine::takeOutgoing()
{
    if (!m_ssl)
        return QByteArray();
    BIO *out = SSL_get_wbio(m_ssl);
    const size_t pending = BIO_ctrl_pending(out);
    if (pending == 0 || pending > size_t(INT_MAX))
        return QByteArray();
    QByteArray bytes(int(pending), Qt::Uninitialized);
    const int read = BIO_read(out, bytes.data(), bytes.size());
    bytes.resize(qMax(read, 0));
    return bytes;
}

QByteArray TlsEngine::takePlain()
{
    QByteArray plain;
    plain.swap(m_plain);
    return plain;
}

bool TlsEngine::resumedSession() const
{
    return m_encrypted && SSL_session_reused(m_ssl) == 1;
}

void TlsEngine::keepSession()
{
    if (!m_encrypted || hasFailed())
        return;
    m_context->keepSession(m_ssl, m_host, m_port);
    // Freed without a shutdown, OpenSSL takes the connection for a broken one and marks its
    // session as not to be resumed. The exchange closes the connection itself once the answer
    // is in, so it counts as ended properly.
    SSL_set_shutdown(m_ssl, SSL_SENT_SHUTDOWN | SSL_RECEIVED_SHUTDOWN);
}

bool TlsEngine::fail(int error)
{
    QString why;
    if (!m_encrypted) {
        const long verified = SSL_get_verify_result(m_ssl);
        if (verified != X509_V_OK)
            why = QStringLiteral("The certificate could not be verified: %1")
                      .arg(QString::fromLatin1(X509_verify_cert_error_string(verified)));
    }
    if (why.isEmpty())
        why = TlsContext::takeErrors();
    if (why.isEmpty())
        why = error == SSL_ERROR_SYSCALL ? QStringLiteral("The connection ended unexpectedly")
                                         : QStringLiteral("TLS error %1").arg(error);
    ERR_clear_error();
    m_error = m_encrypted ? why : QStringLiteral("TLS handshake failed: %1").arg(why);
    return false;
}
