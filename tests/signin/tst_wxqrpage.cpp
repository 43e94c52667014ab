#include "signin/WxQrPage.h"

#include <QtTest>

namespace {

// Shaped like the platform's QR-connect page: every quote after the image path and after the
// poll address is a trap for a greedy match.
const QString kPage = QStringLiteral(
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>微信登录</title>"
    "<script src=\"/connect/res/jquery.js\"></script></head><body>"
    "<div class=\"wrp_code\"><img class=\"qrcode lightBorder\" src=\"/connect/qrcode/0a1B2c3D\" "
    "alt=\"\"/></div><p class=\"status\">请使用微信扫描二维码登录</p>\n<script>\n"
    "$.ajax({type:\"GET\",url:\"https://long.example:8443/connect/l/qrconnect?uuid=0a1B2c3D\","
    "dataType:\"script\",cache:false});\n</script></body></html>");

} // namespace

// The three patterns of the QR flow, the poll address and the meaning of each state number.
class TestWxQrPage : public QObject
{
    Q_OBJECT
private slots:
    void qrConnectAddress();
    void pageGivesImageAndPollAddress();
    void pageWithoutThemGivesNothing();
    void pollReply_data();
    void pollReply();
    void lastStateGoesBack();
    void stateNumbers_data();
    void stateNumbers();
    void origin_data();
    void origin();
};

void TestWxQrPage::qrConnectAddress()
{
    QCOMPARE(qrConnectUrl(QStringLiteral("https://wx.example"),
                          QStringLiteral("https://api.halvik.example")),
             QStringLiteral("https://wx.example/connect/qrconnect?appid=wx73c1e0a2b94d58f6"
                            "&redirect_uri=https://api.halvik.example/member/login"
                            "&scope=snsapi_login&state=3f6b1d2e8c4a7f90b1d3e5c7a9f2b4d6"));
}

void TestWxQrPage::pageGivesImageAndPollAddress()
{
    QString path;
    QVERIFY(findQrImagePath(kPage, path));
    QCOMPARE(path, QStringLiteral("/connect/qrcode/0a1B2c3D"));
    QString address;
    QVERIFY(findPollAddress(kPage, address));
    QCOMPARE(address,
             QStringLiteral("https://long.example:8443/connect/l/qrconnect?uuid=0a1B2c3D"));
}

void TestWxQrPage::pageWithoutThemGivesNothing()
{
    QString path = QStringLiteral("kept");
    QString address = QStringLiteral("kept");
    const QString changed =
        QString(kPage).replace(QStringLiteral("lightBorder"), QStringLiteral("darkBorder"));
    QVERIFY(!findQrImagePath(changed, path));
    QVERIFY(!findQrImagePath(QString(), path));
    QCOMPARE(path, QStringLiteral("kept"));
    // A plain-http poll address is not taken.
    QVERIFY(!findPollAddress(
        QString(kPage).replace(QStringLiteral("url:\"https"), QStringLiteral("url:\"http")),
        address));
    // Starts repeated without an end: trying every start would cost a pass over the rest of the
    // page for each (minutes for these).
    QVERIFY(!findQrImagePath(QStringLiteral("qrcode lightBorder ").repeated(20000), path));
    QVERIFY(!findPollAddress(QStringLiteral(".ajax(").repeated(60000), address));
    QCOMPARE(path, QStringLiteral("kept"));
    QCOMPARE(address, QStringLiteral("kept"));
}

void TestWxQrPage::pollReply_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("code");

    QTest::newRow("waiting") << "window.wx_errcode=408;window.wx_code='';" << true << 408 << "";
    QTest::newRow("confirmed, trailing quotes")
        << "window.wx_errcode=405;window.wx_code='0819xYz';window.wx_redirect='x';" << true << 405
        << "0819xYz";
    QTest::newRow("not a number") << "window.wx_errcode=abc;window.wx_code='';" << true << 0 << "";
    QTest::newRow("other text") << "<html>502 Bad Gateway</html>" << false << 0 << "";
    QTest::newRow("empty") << "" << false << 0 << "";
    QTest::newRow("starts repeated without an end")
        << QStringLiteral("window.wx_errcode=").repeated(20000) + "408;window.wx_code='" << false
        << 0 << "";
}

void TestWxQrPage::pollReply()
{
    QFETCH(QString, body);
    QFETCH(bool, matches);
    QFETCH(int, state);
    QFETCH(QString, code);
    PollReply reply;
    QCOMPARE(parsePollReply(body, reply), matches);
    if (matches) {
        QCOMPARE(reply.state, state);
        QCOMPARE(reply.code, code);
    }
}

void TestWxQrPage::lastStateGoesBack()
{
    const QString poll = QStringLiteral("https://long.example/connect/l/qrconnect?uuid=U");
    QCOMPARE(pollRequestUrl(poll, QString()), poll);
    QCOMPARE(pollRequestUrl(poll, QStringLiteral("404")), poll + QStringLiteral("&last=404"));
}

void TestWxQrPage::stateNumbers_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("status"); // null: the status line stays
    QTest::addColumn<QString>("last");   // null: lastWxCode stays

    const QString expired = QStringLiteral("二维码已过期，请点击二维码以刷新");
    QTest::newRow("408") << 408 << int(PollStep::KeepPolling) << QString() << QString("");
    QTest::newRow("404") << 404 << int(PollStep::KeepPolling)
                         << QStringLiteral("扫描成功！请在微信中点击“确认登录”即可登录")
                         << QStringLiteral("404");
    QTest::newRow("403") << 403 << int(PollStep::KeepPolling)
                         << QStringLiteral("您已取消此次登录。可再次扫描登录。")
                         << QStringLiteral("403");
    QTest::newRow("405") << 405 << int(PollStep::SignIn) << QString() << QString();
    QTest::newRow("402") << 402 << int(PollStep::Expired) << expired << QString();
    QTest::newRow("666") << 666 << int(PollStep::Expired) << expired << QString();
    QTest::newRow("other") << 500 << int(PollStep::KeepPolling) << QString() << QString();
    QTest::newRow("non-number") << 0 << int(PollStep::KeepPolling) << QString() << QString();
}

void TestWxQrPage::stateNumbers()
{
    QFETCH(int, state);
    QFETCH(int, action);
    QFETCH(QString, status);
    QFETCH(QString, last);
    const PollStep step = pollStepFor(state);
    QCOMPARE(int(step.action), action);
    QCOMPARE(step.setsStatus, !status.isNull());
    QCOMPARE(step.status, status.isNull() ? QString() : status);
    QCOMPARE(step.setsLastCode, !last.isNull());
    if (step.setsLastCode)
        QCOMPARE(step.lastWxCode, last);
}

void TestWxQrPage::origin_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("env");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("origin");

    QTest::newRow("default") << QStringList() << QString() << true << defaultWxOrigin();
    QTest::newRow("environment") << QStringList() << "https://127.0.0.1:8443/" << true
                                 << "https://127.0.0.1:8443";
    QTest::newRow("option beats environment")
        << QStringList{"halvik", "--wx-origin=http://wx.local"} << "https://other" << true
        << "http://wx.local";
    QTest::newRow("path refused") << QStringList{"halvik", "--wx-origin", "https://wx/connect"}
                                  << QString() << false << QString();
    QTest::newRow("other scheme refused")
        << QStringList{"halvik", "--wx-origin", "ftp://wx"} << QString() << false << QString();
}

void TestWxQrPage::origin()
{
    QFETCH(QStringList, args);
    QFETCH(QString, env);
    QFETCH(bool, ok);
    QFETCH(QString, origin);
    QProcessEnvironment environment;
    if (!env.isNull())
        environment.insert(QStringLiteral("HALVIK_WX_ORIGIN"), env);
    QString loaded = QStringLiteral("unchanged");
    QString error;
    QCOMPARE(loadWxOrigin(args, environment, loaded, error), ok);
    QCOMPARE(loaded, ok ? origin : QStringLiteral("unchanged"));
    QCOMPARE(error.isEmpty(), ok);
}

QTEST_GUILESS_MAIN(TestWxQrPage)
#include "tst_wxqrpage.moc"
