#include "client/MsgPresenter.h"
#include "client/User.h"
#include "tests/support/TestHttpsServer.h"

#include <QJsonObject>
#include <QSslCertificate>
#include <QtTest>

namespace {

// Remembers what each message box was asked to show and answers OK.
class BoxLog : public MsgPresenter
{
public:
    BoxLog() { User::setMsgPresenter(this); }
    ~BoxLog() override { User::setMsgPresenter(nullptr); }
    int present(const MsgBoxRequest &request) override
    {
        shown.append(request.content);
        return 1;
    }
    QStringList shown;
};

const QString kApi = QStringLiteral("/api/test/");
const QString kL366 = QStringLiteral("服务器返回错误,请检查网络. 错误码:L366");
const QString kTimeout = QStringLiteral("网络连接超时,请检查网络.");

CannedReply json(const QByteArray &body, int status = 200)
{
    CannedReply r;
    r.body = body;
    r.status = status;
    return r;
}

} // namespace

// One signed request over a real HTTPS connection, and every way it can end.
class TestDoApi : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void sendsSignedForm();
    void beforeSignInNoKeyNoHash();
    void noTimestampWhenNotAsked();
    void evaluatesReply_data();
    void evaluatesReply();
    void httpErrorIsNetworkFailure();
    void readNextGoesOutOnceAndNeverForAChange();
    void quietShowsNothing();
    void silentServerCutAtIdleLimit();
    void dripKeepsIdleAliveButTotalLimitCuts();
    void untrustedCertificateRefused_data();
    void untrustedCertificateRefused();
    void plainHttpRefusedBeforeSending();
    void entryHeldAcrossNestedReloadStaysValid();
    // Last: an application-wide exit leaves every later event loop returning at once.
    void otherLoopExitCode();

private:
    void pointAt(User &user, const TestHttpsServer &server);
};

void TestDoApi::init()
{
    QCoreApplication::setApplicationName(QStringLiteral("tst_doapi"));
}

void TestDoApi::pointAt(User &user, const TestHttpsServer &server)
{
    user.baseUrl = server.baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
}

void TestDoApi::sendsSignedForm()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    user.apiKey = QStringLiteral("KEY");
    user.apiSecret = QStringLiteral("SECRET");

    ApiParams p;
    p.insert("pageSize", QStringLiteral("50"));
    p.insert("domainID", QStringLiteral("5"));
    p.insert("page", QStringLiteral("2"));
    QVERIFY(user.doAPI(kApi, p));

    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.path, kApi);
    QCOMPARE(sent.keys,
             (QList<QByteArray>{"apiKey", "domainID", "hash", "page", "pageSize", "timestamp"}));
    // Now, not some other time: a minute apart at most however slow the machine.
    QVERIFY(qAbs(sent.form.value("timestamp").toLongLong() - QDateTime::currentSecsSinceEpoch()) <=
            60);
    ApiParams resigned = sent.form;
    resigned.remove("hash");
    QCOMPARE(sent.form.value("hash"), signParams(resigned, QStringLiteral("SECRET")));
}

void TestDoApi::beforeSignInNoKeyNoHash()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    ApiParams p;
    p.insert("email", QStringLiteral("x y@例子.cn"));
    QVERIFY(user.doAPI(kApi, p));
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.keys, (QList<QByteArray>{"email", "timestamp"}));
    QVERIFY(sent.body.startsWith("email=x%20y%40%E4%BE%8B%E5%AD%90.cn&"));
}

void TestDoApi::noTimestampWhenNotAsked()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    ApiParams p;
    p.insert("email", QStringLiteral("a@b.c"));
    QJsonValue res;
    QVERIFY(user.doAPI(kApi, p, res, false));
    QCOMPARE(server.requests().value(0).keys, QList<QByteArray>{"email"});
}

void TestDoApi::evaluatesReply_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<int>("resCode");
    QTest::addColumn<QString>("box"); // empty: no box
    QTest::addColumn<QJsonValue>("data");

    const QJsonValue undefined(QJsonValue::Undefined);
    QTest::newRow("success with data")
        << QByteArray(R"({"code":0,"data":{"n":1}})") << true << QString() << 0 << QString()
        << QJsonValue(QJsonObject{{QStringLiteral("n"), 1}});
    QTest::newRow("code as numeric string, no data")
        << QByteArray(R"({"code":"0"})") << true << QString() << 0 << QString() << undefined;
    QTest::newRow("refusal with message")
        << QByteArray(R"({"code":1,"message":"非法的API Key","data":null})") << false
        << QStringLiteral("非法的API Key") << 1 << QString() << QJsonValue();
    QTest::newRow("refusal without message")
        << QByteArray(R"({"code":2024})") << false
        << QStringLiteral("服务器返回错误,请检查网络. 错误码:c2024") << 2024 << QString()
        << undefined;
    QTest::newRow("missing code") << QByteArray(R"({"message":"x"})") << false << kL366 << -2
                                  << kL366 << QJsonValue();
    QTest::newRow("code -7726") << QByteArray(R"({"code":-7726})") << false << kL366 << -2 << kL366
                                << QJsonValue();
    QTest::newRow("non-numeric code")
        << QByteArray(R"({"code":"ok"})") << false << kL366 << -2 << kL366 << QJsonValue();
    QTest::newRow("array body") << QByteArray("[1,2]") << false << kL366 << -2 << kL366
                                << QJsonValue();
    QTest::newRow("html page") << QByteArray("<html><title>Welcome</title></html>") << false
                               << kL366 << -2 << kL366 << QJsonValue();
    QTest::newRow("forbidden page")
        << QByteArray("<html><head><title>错误页面403</title></head></html>") << false << kL366
        << -2 << QStringLiteral("未找到页面，请检查网络。") << QJsonValue();
    QTest::newRow("empty body") << QByteArray() << false << kL366 << -2 << kL366 << QJsonValue();
    // Read as the text the caller sees: a byte that is not UTF-8 is U+FFFD there, and the
    // byte order mark is gone.
    QTest::newRow("refusal with a byte not UTF-8")
        << QByteArray("{\"code\":3,\"message\":\"bad \xff key\"}") << false
        << QStringLiteral("bad \uFFFD key") << 3 << QString() << QJsonValue(QJsonValue::Undefined);
    QTest::newRow("byte order mark")
        << QByteArray("\xef\xbb\xbf{\"code\":0,\"data\":\"x\"}") << true << QString() << 0
        << QString() << QJsonValue(QStringLiteral("x"));
}

void TestDoApi::evaluatesReply()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QString, errorText);
    QFETCH(int, resCode);
    QFETCH(QString, box);
    QFETCH(QJsonValue, data);

    TestHttpsServer server;
    server.setDefaultReply(json(body));
    User user;
    pointAt(user, server);
    user.resultCode = 99;
    BoxLog boxes;

    QJsonValue res;
    int code = 12345;
    QString raw;
    QCOMPARE(user.doAPI(kApi, {}, res, true, &code, &raw), ok);
    QCOMPARE(user.errorText, errorText);
    QCOMPARE(code, resCode);
    QCOMPARE(user.resultCode, resCode == -2 ? 99 : resCode);
    QCOMPARE(raw, QString::fromUtf8(body));
    QCOMPARE(user.lastReply, QString::fromUtf8(body));
    QCOMPARE(boxes.shown, box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(res, data);
}

void TestDoApi::readNextGoesOutOnceAndNeverForAChange()
{
    TestHttpsServer server;
    server.setDefaultReply(json(R"({"code":0,"data":{}})"));
    User user;
    pointAt(user, server);
    const auto paths = [&server] {
        QStringList sent;
        for (const CapturedRequest &r : server.requests())
            sent.append(r.path);
        return sent;
    };
    ApiParams list;
    list.insert("domainID", QStringLiteral("7"));
    // Sent with the reply to the call before, and taken by the call that asks for it.
    user.readNext(user.paths.recordList, list);
    QVERIFY(user.doAPI(kApi, {}));
    QVERIFY(user.doAPI(user.paths.recordList, list));
    QCOMPARE(paths(), (QStringList{kApi, user.paths.recordList}));
    QCOMPARE(server.requests().constLast().form.value("domainID"), QStringLiteral("7"));

    // A change goes out when it is asked for, once.
    ApiParams create;
    create.insert("domainID", QStringLiteral("7"));
    user.readNext(user.paths.recordCreate, create);
    QVERIFY(user.doAPI(kApi, {}));
    QVERIFY(user.doAPI(user.paths.recordCreate, create));
    QCOMPARE(paths(), (QStringList{kApi, user.paths.recordList, kApi, user.paths.recordCreate}));
}

void TestDoApi::httpErrorIsNetworkFailure()
{
    TestHttpsServer server;
    server.setDefaultReply(json(R"({"code":0})", 500));
    User user;
    pointAt(user, server);
    user.lastReply = QStringLiteral("before");
    BoxLog boxes;
    int code = 0;
    QJsonValue res;
    QVERIFY(!user.doAPI(kApi, {}, res, true, &code));
    const QString expected =
        QStringLiteral("网络连接错误,请检查网络. 错误码b395,401:InternalServerError,\r\n") +
        server.baseUrl() + kApi;
    QCOMPARE(user.errorText, expected);
    QCOMPARE(boxes.shown, QStringList{expected});
    QCOMPARE(code, -2);
    QCOMPARE(user.lastReply, QStringLiteral("before"));
}

void TestDoApi::quietShowsNothing()
{
    TestHttpsServer server;
    server.setDefaultReply(json("<html/>"));
    User user;
    pointAt(user, server);
    BoxLog boxes;
    QJsonValue res;
    QVERIFY(!user.doAPI(kApi, {}, res, true, nullptr, nullptr, true));
    QCOMPARE(user.errorText, kL366);
    QVERIFY(boxes.shown.isEmpty());
}

void TestDoApi::silentServerCutAtIdleLimit()
{
    TestHttpsServer server;
    CannedReply silent = json(R"({"code":0})");
    silent.silentMs = 10000;
    server.setDefaultReply(silent);
    User user;
    pointAt(user, server);
    // The total limit lets the reply come after its 10 s: only the idle limit can end the wait.
    user.idleLimitMs = 300;
    user.totalLimitMs = 60000;
    BoxLog boxes;
    QVERIFY(!user.doAPI(kApi, {}));
    QCOMPARE(user.errorText, kTimeout);
    QCOMPARE(boxes.shown, QStringList{kTimeout});
}

void TestDoApi::dripKeepsIdleAliveButTotalLimitCuts()
{
    TestHttpsServer server;
    CannedReply drip = json(R"({"code":0,"data":"0123456789012345678901234567890123456789"})");
    drip.dripChunks = 20;
    drip.dripIntervalMs = 100;
    server.setDefaultReply(drip);
    User user;
    pointAt(user, server);
    BoxLog boxes;

    // Data every 100 ms for 2 s keeps a 1.5 s idle limit from striking (a gap 15 times the
    // interval, so a busy machine does not open one)...
    user.idleLimitMs = 1500;
    user.totalLimitMs = 60000;
    QVERIFY2(user.doAPI(kApi, {}), qPrintable(user.errorText));

    // ...while the total limit still ends a reply that takes longer than it allows.
    user.totalLimitMs = 600;
    QVERIFY(!user.doAPI(kApi, {}));
    QCOMPARE(user.errorText, kTimeout);
}

void TestDoApi::untrustedCertificateRefused_data()
{
    QTest::addColumn<int>("certificate");
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<QString>("why"); // told beside the unchanged text
    QTest::newRow("unknown CA") << int(TestHttpsServer::Certificate::Good) << false
                                << QStringLiteral("服务器的证书由不受信任的机构签发");
    QTest::newRow("other name") << int(TestHttpsServer::Certificate::WrongName) << true
                                << QStringLiteral("服务器的证书不是为这个地址签发的");
    QTest::newRow("expired") << int(TestHttpsServer::Certificate::Expired) << true
                             << QStringLiteral("服务器的证书已过期");
}

void TestDoApi::untrustedCertificateRefused()
{
    QFETCH(int, certificate);
    QFETCH(bool, trustTestCa);
    QFETCH(QString, why);
    TestHttpsServer server(true, TestHttpsServer::Certificate(certificate));
    User user;
    user.baseUrl = server.baseUrl();
    if (trustTestCa)
        user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    BoxLog boxes;
    QVERIFY(!user.doAPI(kApi, {}));
    QVERIFY2(user.errorText.startsWith(
                 QStringLiteral("网络连接错误,请检查网络. 错误码b395,6:SslHandshakeFailedError,")),
             qPrintable(user.errorText));
    QVERIFY(user.lastReply.isEmpty());
    QCOMPARE(user.errorReason, why);
    QCOMPARE(boxes.shown, QStringList{user.errorText + QLatin1Char('\n') + why});
    QVERIFY(server.requests().isEmpty());
}

void TestDoApi::plainHttpRefusedBeforeSending()
{
    TestHttpsServer server(false);
    User user;
    user.baseUrl = server.baseUrl();
    user.password = QStringLiteral("secret");
    BoxLog boxes;
    int code = 0;
    QJsonValue res;
    QVERIFY(!user.doAPI(kApi, {}, res, true, &code));
    const QString refusal =
        QStringLiteral("Invalid service URL \"%1\": expected https://host[:port]")
            .arg(server.baseUrl());
    QCOMPARE(user.errorText, refusal);
    QCOMPARE(boxes.shown, QStringList{refusal});
    QCOMPARE(code, -2);
    QVERIFY(server.requests().isEmpty());
}

void TestDoApi::otherLoopExitCode()
{
    TestHttpsServer server;
    CannedReply silent = json(R"({"code":0})");
    silent.silentMs = 10000;
    server.setDefaultReply(silent);
    User user;
    pointAt(user, server);
    BoxLog boxes;
    // Another loop's exit, asked for while the call waits for its reply.
    server.whenRequested(kApi, this, [] { QCoreApplication::exit(7); });
    QVERIFY(!user.doAPI(kApi, {}));
    QCOMPARE(user.errorText, QStringLiteral("网络连接错误,请检查网络. 错误码a7"));
}

void TestDoApi::entryHeldAcrossNestedReloadStaysValid()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    for (int i = 1; i <= 3; ++i)
        user.domains.append(Domain{i,
                                   0,
                                   0,
                                   0,
                                   QStringLiteral("1"),
                                   QStringLiteral("d%1.cn").arg(i),
                                   {},
                                   {},
                                   {},
                                   true,
                                   {}});

    // A page keeps the domain it acts on; while its call waits, a reload replaces the list.
    const QSharedPointer<Domain> held = user.domains.shared(1);
    server.whenRequested(kApi, this, [&user] {
        user.domains.clear();
        user.domains.append(Domain{});
    });
    QVERIFY(user.doAPI(kApi, {}));
    held->state = 1; // still the page's own, alive entry
    QCOMPARE(held->name, QStringLiteral("d2.cn"));
    QVERIFY(!user.domains.contains(held.data()));

    // Removing one entry never moves another.
    user.domains.clear();
    Domain *a = user.domains.append(Domain{});
    Domain *b = user.domains.append(Domain{});
    Domain *c = user.domains.append(Domain{});
    QVERIFY(user.domains.removeOne(a));
    QCOMPARE(&user.domains[0], b);
    QCOMPARE(&user.domains[1], c);
}

QTEST_GUILESS_MAIN(TestDoApi)
#include "tst_doapi.moc"
