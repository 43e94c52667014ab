#include "tests/support/HostileServer.h"

#include "tests/support/TestHttpsServer.h"

#include <QFile>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {

QByteArray readFile(const QString &relative)
{
    QFile file(TestHttpsServer::dataPath(relative));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The length of the first whole request in buffer, or -1 while it is incomplete.
int requestLength(const QByteArray &buffer)
{
    const int end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return -1;
    const QByteArray head = buffer.left(end).toLower();
    const int at = head.indexOf("content-length:");
    const int body = at < 0 ? 0 : head.mid(at + 15).split('\r').first().trimmed().toInt();
    return buffer.size() - end - 4 >= body ? end + 4 + body : -1;
}

} // namespace

HostileServer::HostileServer(Behaviour behaviour)
    : m_behaviour(behaviour), m_certificate(readFile(QStringLiteral("tls/server.pem")), QSsl::Pem),
      m_key(readFile(QStringLiteral("tls/server.key")), QSsl::Ec, QSsl::Pem)
{
    listen(QHostAddress::LocalHost);
}

HostileServer::~HostileServer()
{
    close();
}

QString HostileServer::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(serverPort());
}

QByteArray HostileServer::caPem()
{
    return readFile(QStringLiteral("tls/ca.pem"));
}

void HostileServer::incomingConnection(qintptr descriptor)
{
    ++connections;
    auto *socket = new QSslSocket(this);
    socket->setSocketDescriptor(descriptor);
    connect(socket, &QAbstractSocket::disconnected, this, [this] { ++disconnects; });
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        m_received.remove(socket);
        m_requestsOn.remove(socket);
    });
    if (m_behaviour == Behaviour::NoHandshake)
        return;
    socket->setLocalCertificate(m_certificate);
    socket->setPrivateKey(m_key);
    socket->setPeerVerifyMode(QSslSocket::VerifyNone);
    if (m_behaviour == Behaviour::OldProtocol) {
        // OpenSSL 3 refuses TLS 1.1 at its default security level, on either side: this
        // server lowers its own to zero so that only the client's settings can refuse it.
        QSslConfiguration config = socket->sslConfiguration();
        config.setProtocol(QSsl::TlsV1_1);
        config.setBackendConfigurationOption("CipherString", "DEFAULT:@SECLEVEL=0");
        socket->setSslConfiguration(config);
    }
    connect(socket, &QSslSocket::readyRead, this, [this, socket] { onReadable(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this,
            [this, socket](QAbstractSocket::SocketError error) {
                if (error == QAbstractSocket::SslHandshakeFailedError)
                    handshakeErrors.append(socket->errorString());
            });
    socket->startServerEncryption();
}

void HostileServer::onReadable(QTcpSocket *socket)
{
    QByteArray &buffer = m_received[socket];
    const QByteArray chunk = socket->readAll();
    if (buffer.isEmpty())
        firstReads.append(chunk);
    buffer += chunk;
    for (int length = requestLength(buffer); length >= 0; length = requestLength(buffer)) {
        buffer.remove(0, length);
        ++requests;
        act(socket, ++m_requestsOn[socket]);
        if (!m_received.contains(socket))
            return;
    }
}

void HostileServer::act(QTcpSocket *socket, int onConnection)
{
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                              "Content-Length: " +
                              QByteArray::number(answerBody.size()) + "\r\n\r\n" + answerBody;
    switch (m_behaviour) {
    case Behaviour::Answer:
    case Behaviour::OldProtocol:
        socket->write(answer);
        return;
    case Behaviour::NoHandshake:
    case Behaviour::NeverAnswers:
        return;
    case Behaviour::EndlessBody:
        startStream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                    "4000\r\n" + QByteArray(0x4000, 'x') + "\r\n", 1);
        return;
    case Behaviour::EndlessHeaders:
        startStream(socket, "HTTP/1.1 200 OK\r\n",
                    QByteArray("X-Pad: " + QByteArray(1000, 'h') + "\r\n").repeated(16), 1);
        return;
    case Behaviour::Drip:
        startStream(socket, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n", "x", 100);
        return;
    case Behaviour::HugeLength:
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nxx");
        return;
    case Behaviour::ShortLength:
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"code\":0}");
        closeSocket(socket, true);
        return;
    case Behaviour::ChunkedCut:
        socket->write("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "a\r\n{\"code\":0}\r\n20\r\n{\"code\":0");
        closeSocket(socket, true);
        return;
    case Behaviour::CloseWithoutTls:
        socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n{\"code\":0}");
        closeSocket(socket, false);
        return;
    case Behaviour::ConflictingLengths:
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Length: 4\r\n\r\n"
                      "{\"code\":0}");
        return;
    case Behaviour::Redirect:
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + baseUrl().toLatin1() +
                      "/elsewhere/\r\nContent-Length: 0\r\n\r\n");
        return;
    case Behaviour::DropSecondRequest:
        if (onConnection == 1)
            socket->write(answer);
        else
            closeSocket(socket, true);
        return;
    case Behaviour::CloseWhenIdle:
        socket->write(answer);
        closeSocket(socket, true);
        return;
    }
}

void HostileServer::startStream(QTcpSocket *socket, const QByteArray &head, const QByteArray &piece,
                                int intervalMs)
{
    socket->write(head);
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [socket, piece] {
        // Only as fast as the client reads.
        if (socket->bytesToWrite() < 4 * piece.size())
            socket->write(piece);
    });
    timer->start(intervalMs);
}

void HostileServer::closeSocket(QTcpSocket *socket, bool tlsClose)
{
    ++closedByServer;
    m_received.remove(socket);
    if (tlsClose) {
        socket->disconnectFromHost();
        return;
    }
    // The bytes go out, then a bare TCP close: no TLS close message.
    socket->flush();
    ::shutdown(int(socket->socketDescriptor()), SHUT_RDWR);
    QTimer::singleShot(0, socket, [socket] { socket->abort(); });
}
