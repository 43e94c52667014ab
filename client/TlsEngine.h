#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class TlsContext;
typedef struct ssl_st SSL;

// The TLS side of one client connection, without a socket: bytes from the peer go in through
// receive(), bytes for the peer come out of takeOutgoing(), and the application's data goes
// through send() and takePlain(). The connection owning it moves the bytes, so everything
// produced at one moment (the end of the handshake with the request, say) leaves in one write.
class TlsEngine
{
public:
    TlsEngine(std::shared_ptr<TlsContext> context, const QString &host, quint16 port);
    ~TlsEngine();
    TlsEngine(const TlsEngine &) = delete;
    TlsEngine &operator=(const TlsEngine &) = delete;

    // Begins the handshake: the greeting is then waiting in takeOutgoing().
    bool start();
    // Bytes from the peer: the handshake advances, and data that arrived after it is
    // decrypted. False once the connection has failed.
    bool receive(const QByteArray &fromPeer);
    // Data for the peer, once the handshake is done.
    bool send(const QByteArray &plain);

    QByteArray takeOutgoing();
    QByteArray takePlain();

    bool isEncrypted() const { return m_encrypted; }
    // The peer ended the connection properly (close_notify).
    bool peerClosed() const { return m_peerClosed; }
    bool hasFailed() const { return !m_error.isEmpty(); }
    // Why it failed; failedInHandshake() tells whether anything had been verified.
    QString errorString() const { return m_error; }
    bool failedInHandshake() const { return hasFailed() && !m_encrypted; }

    // The handshake resumed a session kept from an earlier connection.
    bool resumedSession() const;
    // Keeps the session for the next connection to the same host under the same settings.
    void keepSession();

private:
    bool advance();
    bool fail(int result);

    std::shared_ptr<TlsContext> m_context;
    QString m_host;
    quint16 m_port;
    SSL *m_ssl = nullptr;
    QByteArray m_plain;
    bool m_encrypted = false;
    bool m_peerClosed = false;
    QString m_error;
};
