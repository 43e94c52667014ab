#include "client/HttpExchange.h"

#include "client/TlsSettings.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QSslSocket>
#include <QTcpSocket>
#include <QThread>

namespace {

// TLS sessions by host, port and trust: resuming one skips the certificate exchange, so a
// session is only offered back under the very settings that verified it.
QMutex g_sessionMutex;
QHash<QString, QByteArray> &sessions()
{
    static QHash<QString, QByteArray> store;
    return store;
}

// Hosts (host:port) whose certificate the extra CAs alone did not verify: they get the full
// trust at once from then on.
QSet<QString> &hostsNeedingFullTrust()
{
    static QSet<QString> hosts;
    return hosts;
}

QString hostPort(const QUrl &url)
{
    return url.host() + QLatin1Char(':') + QString::number(url.port(443));
}

// Digests of the trusted CAs, remembered for the last lists seen: the settings are built once,
// so a list is the same shared one on every call and comparing it costs nothing. A first try
// under the extra CAs alone and the full trust make two lists in turn.
QString trustFingerprint(const QList<QSslCertificate> &cas)
{
    static QList<QPair<QList<QSslCertificate>, QString>> known;
    for (const auto &entry : qAsConst(known)) {
        if (entry.first == cas)
            return entry.second;
    }
    QString fingerprint = QStringLiteral("");
    for (const QSslCertificate &ca : cas)
        fingerprint +=
            QLatin1Char(' ') + QString::fromLatin1(ca.digest(QCryptographicHash::Sha256).toHex());
    if (known.size() >= 4)
        known.removeFirst();
    known.append({cas, fingerprint});
    return fingerprint;
}

// Called with g_sessionMutex held.
QString sessionKey(const QUrl &url, const QSslConfiguration &ssl)
{
    return url.host() + QLatin1Char(':') + QString::number(url.port(443)) +
           QStringLiteral(" v%1 p%2").arg(int(ssl.peerVerifyMode())).arg(int(ssl.protocol())) +
           trustFingerprint(ssl.caCertificates());
}

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

void HttpExchange::forgetTlsSessions()
{
    QMutexLocker lock(&g_sessionMutex);
    sessions().clear();
    hostsNeedingFullTrust().clear();
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
        QSslConfiguration first = ssl;
        const QSslConfiguration narrow = extraCaOnlyTrust(ssl);
        if (!narrow.isNull()) {
            QMutexLocker lock(&g_sessionMutex);
            if (!hostsNeedingFullTrust().contains(hostPort(url))) {
                first = narrow;
                m_fullTrust = ssl;
            }
        }
        openTls(first);
    } else {
        m_socket = new QTcpSocket(this);
        connect(m_socket, &QAbstractSocket::connected, this, &HttpExchange::sendRequest);
        watchSocket();
        m_socket->connectToHost(url.host(), quint16(url.port(80)));
    }
}

void HttpExchange::openTls(const QSslConfiguration &ssl)
{
    auto *socket = new QSslSocket(this);
    QSslConfiguration config = ssl;
    if (!config.testSslOption(QSsl::SslOptionDisableSessionPersistence)) {
        QMutexLocker lock(&g_sessionMutex);
        m_sessionKey = sessionKey(m_url, config);
        config.setSessionTicket(sessions().value(m_sessionKey));
    } else {
        m_sessionKey.clear();
    }
    socket->setSslConfiguration(config);
    connect(socket, &QSslSocket::encrypted, this, &HttpExchange::sendRequest);
    connect(socket, &QSslSocket::newSessionTicketReceived, this, &HttpExchange::rememberSession);
    m_socket = socket;
    watchSocket();
    socket->connectToHostEncrypted(m_url.host(), quint16(m_url.port(443)));
}

void HttpExchange::watchSocket()
{
    // Connected before the request is sent, so the options are set before the first write.
    connect(m_socket, &QAbstractSocket::connected, this, &HttpExchange::onConnected);
    connect(m_socket, &QAbstractSocket::readyRead, this, &HttpExchange::onReadyRead);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &HttpExchange::onSocketError);
    connect(m_socket, &QAbstractSocket::disconnected, this, &HttpExchange::onDisconnected);
    // Reading everything at once keeps a slow reader from stalling the sender.
    m_socket->setReadBufferSize(0);
}

bool HttpExchange::retryUnderFullTrust()
{
    // Nothing was sent yet: the request goes out only once the handshake succeeded.
    if (m_fullTrust.isNull() || m_socket->error() != QAbstractSocket::SslHandshakeFailedError)
        return false;
    const QSslConfiguration full = m_fullTrust;
    m_fullTrust = QSslConfiguration();
    {
        QMutexLocker lock(&g_sessionMutex);
        hostsNeedingFullTrust().insert(hostPort(m_url));
    }
    QAbstractSocket *failed = m_socket;
    m_socket = nullptr;
    failed->disconnect(this);
    failed->abort();
    failed->deleteLater();
    openTls(full);
    return true;
}

void HttpExchange::onConnected()
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit connected();
}

void HttpExchange::sendRequest()
{
    if (!m_socket || m_finished)
        return;
    // Once the request is out, a failure is the exchange's own, never a reason to send again.
    m_fullTrust = QSslConfiguration();
    m_socket->write(m_request);
    m_request.clear();
}

void HttpExchange::rememberSession()
{
    auto *socket = qobject_cast<QSslSocket *>(m_socket.data());
    if (!socket || m_sessionKey.isEmpty())
        return;
    const QByteArray ticket = socket->sslConfiguration().sessionTicket();
    if (ticket.isEmpty())
        return;
    QMutexLocker lock(&g_sessionMutex);
    sessions().insert(m_sessionKey, ticket);
}

void HttpExchange::onReadyRead()
{
    if (!m_socket || m_finished)
        return;
    const qint64 before = m_response.bodyReceived();
    const bool hadHeaders = m_response.headersDone();
    const HttpResponseParser::State state = m_response.feed(m_socket->readAll());
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
    if (retryUnderFullTrust())
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    finish(errorForSocket(error), m_socket->errorString());
}

void HttpExchange::finishWithResponse()
{
    rememberSession();
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
