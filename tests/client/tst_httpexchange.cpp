#include "client/ExchangeReply.h"
#include "client/HttpExchange.h"
#include "client/HttpResponseParser.h"
#include "client/TlsSettings.h"
#include "client/User.h"
#include "tests/support/TestHttpsServer.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// A plain HTTP server that keeps what its first read of each connection returned and
// answers once a whole request is in.
class FirstReadServer : public QObject
{
public:
    FirstReadServer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = server.nextPendingConnection();
            auto *received = new QByteArray;
            connect(socket, &QObject::destroyed, [received] { delete received; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                const QByteArray chunk = socket->readAll();
                if (received->isEmpty())
                    firstReads.append(chunk);
                *received += chunk;
                if (complete(*received)) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n{\"code\":0}");
                    socket->disconnectFromHost();
                }
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
    }
    QString baseUrl() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    }
    static bool complete(const QByteArray &request)
    {
        const int end = request.indexOf("\r\n\r\n");
        if (end < 0)
            return false;
        const QByteArray head = request.left(end).toLower();
        const int at = head.indexOf("content-length: ");
        const int length = at < 0 ? 0 : head.mid(at + 16).split('\r').first().toInt();
        return request.size() - end - 4 >= length;
    }

    QTcpServer server;
    QList<QByteArray> firstReads;
};

using Chunks = QList<QByteArray>;

} // namespace

class TestHttpExchange : public QObject
{
    Q_OBJECT
private slots:
    void parsesResponse_data();
    void parsesResponse();
    void buildsRequest();
    void requestLeavesInOneWrite();
    void socketHasNoNagleDelay();
    void sessionOfferedOnlyUnderTheSameTrust();
    void trustsSystemRootsAndExtraCas_data();
    void trustsSystemRootsAndExtraCas();
    void peerNameChecked_data();
    void peerNameChecked();
    void replyForWebViewCarriesBodyAndMetaData();
    void statusesNamedLikeQt_data();
    void statusesNamedLikeQt();
};

void TestHttpExchange::parsesResponse_data()
{
    QTest::addColumn<Chunks>("chunks");
    QTest::addColumn<bool>("closed"); // the connection ends after the last chunk
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    const int ok = int(HttpResponseParser::State::Complete);
    const int failed = int(HttpResponseParser::State::Failed);
    const int waiting = int(HttpResponseParser::State::Incomplete);

    QTest::newRow("length, split everywhere")
        << Chunks{"HTTP/1.1 200 O", "K\r\nContent-Len", "gth: 5\r\n\r", "\nhel", "lo"} << false
        << ok << 200 << QByteArray("hello");
    QTest::newRow("length, extra bytes after it ignored")
        << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokXYZ"} << false << ok << 200
        << QByteArray("ok");
    QTest::newRow("chunked with extension and trailer")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n",
                  "A\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n"}
        << false << ok << 200 << QByteArray("abc0123456789");
    QTest::newRow("chunked wins over length")
        << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n"
                  "2\r\nab\r\n0\r\n\r\n"}
        << false << ok << 200 << QByteArray("ab");
    QTest::newRow("until close") << Chunks{"HTTP/1.0 200 OK\r\n\r\npart", "s"} << true << ok << 200
                                 << QByteArray("parts");
    QTest::newRow("interim 100 skipped") << Chunks{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not "
                                                   "Found\r\nContent-Length: 1\r\n\r\nx"}
                                         << false << ok << 404 << QByteArray("x");
    QTest::newRow("204 has no body")
        << Chunks{"HTTP/1.1 204 No Content\r\n\r\n"} << false << ok << 204 << QByteArray();
    QTest::newRow("no reason phrase") << Chunks{"HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n"}
                                      << false << ok << 200 << QByteArray();

    QTest::newRow("cut inside the body")
        << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"} << true << failed << 200
        << QByteArray("abc");
    QTest::newRow("cut inside a chunk")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"} << true << failed
        << 200 << QByteArray("ab");
    QTest::newRow("still waiting") << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"}
                                   << false << waiting << 200 << QByteArray("abc");
    QTest::newRow("two different lengths")
        << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc"} << false
        << failed << 200 << QByteArray();
    QTest::newRow("signed length") << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"}
                                   << false << failed << 200 << QByteArray();
    QTest::newRow("overflowing length")
        << Chunks{"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n"} << false
        << failed << 200 << QByteArray();
    QTest::newRow("overflowing chunk size")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFFFF\r\n"}
        << false << failed << 200 << QByteArray();
    QTest::newRow("chunk size not hex")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"} << false << failed
        << 200 << QByteArray();
    QTest::newRow("chunk without its line end")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1\r\naXY\r\n"} << false
        << failed << 200 << QByteArray("a");
    QTest::newRow("unknown transfer coding")
        << Chunks{"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nxx"} << true << failed << 200
        << QByteArray();
    QTest::newRow("not HTTP") << Chunks{"SSH-2.0-OpenSSH\r\n"} << false << failed << 0
                              << QByteArray();
    QTest::newRow("header without colon")
        << Chunks{"HTTP/1.1 200 OK\r\nbroken\r\n\r\n"} << false << failed << 200 << QByteArray();
    QTest::newRow("endless header")
        << Chunks{"HTTP/1.1 200 OK\r\nX: " +
                  QByteArray(HttpResponseParser::kMaxHeaderBytes + 10, 'a')}
        << false << failed << 200 << QByteArray();
    QTest::newRow("too many header lines")
        << Chunks{"HTTP/1.1 200 OK\r\n" + QByteArray("X: y\r\n").repeated(12000)} << false << failed
        << 200 << QByteArray();
}

void TestHttpExchange::parsesResponse()
{
    QFETCH(Chunks, chunks);
    QFETCH(bool, closed);
    QFETCH(int, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);

    HttpResponseParser parser;
    QByteArray received;
    for (const QByteArray &chunk : chunks) {
        parser.feed(chunk);
        received += parser.takeBody();
    }
    if (closed)
        parser.endOfInput();
    received += parser.takeBody();
    QCOMPARE(int(parser.state()), state);
    QCOMPARE(parser.status(), status);
    QCOMPARE(received, body);
}

void TestHttpExchange::buildsRequest()
{
    const QByteArray sent = HttpExchange::requestBytes(
        "POST", QUrl(QStringLiteral("https://[::1]:8443/api/x/?a=1%202")),
        {{"Content-Type", "application/x-www-form-urlencoded"}}, "k=v");
    QCOMPARE(sent, QByteArray("POST /api/x/?a=1%202 HTTP/1.1\r\nHost: [::1]:8443\r\n"
                              "Content-Type: application/x-www-form-urlencoded\r\n"
                              "Content-Length: 3\r\nConnection: close\r\n\r\nk=v"));
    // The default port is left out of Host; a GET without a body declares no length.
    QCOMPARE(HttpExchange::requestBytes("GET", QUrl(QStringLiteral("https://a.cn")), {}, {}),
             QByteArray("GET / HTTP/1.1\r\nHost: a.cn\r\nConnection: close\r\n\r\n"));
}

void TestHttpExchange::requestLeavesInOneWrite()
{
    // Headers and body in separate writes let Nagle's algorithm hold the body back until the
    // server acknowledges the headers; a server then sees the headers alone first.
    FirstReadServer server;
    User user;
    user.baseUrl = server.baseUrl();
    ApiParams params;
    params.insert("value", QString(3000, QLatin1Char('x')));
    QVERIFY2(user.doAPI(QStringLiteral("/api/test/"), params), qPrintable(user.errorText));
    QCOMPARE(server.firstReads.size(), 1);
    QVERIFY2(FirstReadServer::complete(server.firstReads.first()),
             server.firstReads.first().left(400).constData());
}

void TestHttpExchange::socketHasNoNagleDelay()
{
    TestHttpsServer server;
    User user;
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    HttpExchange exchange;
    int noDelay = -1;
    connect(&exchange, &HttpExchange::connected, this, [&] {
        int value = 0;
        socklen_t size = sizeof value;
        if (getsockopt(int(exchange.socket()->socketDescriptor()), IPPROTO_TCP, TCP_NODELAY, &value,
                       &size) == 0)
            noDelay = value;
    });
    QSignalSpy finished(&exchange, &HttpExchange::finished);
    exchange.start("POST", QUrl(server.baseUrl() + QStringLiteral("/api/test/")), {}, "a=1",
                   user.sslConfiguration());
    QVERIFY(finished.wait(10000));
    QCOMPARE(exchange.error(), QNetworkReply::NoError);
    QCOMPARE(exchange.readAll(), QByteArray("{\"code\":0}"));
    QVERIFY(noDelay > 0);
}

void TestHttpExchange::sessionOfferedOnlyUnderTheSameTrust()
{
    // A resumed session skips the certificate check: one made while the test CA was trusted
    // must not let a client that no longer trusts it through.
    TestHttpsServer server;
    const QString api = QStringLiteral("/api/test/");
    {
        User trusting;
        trusting.baseUrl = server.baseUrl();
        trusting.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
        QVERIFY2(trusting.doAPI(api, {}), qPrintable(trusting.errorText));
        QVERIFY2(trusting.doAPI(api, {}), qPrintable(trusting.errorText));
    }
    User plain;
    plain.baseUrl = server.baseUrl();
    QJsonValue res;
    QVERIFY(!plain.doAPI(api, {}, res, true, nullptr, nullptr, true));
    QVERIFY2(plain.errorText.contains(QStringLiteral("SslHandshakeFailedError")),
             qPrintable(plain.errorText));
}

void TestHttpExchange::trustsSystemRootsAndExtraCas_data()
{
    // "system roots" stands for the system's list, "extra" for the CA file's certificates; the
    // test server's certificate is issued by the test CA. A leaf certificate of that CA stands
    // for an anchor that verifies nothing.
    const QList<QSslCertificate> testCa = QSslCertificate::fromPath(TestHttpsServer::caFile());
    const QList<QSslCertificate> unrelated =
        QSslCertificate::fromPath(TestHttpsServer::dataPath(QStringLiteral("tls/wrongname.pem")));
    QTest::addColumn<QList<QSslCertificate>>("systemRoots");
    QTest::addColumn<QList<QSslCertificate>>("extraCa");
    QTest::addColumn<bool>("verified");

    QTest::newRow("the extra CA verifies") << unrelated << testCa << true;
    QTest::newRow("only a system root verifies") << testCa << unrelated << true;
    QTest::newRow("both verify") << testCa << testCa << true;
    QTest::newRow("neither verifies") << unrelated << unrelated << false;
}

void TestHttpExchange::trustsSystemRootsAndExtraCas()
{
    QFETCH(QList<QSslCertificate>, systemRoots);
    QFETCH(QList<QSslCertificate>, extraCa);
    QFETCH(bool, verified);
    QVERIFY(!systemRoots.isEmpty() && !extraCa.isEmpty());
    HttpExchange::forgetTlsSessions();

    const QSslConfiguration full = serviceTlsConfiguration(extraCa, systemRoots);
    QCOMPARE(full.caCertificates(), systemRoots + extraCa);

    TestHttpsServer server;
    const QUrl url(server.baseUrl() + QStringLiteral("/api/test/"));
    // The second call resumes the first one's session.
    for (int call = 0; call < 2; ++call) {
        HttpExchange exchange;
        QSignalSpy done(&exchange, &HttpExchange::finished);
        exchange.start("POST", url, {}, "a=1", full);
        QVERIFY(done.wait(10000));
        QCOMPARE(done.size(), 1);
        if (verified) {
            QCOMPARE(exchange.error(), QNetworkReply::NoError);
            QCOMPARE(exchange.readAll(), QByteArray("{\"code\":0}"));
            QCOMPARE(exchange.resumedSession(), call == 1);
        } else {
            QCOMPARE(exchange.error(), QNetworkReply::SslHandshakeFailedError);
        }
    }
    // Nothing reached the service without a verified peer.
    QCOMPARE(server.requests().size(), verified ? 2 : 0);
}

void TestHttpExchange::peerNameChecked_data()
{
    // Both certificates are issued by the test CA with the common name "localhost"; the good
    // one names localhost and 127.0.0.1 as alternative names, the other only other.example.
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("certificate");
    QTest::addColumn<bool>("verified");
    const int good = int(TestHttpsServer::Certificate::Good);
    const int other = int(TestHttpsServer::Certificate::WrongName);
    QTest::newRow("name in the certificate") << "localhost" << good << true;
    QTest::newRow("address in the certificate") << "127.0.0.1" << good << true;
    QTest::newRow("name only as the common name") << "localhost" << other << false;
    QTest::newRow("address not in the certificate") << "127.0.0.1" << other << false;
}

void TestHttpExchange::peerNameChecked()
{
    QFETCH(QString, host);
    QFETCH(int, certificate);
    QFETCH(bool, verified);
    HttpExchange::forgetTlsSessions();
    TestHttpsServer server(true, TestHttpsServer::Certificate(certificate));
    QUrl url(server.baseUrl() + QStringLiteral("/api/test/"));
    url.setHost(host);
    HttpExchange exchange;
    QSignalSpy done(&exchange, &HttpExchange::finished);
    exchange.start("POST", url, {}, "a=1",
                   serviceTlsConfiguration(QSslCertificate::fromPath(TestHttpsServer::caFile())));
    QVERIFY(done.wait(10000));
    QCOMPARE(exchange.error(),
             verified ? QNetworkReply::NoError : QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(server.requests().size(), verified ? 1 : 0);
}

void TestHttpExchange::replyForWebViewCarriesBodyAndMetaData()
{
    TestHttpsServer server;
    CannedReply image;
    image.body = QByteArray(70000, 'p'); // more than one read
    image.contentType = "image/png";
    server.setReply(QStringLiteral("/a.png"), image);
    CannedReply missing;
    missing.status = 404;
    missing.body = "gone";
    server.setReply(QStringLiteral("/b.png"), missing);
    User user;
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));

    ExchangeReply found(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/a.png"))),
                        user.sslConfiguration());
    QByteArray body;
    connect(&found, &QNetworkReply::readyRead, this, [&] { body += found.readAll(); });
    QSignalSpy foundDone(&found, &QNetworkReply::finished);
    QVERIFY(foundDone.wait(10000));
    QCOMPARE(found.error(), QNetworkReply::NoError);
    QCOMPARE(found.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QCOMPARE(found.header(QNetworkRequest::ContentTypeHeader).toString(),
             QStringLiteral("image/png"));
    QCOMPARE(body + found.readAll(), image.body);

    ExchangeReply gone(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/b.png"))),
                       user.sslConfiguration());
    QSignalSpy errors(&gone, &QNetworkReply::errorOccurred);
    QSignalSpy goneDone(&gone, &QNetworkReply::finished);
    QVERIFY(goneDone.wait(10000));
    QCOMPARE(gone.error(), QNetworkReply::ContentNotFoundError);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(gone.readAll(), QByteArray("gone"));

    // Aborted before it started: finished at once, as cancelled.
    ExchangeReply dropped(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/a.png"))),
                          user.sslConfiguration());
    QSignalSpy droppedDone(&dropped, &QNetworkReply::finished);
    dropped.abort();
    QCOMPARE(droppedDone.size(), 1);
    QCOMPARE(dropped.error(), QNetworkReply::OperationCanceledError);
}

void TestHttpExchange::statusesNamedLikeQt_data()
{
    QTest::addColumn<int>("status");
    for (const int status : {302, 401, 403, 404, 418, 429, 500, 502, 503})
        QTest::addRow("%d", status) << status;
}

void TestHttpExchange::statusesNamedLikeQt()
{
    // Error texts carry the error's number and name, so they must match what Qt's own
    // replies report for the same answer.
    QFETCH(int, status);
    TestHttpsServer server;
    CannedReply reply;
    reply.status = status;
    server.setDefaultReply(reply);
    const QUrl url(server.baseUrl() + QStringLiteral("/api/test/"));
    User user;
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setSslConfiguration(user.sslConfiguration());
    QNetworkReply *qtReply = manager.post(request, QByteArray("a=1"));
    QSignalSpy qtDone(qtReply, &QNetworkReply::finished);
    QVERIFY(qtDone.wait(10000));

    HttpExchange exchange;
    QSignalSpy done(&exchange, &HttpExchange::finished);
    exchange.start("POST", url, {}, "a=1", user.sslConfiguration());
    QVERIFY(done.wait(10000));
    QCOMPARE(exchange.statusCode(), status);
    QCOMPARE(exchange.error(), qtReply->error());
}

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_httpexchange.moc"
