#include "app/AppGlobals.h"
#include "client/DeviceId.h"
#include "client/User.h"
#include "signin/DeviceCheck.h"
#include "signin/MainWindow.h"
#include "signin/PageFetcher.h"
#include "signin/WxQrPage.h"
#include "tests/support/HostileServer.h"
#include "tests/support/TestHttpsServer.h"
#include "tests/support/WindowHarness.h"

#include <QBuffer>
#include <QHostInfo>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kPagePath = QStringLiteral("/connect/qrconnect");
const QString kImagePath = QStringLiteral("/connect/qrcode/0a1B2c3D");
const QString kPollPath = QStringLiteral("/connect/l/qrconnect");
const QString kWxLogin = QStringLiteral("/api/user/wxlogin/");
const QString kChkCpuId = QStringLiteral("/api/user/chkcpuid/");
const QString kAddCpuId = QStringLiteral("/api/user/addcpuid/");

const QString kScanPrompt = QStringLiteral("请使用微信扫描二维码");
const QString kScanned = QStringLiteral("扫描成功！请在微信中点击“确认登录”即可登录");
const QString kCancelled = QStringLiteral("您已取消此次登录。可再次扫描登录。");
const QString kExpired = QStringLiteral("二维码已过期，请点击二维码以刷新");

CannedReply reply(const QByteArray &body, const QByteArray &type = "application/json")
{
    CannedReply r;
    r.body = body;
    r.contentType = type;
    return r;
}

CannedReply poll(int state, const QByteArray &code = QByteArray())
{
    return reply("window.wx_errcode=" + QByteArray::number(state) + ";window.wx_code='" + code +
                     "';",
                 "application/javascript");
}

QByteArray pngImage()
{
    QImage image(430, 430, QImage::Format_RGB32);
    image.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(CannedReply)

// The WeChat QR-code sign-in against a scripted platform and service on one HTTPS server.
class TestWxSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pageGivesCodeAndPolling();
    void unusablePageStartsNoPolling();
    void pollSequence_data();
    void pollSequence();
    void confirmed_data();
    void confirmed();
    void leavingAbortsWaitingPoll_data();
    void leavingAbortsWaitingPoll();
    void untrustedPlatformRefused_data();
    void untrustedPlatformRefused();
    void deviceCheck_data();
    void deviceCheck();
    void pageFetchBounded_data();
    void pageFetchBounded();

private:
    struct Poll
    {
        QString query;  // what the poll asked with
        QString status; // the status line when it was sent
        int interval;   // the poll timer's interval then
    };
    // Shows the window and opens the WeChat page: the code is loaded when this returns.
    void openWeChatPage(MainWindow &window);
    QTimer *qrTimer(MainWindow &window) { return window.findChild<QTimer *>("qrTimer"); }
    int requestsTo(const QString &path) const;

    std::unique_ptr<TestHttpsServer> m_server;
    WindowHarness h;
    QList<QUrl> m_fetched;
    QList<Poll> m_polls;
};

void TestWxSignIn::init()
{
    h.init();
    // A server per test: one that still holds a poll is gone with its test.
    m_server = std::make_unique<TestHttpsServer>();
    User &user = theUser();
    user.baseUrl = m_server->baseUrl();
    user.webBaseUrl = m_server->baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    user.idleLimitMs = 3000;
    user.totalLimitMs = 5000;
    wxOrigin() = m_server->baseUrl();
    const QByteArray page =
        "<html><head><meta charset=\"utf-8\"><title>微信登录</title></head><body>"
        "<img class=\"qrcode lightBorder\" src=\"" +
        kImagePath.toUtf8() + "\" alt=\"\"/>\n<script>$.ajax({type:\"GET\",url:\"" +
        m_server->baseUrl().toUtf8() + kPollPath.toUtf8() +
        "?uuid=0a1B2c3D\",dataType:\"script\"});</script></body></html>";
    m_server->setReply(kPagePath, reply(page, "text/html; charset=utf-8"));
    m_server->setReply(kImagePath, reply(pngImage(), "image/png"));
    m_server->setReplies(kPollPath, {poll(402)});
    m_server->setReply(kWxLogin, reply(R"({"code":0,"data":{"apiKey":"K","apiSecret":"S"}})"));
    m_server->setReply(kChkCpuId, reply(R"({"code":0,"data":"this-pc"})"));
    m_server->setReply(kAddCpuId, reply(R"({"code":0})"));
    m_fetched.clear();
    m_polls.clear();
}

void TestWxSignIn::cleanup()
{
    h.cleanup();
    m_server.reset();
}

int TestWxSignIn::requestsTo(const QString &path) const
{
    return m_server->requestedPaths().count(path);
}

void TestWxSignIn::openWeChatPage(MainWindow &window)
{
    connect(&window.pageFetcher(), &PageFetcher::requestSent, &window,
            [this, &window](const QUrl &url) {
                m_fetched.append(url);
                if (url.path() != kPollPath)
                    return;
                m_polls.append({url.query(), widget<QLabel>(window, "label_7")->text(),
                                window.findChild<QTimer *>("qrTimer")->interval()});
            });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    widget<QTabWidget>(window, "tabWidget")->setCurrentWidget(widget<QWidget>(window, "tab_2"));
}

void TestWxSignIn::pageGivesCodeAndPolling()
{
    m_server->setReplies(kPollPath, {poll(408), poll(402)});
    MainWindow &window = h.openSignIn();
    openWeChatPage(window);

    QCOMPARE(m_fetched.value(0),
             QUrl(qrConnectUrl(m_server->baseUrl(), m_server->baseUrl()), QUrl::TolerantMode));
    QCOMPARE(m_fetched.value(1), QUrl(m_server->baseUrl() + kImagePath));
    const QPixmap shown = widget<QLabel>(window, "label_5")->pixmap(Qt::ReturnByValue);
    QCOMPARE(shown.size(), QSize(250, 250));
    QCOMPARE(widget<QLabel>(window, "label_7")->text(), kScanPrompt);

    QTRY_COMPARE_WITH_TIMEOUT(m_polls.size(), 2, kEventWithinMs);
    QCOMPARE(m_fetched.value(2).scheme(), QStringLiteral("https"));
    QCOMPARE(m_polls.value(0).query, QStringLiteral("uuid=0a1B2c3D"));
    QTRY_VERIFY_WITH_TIMEOUT(!qrTimer(window)->isActive(), kEventWithinMs);
    QCOMPARE(qrTimer(window)->property("RP").toString(), QStringLiteral("to"));
}

void TestWxSignIn::unusablePageStartsNoPolling()
{
    m_server->setReply(kPagePath, reply("<html><body>maintenance</body></html>", "text/html"));
    MainWindow &window = h.openSignIn();
    openWeChatPage(window);
    QCOMPARE(widget<QLabel>(window, "label_5")->text(), QStringLiteral("Loading..."));
    QCOMPARE(widget<QLabel>(window, "label_7")->text(), QStringLiteral("加载中..."));
    QVERIFY(!qrTimer(window)->isActive());
    QCOMPARE(qrTimer(window)->property("RP").toString(), QStringLiteral("ppre"));
    QCOMPARE(requestsTo(kImagePath), 0);
}

void TestWxSignIn::pollSequence_data()
{
    QTest::addColumn<QList<CannedReply>>("replies");
    QTest::addColumn<QStringList>("lasts");    // "&last=" of each poll
    QTest::addColumn<QStringList>("statuses"); // the status line as each poll went out
    QTest::addColumn<QList<int>>("intervals"); // a poll that heard nothing useful backs off

    QTest::newRow("scanned, then nothing, then expired")
        << QList<CannedReply>{poll(404), poll(408), poll(402)} << QStringList{"", "404", ""}
        << QStringList{kScanPrompt, kScanned, kScanned} << QList<int>{1, 1, 1};
    QTest::newRow("cancelled, then expired as 666")
        << QList<CannedReply>{poll(403), poll(666)} << QStringList{"", "403"}
        << QStringList{kScanPrompt, kCancelled} << QList<int>{1, 1};
    QTest::newRow("noise changes nothing")
        << QList<CannedReply>{reply("<html>busy</html>", "text/html"), poll(404), poll(500),
                              poll(402)}
        << QStringList{"", "", "404", "404"}
        << QStringList{kScanPrompt, kScanPrompt, kScanned, kScanned} << QList<int>{1, 1000, 1, 1};
}

void TestWxSignIn::pollSequence()
{
    QFETCH(QList<CannedReply>, replies);
    QFETCH(QStringList, lasts);
    QFETCH(QStringList, statuses);
    QFETCH(QList<int>, intervals);
    m_server->setReplies(kPollPath, replies);
    MainWindow &window = h.openSignIn();
    openWeChatPage(window);

    QTRY_VERIFY_WITH_TIMEOUT(!qrTimer(window)->isActive(), kEventWithinMs);
    QCOMPARE(m_polls.size(), lasts.size());
    for (int i = 0; i < lasts.size(); ++i) {
        const QUrlQuery query(m_polls.at(i).query);
        QCOMPARE(query.queryItemValue(QStringLiteral("uuid")), QStringLiteral("0a1B2c3D"));
        QCOMPARE(query.hasQueryItem(QStringLiteral("last")), !lasts.at(i).isEmpty());
        QCOMPARE(query.queryItemValue(QStringLiteral("last")), lasts.at(i));
        QCOMPARE(m_polls.at(i).status, statuses.at(i));
        QCOMPARE(m_polls.at(i).interval, intervals.at(i));
    }
    QCOMPARE(widget<QLabel>(window, "label_7")->text(), kExpired);

    // A click on the dead code loads a fresh one, which starts without "&last=".
    m_polls.clear();
    widget<QPushButton>(window, "pushButton_9")->click();
    QCOMPARE(requestsTo(kPagePath), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!m_polls.isEmpty(), kEventWithinMs);
    QCOMPARE(m_polls.first().query, QStringLiteral("uuid=0a1B2c3D"));
}

void TestWxSignIn::confirmed_data()
{
    QTest::addColumn<QByteArray>("wxLogin");
    QTest::addColumn<QByteArray>("chkCpuId");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<bool>("registers");

    const QByteArray ok = R"({"code":0,"data":{"apiKey":"K","apiSecret":"S"}})";
    QTest::newRow("service refuses the code")
        << QByteArray(R"({"code":1,"message":"授权码已失效"})") << QByteArray(R"({"code":0})")
        << QStringList{"授权码已失效"} << false << false;
    QTest::newRow("device submitted, not authorised")
        << ok << QByteArray(R"({"code":1024,"data":"office-pc"})")
        << QStringList{"当前设备(office-pc)已提交,但仍未开启授权,请前往web端开启。是否打开网页？"}
        << false << false;
    QTest::newRow("device authorised")
        << ok << QByteArray(R"({"code":0,"data":"this-pc"})") << QStringList{} << true << false;
    QTest::newRow("unknown device registered")
        << ok << QByteArray(R"({"code":2})") << QStringList{} << true << true;
}

void TestWxSignIn::confirmed()
{
    QFETCH(QByteArray, wxLogin);
    QFETCH(QByteArray, chkCpuId);
    QFETCH(QStringList, boxes);
    QFETCH(bool, signedIn);
    QFETCH(bool, registers);
    m_server->setReplies(kPollPath, {poll(405, "0819xYz"), poll(402)});
    m_server->setReply(kWxLogin, reply(wxLogin));
    m_server->setReply(kChkCpuId, reply(chkCpuId));
    MainWindow &window = h.openSignIn();
    MainWindow2 &shell = window.managementWindow();
    shell.firstShowPending = false;
    openWeChatPage(window);

    QTRY_COMPARE_WITH_TIMEOUT(requestsTo(kWxLogin), 1, kEventWithinMs);
    QTRY_VERIFY_WITH_TIMEOUT(!qrTimer(window)->isActive(), kEventWithinMs);
    const QList<CapturedRequest> sent = m_server->requests();
    for (const CapturedRequest &r : sent) {
        if (r.path == kWxLogin) {
            QCOMPARE(r.form.value("code"), QStringLiteral("0819xYz"));
            QCOMPARE(r.form.value("state"), wxState());
        }
    }
    QCOMPARE(h.boxes->contents(), boxes);
    QCOMPARE(requestsTo(kAddCpuId), registers ? 1 : 0);

    if (signedIn) {
        QVERIFY(window.isHidden());
        QVERIFY(shell.firstShowPending);
        QTRY_VERIFY_WITH_TIMEOUT(shell.isVisible(), kEventWithinMs);
        QCOMPARE(requestsTo(kPagePath), 1);
        // Nothing to remember after a WeChat-only run.
        QVERIFY(!window.saveLoginSettings(true));
        QCOMPARE(h.boxes->contents().last(), QStringLiteral("微信扫码登录无法记住密码"));
    } else {
        // The user stays here with a fresh code.
        QVERIFY(window.isVisible());
        QCOMPARE(requestsTo(kPagePath), 2);
        QVERIFY(!shell.isVisible());
        QVERIFY(!shell.firstShowPending);
    }
}

void TestWxSignIn::leavingAbortsWaitingPoll_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QString>("status");
    QTest::newRow("tab change") << "tab" << 1 << kScanPrompt;
    QTest::newRow("window hidden") << "hide" << 1 << kScanPrompt;
    // The fresh code's own poll hears that it expired; the dropped one never answers.
    QTest::newRow("image clicked") << "click" << 2 << kExpired;
}

void TestWxSignIn::leavingAbortsWaitingPoll()
{
    QFETCH(QString, action);
    QFETCH(int, polls);
    QFETCH(QString, status);
    // The platform holds the first poll; if it ever answered, the code would read as expired.
    CannedReply held = poll(402);
    held.silentMs = 20000;
    m_server->setReplies(kPollPath, {held, poll(402)});
    int waitingBefore = -1;
    int waitingAfter = -1;
    MainWindow &window = h.openSignIn();
    // Once the platform has the first poll: leaving before it arrived would hand its scripted
    // reply to the next poll.
    m_server->whenRequested(kPollPath, this, [&] {
        waitingBefore = window.pageFetcher().waiting();
        if (action == QLatin1String("hide"))
            window.hide();
        else if (action == QLatin1String("tab"))
            widget<QTabWidget>(window, "tabWidget")
                ->setCurrentWidget(widget<QWidget>(window, "tab"));
        else
            widget<QPushButton>(window, "pushButton_9")->click();
        waitingAfter = window.pageFetcher().waiting();
    });
    openWeChatPage(window);

    QTRY_COMPARE_WITH_TIMEOUT(waitingBefore, 1, kEventWithinMs);
    QCOMPARE(waitingAfter, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!qrTimer(window)->isActive(), kEventWithinMs);
    QCOMPARE(window.pageFetcher().waiting(), 0);
    QCOMPARE(m_polls.size(), polls);
    QCOMPARE(widget<QLabel>(window, "label_7")->text(), status);
}

void TestWxSignIn::untrustedPlatformRefused_data()
{
    QTest::addColumn<bool>("pageThere");
    QTest::newRow("QR page") << true;
    QTest::newRow("long-poll") << false;
}

// The authorisation code must not go to a host that cannot prove who it is.
void TestWxSignIn::untrustedPlatformRefused()
{
    QFETCH(bool, pageThere);
    TestHttpsServer impostor(true, TestHttpsServer::Certificate::WrongName);
    const QString pollAddress = impostor.baseUrl() + kPollPath + QStringLiteral("?uuid=0a1B2c3D");
    if (pageThere) {
        wxOrigin() = impostor.baseUrl();
    } else {
        m_server->setReply(kPagePath, reply("<img class=\"qrcode lightBorder\" src=\"" +
                                                kImagePath.toUtf8() + "\"/><script>$.ajax({url:\"" +
                                                pollAddress.toUtf8() + "\"});</script>",
                                            "text/html"));
    }
    impostor.setDefaultReply(poll(405, "stolen"));
    MainWindow &window = h.openSignIn();
    openWeChatPage(window);
    wxOrigin() = m_server->baseUrl();

    if (pageThere) {
        QCOMPARE(widget<QLabel>(window, "label_7")->text(), QStringLiteral("加载中..."));
        QVERIFY(!qrTimer(window)->isActive());
    } else {
        QCOMPARE(widget<QLabel>(window, "label_7")->text(), kScanPrompt);
        QTRY_COMPARE_WITH_TIMEOUT(qrTimer(window)->interval(), 1000, kEventWithinMs);
        widget<QTabWidget>(window, "tabWidget")->setCurrentWidget(widget<QWidget>(window, "tab"));
    }
    QVERIFY(impostor.requests().isEmpty());
    QCOMPARE(requestsTo(kWxLogin), 0);
}

void TestWxSignIn::deviceCheck_data()
{
    QTest::addColumn<QByteArray>("chkCpuId");
    QTest::addColumn<QByteArray>("addCpuId");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("opensPage");
    QTest::addColumn<bool>("registers");

    const QByteArray ok = R"({"code":0})";
    const QString question =
        QStringLiteral("当前设备(office-pc)已提交,但仍未开启授权,请前往web端开启。是否打开网页？");
    QTest::newRow("authorised") << QByteArray(R"({"code":0,"data":"pc"})") << ok << 0 << 0
                                << QString() << false << false;
    QTest::newRow("submitted, OK opens the page")
        << QByteArray(R"({"code":1024,"data":"office-pc"})") << ok << 1 << 2 << question << true
        << false;
    QTest::newRow("submitted, Cancel") << QByteArray(R"({"code":1024,"data":"office-pc"})") << ok
                                       << 0 << 2 << question << false << false;
    QTest::newRow("unknown, registered")
        << QByteArray(R"({"code":2})") << ok << 0 << 0 << QString() << false << true;
    QTest::newRow("unknown, registration refused still proceeds")
        << QByteArray(R"({"code":2})") << QByteArray(R"({"code":9,"message":"x"})") << 0 << 0
        << QString() << false << true;
    QTest::newRow("anything else") << QByteArray(R"({"code":500,"message":"x"})") << ok << 0 << 2
                                   << QString() << false << false;
}

void TestWxSignIn::deviceCheck()
{
    QFETCH(QByteArray, chkCpuId);
    QFETCH(QByteArray, addCpuId);
    QFETCH(int, answer);
    QFETCH(int, result);
    QFETCH(QString, box);
    QFETCH(bool, opensPage);
    QFETCH(bool, registers);
    m_server->setReply(kChkCpuId, reply(chkCpuId));
    m_server->setReply(kAddCpuId, reply(addCpuId));
    h.boxes->answer(answer);

    const QString id = computeDeviceId();
    QCOMPARE(checkDevice(theUser(), id, QStringLiteral("my-host")), result);
    QCOMPARE(h.boxes->contents(), box.isNull() ? QStringList() : QStringList{box});
    if (!box.isNull())
        QCOMPARE(h.boxes->shown.first().buttonMode, 2);
    QCOMPARE(h.openedUrls(), opensPage
                                 ? QList<QUrl>{QUrl(m_server->baseUrl() + "/member/editcpuid/")}
                                 : QList<QUrl>{});
    const QList<CapturedRequest> sent = m_server->requests();
    QCOMPARE(sent.value(0).path, kChkCpuId);
    QCOMPARE(sent.value(0).form.value("cpuid"), id);
    QCOMPARE(requestsTo(kAddCpuId), registers ? 1 : 0);
    if (registers) {
        QCOMPARE(sent.value(1).form.value("cpuid"), id);
        QCOMPARE(sent.value(1).form.value("hostname"), QStringLiteral("my-host"));
    }
}

void TestWxSignIn::pageFetchBounded_data()
{
    // The platform is not the service and may be anyone's: its page waits in a nested loop
    // on the window's thread, which a server must not hold forever or fill.
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<QByteArray>("page");
    QTest::newRow("answers") << int(HostileServer::Behaviour::Answer) << QByteArray("<html/>");
    QTest::newRow("never answers") << int(HostileServer::Behaviour::NeverAnswers) << QByteArray();
    QTest::newRow("endless page") << int(HostileServer::Behaviour::EndlessBody) << QByteArray();
}

void TestWxSignIn::pageFetchBounded()
{
    QFETCH(int, behaviour);
    QFETCH(QByteArray, page);
    HostileServer server{HostileServer::Behaviour(behaviour)};
    server.answerBody = "<html/>";
    PageFetcher fetcher;
    HttpTrust trust;
    trust.extraCaPem = HostileServer::caPem();
    fetcher.setTrust(trust);
    HttpLimits limits = pageLimits();
    limits.stallMs = 300;
    limits.maxBodyBytes = 64 * 1024;
    fetcher.setLimits(limits);
    QCOMPARE(fetcher.fetchPage(server.baseUrl() + QStringLiteral("/qrconnect"), false, {}), page);
    QCOMPARE(server.requests, 1);
}

QTEST_MAIN(TestWxSignIn)
#include "tst_wxsignin.moc"
