#include "client/Scramble.h"
#include "tests/support/ApiTestUtil.h"

#include <QtTest>

using namespace apitest;

namespace {

CannedReply withCode(int code, const QJsonValue &data)
{
    CannedReply r;
    r.body =
        QJsonDocument(QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("data"), data}})
            .toJson(QJsonDocument::Compact);
    return r;
}

const QString kPassword = QStringLiteral("S3cret-密码");

} // namespace

// Account operations against a real HTTPS server.
class TestAccountOps : public QObject
{
    Q_OBJECT
private slots:
    void loginStoresCredentials();
    void loginWithoutSecretShowsMaskedCode();
    void loginRefusedShowsNothing();
    void wechatWithoutCredentials();
    void chkCid_data();
    void chkCid();
    void registerSendsConfirmationUnsigned();
    void userDetail();
    void versionCheck_data();
    void versionCheck();
    void versionCheckFailureLeavesOutputs();
};

void TestAccountOps::loginStoresCredentials()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/verify/"),
                    ok(QJsonObject{{QStringLiteral("apiKey"), QStringLiteral("K")},
                                   {QStringLiteral("apiSecret"), QStringLiteral("S")}}));
    User user;
    pointAt(user, server);
    QVERIFY(user.login(QStringLiteral("a@b.cn"), kPassword));
    QVERIFY(user.loggedIn);
    QCOMPARE(user.apiKey, QStringLiteral("K"));
    QCOMPARE(user.apiSecret, QStringLiteral("S"));
    QCOMPARE(user.email, QStringLiteral("a@b.cn"));
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.form.value("type"), QStringLiteral("pc"));
    QCOMPARE(sent.form.value("password"), kPassword);
    QVERIFY(!sent.form.contains("hash")); // nothing to sign with yet

    // The next request is signed with the new credentials.
    QVERIFY(user.getUserDetail());
    QVERIFY(server.requests().value(1).form.contains("hash"));
}

void TestAccountOps::loginWithoutSecretShowsMaskedCode()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/verify/"),
                    ok(QJsonObject{{QStringLiteral("apiKey"), QStringLiteral("K")}}));
    User user;
    pointAt(user, server);
    user.loggedIn = true;
    user.apiSecret = QStringLiteral("old");
    RecordingPresenter boxes;

    QVERIFY(!user.login(QStringLiteral("a@b.cn"), kPassword));
    QVERIFY(!user.loggedIn);
    QVERIFY(user.apiSecret.isEmpty());
    QCOMPARE(boxes.shown.size(), 1);
    const RecordedMsgBox box = boxes.shown.first();
    QCOMPARE(box.content,
             QStringLiteral("发生错误,对您造成不便深感歉意。\n请将以下错误代码反馈给我们:"));
    QVERIFY(box.title.isEmpty());
    QCOMPARE(box.buttonMode, 1);
    QVERIFY(box.hasInput);
    const QString code = QString::fromUtf8(unscrambleText(box.inputText));
    QCOMPARE(code, QStringLiteral("a@b.cn|***|pc|") + user.lastReply);
    QVERIFY(!code.contains(kPassword));
    QVERIFY(!box.inputText.contains(kPassword));
}

void TestAccountOps::loginRefusedShowsNothing()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/verify/"),
                    refused(1001, QStringLiteral("用户邮箱或密码有误")));
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    QVERIFY(!user.login(QStringLiteral("a@b.cn"), kPassword));
    QCOMPARE(user.errorText, QStringLiteral("用户邮箱或密码有误"));
    QCOMPARE(user.resultCode, 1001);
    QVERIFY(boxes.contents().isEmpty());
}

void TestAccountOps::wechatWithoutCredentials()
{
    TestHttpsServer server;
    server.setReplies(QStringLiteral("/api/user/wxlogin/"),
                      {ok(QJsonObject{{QStringLiteral("apiSecret"), QStringLiteral("S")}}),
                       ok(QJsonObject{{QStringLiteral("apiKey"), QStringLiteral("K")},
                                      {QStringLiteral("apiSecret"), QStringLiteral("S")}})});
    User user;
    pointAt(user, server);
    user.email = QStringLiteral("kept@b.cn");
    RecordingPresenter boxes;
    QVERIFY(!user.loginwx(QStringLiteral("c0de"), QStringLiteral("st")));
    QVERIFY(!user.loggedIn);
    QVERIFY(boxes.contents().isEmpty());
    QVERIFY(user.loginwx(QStringLiteral("c0de"), QStringLiteral("st")));
    QVERIFY(user.loggedIn);
    QCOMPARE(user.email, QStringLiteral("kept@b.cn"));
    QCOMPARE(server.requests().value(0).form.value("code"), QStringLiteral("c0de"));
    QCOMPARE(server.requests().value(0).form.value("state"), QStringLiteral("st"));
}

void TestAccountOps::chkCid_data()
{
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("hostName");
    const QString unchanged = QStringLiteral("unchanged");
    QTest::newRow("0: allowed") << withCode(0, QStringLiteral("office-pc")) << 1
                                << QStringLiteral("office-pc");
    QTest::newRow("0 with non-string data") << withCode(0, QJsonObject{}) << 1 << QString();
    QTest::newRow("1024: bound elsewhere")
        << withCode(1024, QStringLiteral("home-pc")) << 2 << QStringLiteral("home-pc");
    QTest::newRow("2: not bound") << withCode(2, QStringLiteral("x")) << 3 << unchanged;
    QTest::newRow("other code") << withCode(9003, QStringLiteral("x")) << 0 << unchanged;
    QTest::newRow("network failure") << broken() << 0 << unchanged;
}

void TestAccountOps::chkCid()
{
    QFETCH(CannedReply, reply);
    QFETCH(int, result);
    QFETCH(QString, hostName);
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/chkcpuid/"), reply);
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    QString host = QStringLiteral("unchanged");
    QCOMPARE(user.chkCid(QStringLiteral("CPU-1"), &host), result);
    QCOMPARE(host, hostName);
    QCOMPARE(user.chkCid(QStringLiteral("CPU-1")), result);
    QCOMPARE(server.requests().value(0).form.value("cpuid"), QStringLiteral("CPU-1"));
}

void TestAccountOps::registerSendsConfirmationUnsigned()
{
    TestHttpsServer server;
    server.setReplies(QStringLiteral("/api/user/register/"),
                      {ok(), refused(1012, QStringLiteral("该Email地址已经存在"))});
    User user;
    pointAt(user, server);
    QVERIFY(user.reg(QStringLiteral("n@b.cn"), kPassword));
    QVERIFY(user.registered);
    QCOMPARE(server.requests().value(0).keys,
             (QList<QByteArray>{"email", "password", "passwordCfm"}));
    QCOMPARE(server.requests().value(0).form.value("passwordCfm"), kPassword);
    QVERIFY(!user.reg(QStringLiteral("n@b.cn"), kPassword));
    QVERIFY(!user.registered);
    QCOMPARE(user.errorText, QStringLiteral("该Email地址已经存在"));
}

void TestAccountOps::userDetail()
{
    TestHttpsServer server;
    server.setReplies(
        QStringLiteral("/api/user/detail/"),
        {ok(QJsonObject{{QStringLiteral("email"), QStringLiteral("a@b.cn")}}), ok(QJsonArray{1})});
    User user;
    pointAt(user, server);
    QVERIFY(user.getUserDetail());
    QCOMPARE(user.userDetail.value(QStringLiteral("email")).toString(), QStringLiteral("a@b.cn"));
    QVERIFY(user.getUserDetail());
    QVERIFY(user.userDetail.isEmpty());
}

void TestAccountOps::versionCheck_data()
{
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("string 1.32") << QJsonObject{{QStringLiteral("version_code"),
                                                 QStringLiteral("1.32")}}
                                 << 1.32 << QStringLiteral("1.32");
    QTest::newRow("number 2 without name")
        << QJsonObject{{QStringLiteral("version_code"), 2}} << 2.0 << QStringLiteral("2");
    QTest::newRow("named") << QJsonObject{{QStringLiteral("version_code"), 3},
                                          {QStringLiteral("version_name"), QStringLiteral("3.0")}}
                           << 3.0 << QStringLiteral("3.0");
}

void TestAccountOps::versionCheck()
{
    QFETCH(QJsonObject, data);
    QFETCH(double, code);
    QFETCH(QString, name);
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/appInfo/"), ok(data));
    User user;
    pointAt(user, server);
    double vCode = -1;
    QString vName, vInfo, vUrl;
    QVERIFY(user.getChkVer(vCode, vName, vInfo, vUrl));
    QCOMPARE(vCode, code);
    QCOMPARE(vName, name);
    QCOMPARE(vInfo, QString());
    QCOMPARE(vUrl, user.webBaseUrl);
    QCOMPARE(server.requests().value(0).form.value("type"), QStringLiteral("1"));
}

void TestAccountOps::versionCheckFailureLeavesOutputs()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/user/appInfo/"), refused(2));
    User user;
    pointAt(user, server);
    double vCode = 7;
    QString vName = QStringLiteral("n"), vInfo = QStringLiteral("i"), vUrl = QStringLiteral("u");
    QVERIFY(!user.getChkVer(vCode, vName, vInfo, vUrl));
    QCOMPARE(vCode, 7.0);
    QCOMPARE(vName + vInfo + vUrl, QStringLiteral("niu"));
}

QTEST_GUILESS_MAIN(TestAccountOps)
#include "tst_accountops.moc"
