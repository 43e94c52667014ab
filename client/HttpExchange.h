#pragma once

#include "client/HttpResponseParser.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>

#include <atomic>
#include <memory>

class QAbstractSocket;
class TlsEngine;

// One HTTP/1.1 request on a connection of its own, closed when the answer is in: nothing is
// kept for a later request except, when the TLS settings allow it, the TLS session.
//
// Qt's own HTTP stack sends a POST's headers and body in two writes on a socket with Nagle's
// algorithm on, so the body waits for the server's delayed acknowledgement (up to 40 ms) on
// every call. Here the socket has TCP_NODELAY and the request leaves in one write.
//
// TLS runs over the plain socket through TlsEngine, on an OpenSSL context built once per set
// of settings (TlsContext); Qt's TLS socket builds a context, its cipher list and certificate
// store for every connection and decodes the remembered session each time, which was most of
// what a request cost the client.
class HttpExchange : public QObject
{
    Q_OBJECT
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    explicit HttpExchange(QObject *parent = nullptr);
    ~HttpExchange() override;

    // Sends method to url ("http" or "https"); ssl applies to https. The outcome arrives as
    // finished(), possibly before start() returns (a URL that cannot be requested).
    void start(const QByteArray &method, const QUrl &url, const Headers &headers,
               const QByteArray &body, const QSslConfiguration &ssl);
    // Ends the exchange with OperationCanceledError; finished() is emitted at once when called
    // on the exchange's own thread, otherwise as soon as that thread gets to it.
    void abort();

    // An exchange on the process's network thread, already started: the TLS handshake and the
    // reading cost the calling thread nothing, and its signals reach the caller queued. Hand
    // it to dispose() when done, never delete it.
    static HttpExchange *startInBackground(const QByteArray &method, const QUrl &url,
                                           const Headers &headers, const QByteArray &body,
                                           const QSslConfiguration &ssl);
    // Ends (if still running) and deletes an exchange, on its own thread.
    static void dispose(HttpExchange *exchange);

    // Safe from any thread; what follows is read once finished() has been received.
    bool isFinished() const { return m_finished.load(); }
    // Named as Qt's network replies name them, HTTP statuses of 400 and up included.
    QNetworkReply::NetworkError error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    int statusCode() const { return m_response.status(); }
    QByteArray reasonPhrase() const { return m_response.reasonPhrase(); }
    QByteArray header(const QByteArray &name) const { return m_response.header(name); }
    Headers headers() const { return m_response.headers(); }
    // The body received so far, handed over once.
    QByteArray readAll() { return m_response.takeBody(); }
    QUrl url() const { return m_url; }
    // The TLS handshake resumed an earlier connection's session.
    bool resumedSession() const;
    // The connection while the exchange runs; null once it has ended.
    QAbstractSocket *socket() const { return m_socket; }

    // What Qt's replies report for an HTTP status (NoError below 400).
    static QNetworkReply::NetworkError errorForStatus(int status);
    // The request as it goes on the wire.
    static QByteArray requestBytes(const QByteArray &method, const QUrl &url,
                                   const Headers &headers, const QByteArray &body);
    // Forgets every remembered TLS session and built context (for tests and a changed trust).
    static void forgetTlsSessions();

signals:
    // The connection is up and its options set; the request goes out next.
    void connected();
    // Response bytes arrived: body bytes so far and the declared total (-1 unknown).
    void downloadProgress(qint64 received, qint64 total);
    void finished();

private:
    void onConnected();
    // Sends what TLS has for the peer.
    void writeTlsOutput();
    // Ends the exchange over TLS's failure.
    void failTls();
    void sendRequest();
    void onReadyRead();
    void onSocketError();
    void onDisconnected();
    void finish(QNetworkReply::NetworkError error, const QString &text);
    void finishWithResponse();

    QPointer<QAbstractSocket> m_socket;
    QUrl m_url;
    QByteArray m_request;
    // The TLS side of an https exchange.
    std::unique_ptr<TlsEngine> m_tls;
    HttpResponseParser m_response;
    QNetworkReply::NetworkError m_error = QNetworkReply::NoError;
    QString m_errorString;
    std::atomic<bool> m_finished{false};
};
