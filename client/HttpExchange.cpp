#include "client/HttpExchange.h"

#include "client/TlsContext.h"
#include "client/TlsEngine.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QTcpSocket>
#include <QThread>

namespace {

QNetworkReply::NetworkError errorForSocket(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::RemoteHostClosedError:
        return QNetworkReply::RemoteHostClosedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SocketTimeoutError:
        return QNetworkReply::TimeoutError;
    case QAbstractSocket::SslHandshakeFailedError:
        return QNetworkReply::SslHandshakeFailedError;
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return QNetworkReply::SslHandshakeFailedError;
    case QAbstractSocket::TemporaryError:
        return QNetworkReply::TemporaryNetworkFailureError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

// The thread of background exchanges, started on first use and stopped with the application.
QMutex g_threadMutex;
QThread *g_thread = nullptr;
// Lives in that thread so that the stop can queue behind the work already posted there.
QObject *g_threadContext = nullptr;

void stopNetworkThread()
{
    QMutexLocker lock(&g_threadMutex);
    if (!g_thread)
        return;
    // Quitting at once would drop the disposals still queued for the thread, and with them the
    // exchanges and their sockets; the quit waits its turn behind them instead.
    QObject *context = g_threadContext;
    QMetaObject::invokeMethod(
        context,
        [context] {
            delete context;
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    g_thread->wait();
    delete g_thread;
    g_thread = nullptr;
    g_threadContext = nullptr;
}

QThread *networkThread()
{
    QMutexLocker lock(&g_threadMutex);
    if (!g_thread) {
        g_thread = new QThread;
        g_thread->setObjectName(QStringLiteral("halvik network"));
        g_threadContext = new QObject;
        g_threadContext->moveToThread(g_thread);
        g_thread->start();
        qAddPostRoutine(stopNetworkThread);
    }
    return g_thread;
}

} // namespace

HttpExchange *HttpExchange::startInBackground(const QByteArray &method, const QUrl &url,
                                              const Headers &headers, const QByteArray &body,
                                              const QSslConfiguration &ssl)
{
    auto *exchange = new HttpExchange;
    exchange->moveToThread(networkThread());
    QMetaObject::invokeMethod(
        exchange, [=] { exchange->start(method, url, headers, body, ssl); }, Qt::QueuedConnection);
    return exchange;
}

void HttpExchange::dispose(HttpExchange *exchange)
{
    if (!exchange)
        return;
    if (exchange->thread() == QThread::currentThread()) {
        delete exchange;
        return;
    }
    QMetaObject::invokeMethod(
        exchange,
        [exchange] {
            exchange->abort();
            delete exchange;
        },
        Qt::QueuedConnection);
}

HttpExchange::HttpExchange(QObject *parent) : QObject(parent) {}

HttpExchange::~HttpExchange()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        delete m_socket;
    }
}

QNetworkReply::NetworkError HttpExchange::errorForStatus(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        if (status < 400)
            return QNetworkReply::NoError;
        return status > 500 ? QNetworkReply::UnknownServerError
                            : QNetworkReply::UnknownContentError;
    }
}

QByteArray HttpExchange::requestBytes(const QByteArray &method, const QUrl &url,
                                      const Headers &headers, const QByteArray &body)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int defaultPort = url.scheme() == QLatin1String("https") ? 443 : 80;
    if (url.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(url.port());

    QByteArray out;
    out.reserve(256 + body.size());
    out += method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &field : headers)
        out += field.first + ": " + field.second + "\r\n";
    if (!body.isEmpty() || method == "POST" || method == "PUT")
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += body;
    return out;
}

bool HttpExchange::resumedSession() const
{
    return m_tls && m_tls->resumedSession();
}

void HttpExchange::forgetTlsSessions()
{
    TlsContext::forgetAll();
}

void HttpExchange::start(const QByteArray &method, const QUrl &url, const Headers &headers,
                         const QByteArray &body, const QSslConfiguration &ssl)
{
    m_url = url;
    const QString scheme = url.scheme();
    const bool tls = scheme == QLatin1String("https");
    if (!tls && scheme != QLatin1String("http")) {
        finish(QNetworkReply::ProtocolUnknownError,
               QStringLiteral("Protocol \"%1\" is unknown").arg(scheme));
        return;
    }
    if (url.host().isEmpty()) {
        finish(QNetworkReply::HostNotFoundError, QStringLiteral("No host name given"));
        return;
    }
    // Everything is written at once; nothing is built after the connection is up.
    m_request = requestBytes(method, url, headers, body);

    if (tls) {
        QString error;
        std::shared_ptr<TlsContext> context = TlsContext::of(ssl, &error);
        if (context)
            m_tls.reset(new TlsEngine(std::move(context), url.host(QUrl::FullyEncoded),
                                      quint16(url.port(443))));
        if (!m_tls || m_tls->hasFailed()) {
            finish(QNetworkReply::SslHandshakeFailedError, m_tls ? m_tls->errorString() : error);
            return;
        }
    }
    m_socket = new QTcpSocket(this);
    // Connected before the request is sent, so the options are set before the first write.
    connect(m_socket, &QAbstractSocket::connected, this, &HttpExchange::onConnected);
    connect(m_socket, &QAbstractSocket::readyRead, this, &HttpExchange::onReadyRead);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &HttpExchange::onSocketError);
    connect(m_socket, &QAbstractSocket::disconnected, this, &HttpExchange::onDisconnected);
    // Reading everything at once keeps a slow reader from stalling the sender.
    m_socket->setReadBufferSize(0);
    m_socket->connectToHost(url.host(), quint16(url.port(tls ? 443 : 80)));
}

void HttpExchange::onConnected()
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit connected();
    if (m_finished)
        return;
    if (!m_tls) {
        sendRequest();
        return;
    }
    if (!m_tls->start()) {
        failTls();
        return;
    }
    writeTlsOutput();
}

void HttpExchange::writeTlsOutput()
{
    const QByteArray out = m_tls->takeOutgoing();
    if (!out.isEmpty())
        m_socket->write(out);
}

void HttpExchange::failTls()
{
    // Nothing is sent before the peer is verified: a handshake failure never leaves the
    // request half-way.
    finish(QNetworkReply::SslHandshakeFailedError, m_tls->errorString());
}

void HttpExchange::sendRequest()
{
    if (!m_socket || m_finished)
        return;
    if (!m_tls) {
        m_socket->write(m_request);
    } else if (m_tls->send(m_request)) {
        // With the end of the handshake when that came in the same read: one write.
        writeTlsOutput();
    } else {
        failTls();
        return;
    }
    m_request.clear();
}

void HttpExchange::onReadyRead()
{
    if (!m_socket || m_finished)
        return;
    QByteArray bytes = m_socket->readAll();
    if (m_tls) {
        const bool wasEncrypted = m_tls->isEncrypted();
        if (!m_tls->receive(bytes)) {
            failTls();
            return;
        }
        if (!wasEncrypted && m_tls->isEncrypted()) {
            sendRequest();
            if (m_finished)
                return;
        } else {
            // Answers the peer may need (a key update); nothing in the common case.
            writeTlsOutput();
        }
        bytes = m_tls->takePlain();
        if (bytes.isEmpty() && !m_tls->peerClosed())
            return;
    }
    const qint64 before = m_response.bodyReceived();
    const bool hadHeaders = m_response.headersDone();
    const HttpResponseParser::State state = m_response.feed(bytes);
    if (state == HttpResponseParser::State::Failed) {
        finish(QNetworkReply::ProtocolFailure, QStringLiteral("Malformed HTTP response"));
        return;
    }
    if (m_response.headersDone() && (!hadHeaders || m_response.bodyReceived() != before ||
                                     state != HttpResponseParser::State::Incomplete))
        emit downloadProgress(m_response.bodyReceived(), m_response.contentLength());
    if (state == HttpResponseParser::State::Complete)
        finishWithResponse();
}

void HttpExchange::onDisconnected()
{
    if (m_finished || !m_socket)
        return;
    // Bytes still buffered belong to the response.
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    if (m_finished)
        return;
    if (m_response.endOfInput() == HttpResponseParser::State::Complete) {
        finishWithResponse();
        return;
    }
    finish(QNetworkReply::RemoteHostClosedError,
           QStringLiteral("Connection closed before the response was complete"));
}

void HttpExchange::onSocketError()
{
    if (m_finished || !m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    finish(errorForSocket(error), m_socket->errorString());
}

void HttpExchange::finishWithResponse()
{
    if (m_tls)
        m_tls->keepSession();
    const QNetworkReply::NetworkError error = errorForStatus(m_response.status());
    finish(error, error == QNetworkReply::NoError
                      ? QString()
                      : QStringLiteral("Error transferring %1 - server replied: %2")
                            .arg(m_url.toString(), QString::fromLatin1(m_response.reasonPhrase())));
}

void HttpExchange::abort()
{
    if (thread() != QThread::currentThread()) {
        QMetaObject::invokeMethod(this, &HttpExchange::abort, Qt::QueuedConnection);
        return;
    }
    if (!m_finished)
        finish(QNetworkReply::OperationCanceledError, QStringLiteral("Operation canceled"));
}

void HttpExchange::finish(QNetworkReply::NetworkError error, const QString &text)
{
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    m_errorString = text;
    if (m_socket) {
        QAbstractSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        // The answer is complete or given up: no goodbye is owed on a closing connection.
        socket->abort();
        socket->deleteLater();
    }
    emit finished();
}
