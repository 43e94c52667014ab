#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QStringList>
#include <QTcpServer>

class QTcpSocket;

// A TLS server on 127.0.0.1 that misbehaves as scripted, for the request layer's limits and
// its handling of kept-alive connections. It runs on the test's thread: the client's requests
// run on the network thread, so the test waits in its event loop while this answers.
class HostileServer : public QTcpServer
{
    Q_OBJECT
public:
    enum class Behaviour
    {
        Answer,             // 200 with a length, the connection kept open
        NoHandshake,        // accepts the connection and never speaks TLS
        NeverAnswers,       // reads the request and says nothing
        EndlessBody,        // a chunked body without end
        EndlessHeaders,     // header lines without end
        Drip,               // a byte every 100 ms of a long body
        HugeLength,         // declares a body over any cap, then waits
        ShortLength,        // declares more than it sends, then closes (TLS close)
        ChunkedCut,         // ends inside a chunk (TLS close)
        CloseWithoutTls,    // a body ended by a TCP close without TLS's close message
        ConflictingLengths, // two different Content-Length headers
        Redirect,           // 302 to another https address
        DropSecondRequest,  // on a kept-alive connection, closes after reading the second
        CloseWhenIdle,      // answers, then closes the connection
        OldProtocol         // answers, but speaks nothing newer than TLS 1.1
    };

    explicit HostileServer(Behaviour behaviour);
    ~HostileServer() override;

    QString baseUrl() const;
    static QByteArray caPem();

    // Requests read whole, connections accepted and connections closed by this side.
    int requests = 0;
    int connections = 0;
    int closedByServer = 0;
    // Connections that have ended, whichever side ended them.
    int disconnects = 0;
    QByteArray answerBody = QByteArrayLiteral("{\"code\":0}");
    // Why handshakes failed, as this side saw it.
    QStringList handshakeErrors;
    // What the first read of each request returned (decrypted).
    QList<QByteArray> firstReads;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void onReadable(QTcpSocket *socket);
    void act(QTcpSocket *socket, int onConnection);
    void startStream(QTcpSocket *socket, const QByteArray &head, const QByteArray &piece,
                     int intervalMs);
    void closeSocket(QTcpSocket *socket, bool tlsClose);

    Behaviour m_behaviour;
    QSslCertificate m_certificate;
    QSslKey m_key;
    QHash<QTcpSocket *, QByteArray> m_received;
    QHash<QTcpSocket *, int> m_requestsOn;
};
