#include "client/ExchangeReply.h"
#include "client/HttpExchange.h"
#include "client/User.h"
#include "tests/support/HostileServer.h"
#include "tests/support/TestHttpsServer.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Behaviour = HostileServer::Behaviour;

HttpTrust testTrust()
{
    HttpTrust trust;
    trust.extraCaPem = HostileServer::caPem();
    return trust;
}

HttpRequest post(const QString &url, const HttpTrust &trust = testTrust())
{
    HttpRequest r;
    r.method = "POST";
    r.url = QUrl(url);
    r.body = "a=1";
    r.trust = trust;
    return r;
}

// Runs request to its end on the network thread while this thread's event loop turns.
HttpResult run(const HttpRequest &request)
{
    HttpExchange exchange;
    QSignalSpy done(&exchange, &HttpExchange::finished);
    exchange.start(request);
    if (!done.wait(30000))
        qWarning("the exchange did not end");
    return exchange.result();
}

QByteArray pemOf(const QString &relative)
{
    QFile file(TestHttpsServer::dataPath(relative));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// An HTTP proxy that tunnels CONNECT requests, remembering where each went.
class ConnectProxy : public QTcpServer
{
public:
    ConnectProxy() { listen(QHostAddress::LocalHost); }
    QStringList targets;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *client = new QTcpSocket(this);
        client->setSocketDescriptor(descriptor);
        connect(client, &QTcpSocket::readyRead, this, [this, client] {
            if (client->property("upstream").isValid())
                return;
            const QByteArray head = client->peek(4096);
            if (!head.contains("\r\n\r\n"))
                return;
            client->read(head.indexOf("\r\n\r\n") + 4);
            const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
            const QString target = QString::fromLatin1(words.value(1));
            targets.append(target);
            auto *upstream = new QTcpSocket(client);
            client->setProperty("upstream", true);
            connect(upstream, &QTcpSocket::connected, client, [client, upstream] {
                client->write("HTTP/1.1 200 Connection established\r\n\r\n");
                connect(client, &QTcpSocket::readyRead, upstream,
                        [client, upstream] { upstream->write(client->readAll()); });
                connect(upstream, &QTcpSocket::readyRead, client,
                        [client, upstream] { client->write(upstream->readAll()); });
                connect(upstream, &QTcpSocket::disconnected, client,
                        &QTcpSocket::disconnectFromHost);
                upstream->write(client->readAll());
            });
            upstream->connectToHost(QHostAddress::LocalHost,
                                    quint16(target.section(QLatin1Char(':'), -1).toInt()));
        });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }
};

} // namespace

class TestHttpExchange : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void trustsSystemRootsAndExtraCas_data();
    void trustsSystemRootsAndExtraCas();
    void peerNameChecked_data();
    void peerNameChecked();
    void sessionOfferedOnlyUnderTheSameTrust();
    void connectionKeptAlive_data();
    void connectionKeptAlive();
    void requestLeavesInOneWrite();
    void hostileServers_data();
    void hostileServers();
    void changeNeverSentTwice_data();
    void changeNeverSentTwice();
    void proxyFromEnvironment_data();
    void proxyFromEnvironment();
    void replyForWebViewCarriesBodyAndMetaData();
    void statusesNamedLikeQt_data();
    void statusesNamedLikeQt();
};

void TestHttpExchange::init()
{
    // Every case starts without kept-alive connections or sessions of an earlier one.
    HttpExchange::forgetConnections();
}

void TestHttpExchange::trustsSystemRootsAndExtraCas_data()
{
    // "roots" stands for the system's hashed directory, "extra" for the CA file's certificates;
    // the test server's certificate is issued by the test CA. A leaf certificate of that CA
    // stands for an anchor that verifies nothing.
    QTest::addColumn<QString>("roots");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<bool>("verified");
    const QString ca = QStringLiteral("tls/ca.pem");
    const QString unrelated = QStringLiteral("tls/wrongname.pem");
    QTest::newRow("the extra CA verifies") << unrelated << ca << true;
    QTest::newRow("only a system root verifies") << ca << unrelated << true;
    QTest::newRow("both verify") << ca << ca << true;
    QTest::newRow("neither verifies") << unrelated << unrelated << false;
}

void TestHttpExchange::trustsSystemRootsAndExtraCas()
{
    QFETCH(QString, roots);
    QFETCH(QString, extra);
    QFETCH(bool, verified);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    {
        QFile root(dir.filePath(QStringLiteral("root.pem")));
        QVERIFY(root.open(QIODevice::WriteOnly));
        root.write(pemOf(roots));
    }
    // The directory as the system's is laid out: named by subject hash, read as needed.
    QCOMPARE(QProcess::execute(QStringLiteral("openssl"), {QStringLiteral("rehash"), dir.path()}),
             0);
    HttpTrust trust;
    trust.rootsDir = dir.path();
    trust.extraCaPem = pemOf(extra);

    TestHttpsServer server;
    // Each call on a connection of its own: the second resumes the first one's session.
    for (int call = 0; call < 2; ++call) {
        HttpRequest request = post(server.baseUrl() + QStringLiteral("/api/test/"), trust);
        request.headers = {{"Connection", "close"}};
        const HttpResult result = run(request);
        if (verified) {
            QCOMPARE(result.error, QNetworkReply::NoError);
            QCOMPARE(result.body, QByteArray("{\"code\":0}"));
            QCOMPARE(result.resumedSession, call == 1);
        } else {
            QCOMPARE(result.error, QNetworkReply::SslHandshakeFailedError);
            QCOMPARE(result.tlsProblem, TlsProblem::UnknownIssuer);
            QVERIFY(!result.sent);
        }
    }
    // Nothing reached the service without a verified peer.
    QCOMPARE(server.requests().size(), verified ? 2 : 0);
}

void TestHttpExchange::peerNameChecked_data()
{
    // The certificates are issued by the test CA with the common name "localhost"; the good
    // one names localhost and 127.0.0.1 as alternative names, the other only other.example.
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("certificate");
    QTest::addColumn<int>("problem");
    const int good = int(TestHttpsServer::Certificate::Good);
    const int other = int(TestHttpsServer::Certificate::WrongName);
    const int expired = int(TestHttpsServer::Certificate::Expired);
    const int none = int(TlsProblem::None);
    const int wrongName = int(TlsProblem::WrongName);
    QTest::newRow("name in the certificate") << "localhost" << good << none;
    QTest::newRow("address in the certificate") << "127.0.0.1" << good << none;
    QTest::newRow("name only as the common name") << "localhost" << other << wrongName;
    QTest::newRow("address not in the certificate") << "127.0.0.1" << other << wrongName;
    QTest::newRow("expired") << "localhost" << expired << int(TlsProblem::Expired);
}

void TestHttpExchange::peerNameChecked()
{
    QFETCH(QString, host);
    QFETCH(int, certificate);
    QFETCH(int, problem);
    TestHttpsServer server(true, TestHttpsServer::Certificate(certificate));
    QUrl url(server.baseUrl() + QStringLiteral("/api/test/"));
    url.setHost(host);
    const HttpResult result = run(post(url.toString()));
    const bool verified = problem == int(TlsProblem::None);
    QCOMPARE(result.error,
             verified ? QNetworkReply::NoError : QNetworkReply::SslHandshakeFailedError);
    QVERIFY2(int(result.tlsProblem) == problem, qPrintable(result.errorString));
    QCOMPARE(server.requests().size(), verified ? 1 : 0);
}

void TestHttpExchange::sessionOfferedOnlyUnderTheSameTrust()
{
    // A kept-alive connection or a resumed session skips the certificate check: one made while
    // the test CA was trusted must not let a client that no longer trusts it through.
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
    QCOMPARE(server.requests().size(), 2);
}

void TestHttpExchange::connectionKeptAlive_data()
{
    QTest::addColumn<bool>("change");
    QTest::addColumn<int>("reuseMs"); // how recently used a connection must be for a change
    QTest::addColumn<bool>("sameConnection");
    QTest::newRow("reads") << false << 0 << true;
    QTest::newRow("changes, connection recent enough") << true << 600000 << true;
    // Whatever the server's idle timer, a change never goes on a connection it may be closing.
    QTest::newRow("changes, connection idle too long") << true << 0 << false;
}

void TestHttpExchange::connectionKeptAlive()
{
    QFETCH(bool, change);
    QFETCH(int, reuseMs);
    QFETCH(bool, sameConnection);
    TestHttpsServer server;
    User user;
    user.baseUrl = server.baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    user.changeReuseMs = reuseMs;
    const QString api = change ? user.paths.recordCreate : user.paths.domainList;
    for (int call = 0; call < 3; ++call)
        QVERIFY2(user.doAPI(api, {}), qPrintable(user.errorText));
    const QList<CapturedRequest> requests = server.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(1).remotePort == requests.at(0).remotePort, sameConnection);
    QCOMPARE(requests.at(2).remotePort == requests.at(1).remotePort, sameConnection);
}

void TestHttpExchange::requestLeavesInOneWrite()
{
    // Headers and body in separate writes let Nagle's algorithm hold the body back until the
    // server acknowledges the headers; a server then sees the headers alone first.
    HostileServer server{Behaviour::Answer};
    User user;
    user.baseUrl = server.baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    ApiParams params;
    params.insert("value", QString(3000, QLatin1Char('x')));
    QVERIFY2(user.doAPI(QStringLiteral("/api/test/"), params), qPrintable(user.errorText));
    QCOMPARE(server.requests, 1);
    QCOMPARE(server.firstReads.size(), 1);
    // The first read holds the headers and the whole body they announce.
    const QByteArray first = server.firstReads.first();
    const int end = first.indexOf("\r\n\r\n");
    const QRegularExpressionMatch length =
        QRegularExpression(QStringLiteral("Content-Length: (\\d+)"),
                           QRegularExpression::CaseInsensitiveOption)
            .match(QString::fromLatin1(first.left(end)));
    QVERIFY2(end > 0 && length.hasMatch(), first.left(400).constData());
    QVERIFY(length.captured(1).toInt() > 3000);
    QCOMPARE(first.size() - end - 4, length.captured(1).toInt());
}

void TestHttpExchange::hostileServers_data()
{
    // The limits of every case: a connection in 1 s, no silence of 3 s, 6 s in all, 64 KiB of
    // body and 16 KiB of headers. Each hostile server breaks exactly one of them, far beyond it.
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QString>("why"); // a pattern the error text must match
    QTest::addColumn<int>("requests");
    const int failure = int(QNetworkReply::ProtocolFailure);
    const int timeout = int(QNetworkReply::TimeoutError);
    const int closed = int(QNetworkReply::RemoteHostClosedError);
    const QString https = QStringLiteral("https");

    QTest::newRow("endless body") << int(Behaviour::EndlessBody) << https << failure << false
                                  << "larger than allowed" << 1;
    QTest::newRow("length over the cap, refused before the body")
        << int(Behaviour::HugeLength) << https << failure << false << "." << 1;
    QTest::newRow("endless headers")
        << int(Behaviour::EndlessHeaders) << https << failure << false << "headers too long" << 1;
    QTest::newRow("a byte every 100 ms: the total limit")
        << int(Behaviour::Drip) << https << timeout << true << "timed out after" << 1;
    QTest::newRow("never answers: the stall limit")
        << int(Behaviour::NeverAnswers) << https << timeout << true << "No data" << 1;
    QTest::newRow("never finishes the handshake: the connect limit")
        << int(Behaviour::NoHandshake) << https << timeout << true << "[Tt]ime" << 0;
    QTest::newRow("short Content-Length")
        << int(Behaviour::ShortLength) << https << closed << false << "." << 1;
    QTest::newRow("chunked cut short")
        << int(Behaviour::ChunkedCut) << https << closed << false << "." << 1;
    QTest::newRow("TCP close without TLS close")
        << int(Behaviour::CloseWithoutTls) << https << closed << false << "without a length" << 1;
    QTest::newRow("conflicting lengths")
        << int(Behaviour::ConflictingLengths) << https << failure << false << "Conflicting" << 1;
    QTest::newRow("redirect not followed")
        << int(Behaviour::Redirect) << https << int(QNetworkReply::NoError) << false << "^$" << 1;
    // TLS 1.1 at most on the server: the body checks that the server found no version in
    // common with the client's offer (1.2 and later).
    QTest::newRow("TLS 1.1 only") << int(Behaviour::OldProtocol) << https
                                  << int(QNetworkReply::SslHandshakeFailedError) << false << "."
                                  << 0;
    QTest::newRow("http refused before anything is sent")
        << int(Behaviour::Answer) << QStringLiteral("http")
        << int(QNetworkReply::ProtocolUnknownError) << false << "expected https://" << 0;
}

void TestHttpExchange::hostileServers()
{
    QFETCH(int, behaviour);
    QFETCH(QString, scheme);
    QFETCH(int, error);
    QFETCH(bool, timedOut);
    QFETCH(QString, why);
    QFETCH(int, requests);
    HostileServer server{Behaviour(behaviour)};
    QUrl url(server.baseUrl() + QStringLiteral("/api/test/"));
    url.setScheme(scheme);
    HttpRequest request = post(url.toString());
    request.limits.connectMs = 1000;
    request.limits.stallMs = 3000;
    request.limits.totalMs = 6000;
    request.limits.maxBodyBytes = 64 * 1024;
    request.limits.maxHeaderBytes = 16 * 1024;

    const HttpResult result = run(request);
    QCOMPARE(int(result.error), error);
    QCOMPARE(result.timedOut, timedOut);
    QVERIFY2(result.errorString.contains(QRegularExpression(why)), qPrintable(result.errorString));
    QCOMPARE(server.requests, requests);
    if (Behaviour(behaviour) == Behaviour::Redirect)
        QCOMPARE(result.status, 302);
    // Refused for the offer itself: without the client's floor it offers 1.1 too, the server
    // agrees, and it is OpenSSL's default security level that refuses the server's signature
    // (a defence that a lower level in the system's configuration would take away).
    if (Behaviour(behaviour) == Behaviour::OldProtocol)
        QVERIFY2(server.handshakeErrors.size() == 1 && server.handshakeErrors.first().contains(
                                                           QStringLiteral("unsupported protocol")),
                 qPrintable(server.handshakeErrors.join(QLatin1Char('\n'))));
    if (scheme != QLatin1String("https"))
        QCOMPARE(server.connections, 0);
}

void TestHttpExchange::changeNeverSentTwice_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("requests"); // as the server read them, the first call's included
    const int drop = int(Behaviour::DropSecondRequest);
    const int idle = int(Behaviour::CloseWhenIdle);
    // Closed right after reading the request: a read goes again on a fresh connection, a
    // change does not and the user is told.
    QTest::newRow("read, closed after the request") << drop << false << true << 3;
    QTest::newRow("change, closed after the request") << drop << true << false << 2;
    // Closed while idle: nothing was sent on it, so either goes out on a fresh connection.
    QTest::newRow("read, closed while idle") << idle << false << true << 2;
    QTest::newRow("change, closed while idle") << idle << true << true << 2;
}

void TestHttpExchange::changeNeverSentTwice()
{
    QFETCH(int, behaviour);
    QFETCH(bool, change);
    QFETCH(bool, ok);
    QFETCH(int, requests);
    HostileServer server{Behaviour(behaviour)};
    User user;
    user.baseUrl = server.baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    QJsonValue res;
    // The first call leaves a kept-alive connection (or one the server has closed).
    QVERIFY2(user.doAPI(user.paths.userDetail, {}, res, true, nullptr, nullptr, true),
             qPrintable(user.errorText));
    if (Behaviour(behaviour) == Behaviour::CloseWhenIdle)
        QTRY_COMPARE(server.disconnects, 1);

    const QString api = change ? user.paths.recordCreate : user.paths.domainList;
    QVERIFY2(user.doAPI(api, {}, res, true, nullptr, nullptr, true) == ok,
             qPrintable(user.errorText));
    QCOMPARE(server.requests, requests);
    QCOMPARE(server.connections, 2);
    if (!ok)
        QVERIFY2(user.errorText.startsWith(QStringLiteral(
                     "网络连接错误,请检查网络. 错误码b395,2:RemoteHostClosedError,")),
                 qPrintable(user.errorText));
}

void TestHttpExchange::proxyFromEnvironment_data()
{
    QTest::addColumn<bool>("exempt"); // no_proxy names the service's host
    QTest::newRow("through the proxy") << false;
    QTest::newRow("no_proxy names the host") << true;
}

void TestHttpExchange::proxyFromEnvironment()
{
    QFETCH(bool, exempt);
    HostileServer server{Behaviour::Answer};
    ConnectProxy proxy;
    qputenv("https_proxy",
            QByteArray("http://127.0.0.1:") + QByteArray::number(proxy.serverPort()));
    if (exempt)
        qputenv("no_proxy", "127.0.0.1");
    HttpRequest change = post(server.baseUrl() + QStringLiteral("/api/test/"));
    change.limits.changeReuseMs = 600000;
    const HttpResult result = run(change);
    const HttpResult second = run(change);
    qunsetenv("https_proxy");
    qunsetenv("no_proxy");
    QCOMPARE(result.error, QNetworkReply::NoError);
    QCOMPARE(result.body, QByteArray("{\"code\":0}"));
    QCOMPARE(second.error, QNetworkReply::NoError);
    QCOMPARE(server.requests, 2);
    // The tunnel is kept alive like any connection: both went through one.
    QCOMPARE(server.connections, 1);
    QCOMPARE(proxy.targets,
             exempt ? QStringList()
                    : QStringList{QStringLiteral("127.0.0.1:%1").arg(server.serverPort())});
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

    ExchangeReply found(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/a.png"))),
                        testTrust(), HttpLimits());
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
                       testTrust(), HttpLimits());
    QSignalSpy errors(&gone, &QNetworkReply::errorOccurred);
    QSignalSpy goneDone(&gone, &QNetworkReply::finished);
    QVERIFY(goneDone.wait(10000));
    QCOMPARE(gone.error(), QNetworkReply::ContentNotFoundError);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(gone.readAll(), QByteArray("gone"));

    // An image over the caller's cap is refused, whatever the server says it holds.
    HttpLimits small;
    small.maxBodyBytes = 1000;
    ExchangeReply large(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/a.png"))),
                        testTrust(), small);
    QSignalSpy largeDone(&large, &QNetworkReply::finished);
    QVERIFY(largeDone.wait(10000));
    QCOMPARE(large.error(), QNetworkReply::ProtocolFailure);
    QCOMPARE(large.readAll(), QByteArray());

    // Aborted before it started: finished at once, as cancelled.
    ExchangeReply dropped(QNetworkRequest(QUrl(server.baseUrl() + QStringLiteral("/a.png"))),
                          testTrust(), HttpLimits());
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

    const HttpResult result = run(post(url.toString(), user.trust()));
    QCOMPARE(result.status, status);
    QCOMPARE(result.error, qtReply->error());
}

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_httpexchange.moc"
