#include "client/User.h"
#include "localservice/wechat/WxFlow.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegExp>
#include <QtTest>

namespace {

const QString kState = QStringLiteral("3f6b1d2e8c4a7f90b1d3e5c7a9f2b4d6");

// The program's patterns, applied as it applies them: classic syntax, minimal matching.
QString capture(const QString &pattern, const QString &text, int group)
{
    QRegExp re(pattern);
    re.setMinimal(true);
    return re.indexIn(text) < 0 ? QString() : re.cap(group);
}

} // namespace

// WeChat QR sign-in against the stand-in: the QR-connect page, its image, the long poll and
// the simulated phone, down to the authorisation code that signs in.
class TestLocalServiceWechat : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pageMatchesTheProgramsPatterns();
    void pageRefusesAForeignApplication();
    void pollFollowsThePhone();
    void heldPollWakesWhenThePhoneActs();
    void codeExpires();
    void codeExpiresWhenTold();
    void codeSignsInOnceWithItsState();
    void phoneMaySignInAnotherAccount();

private:
    QNetworkReply *startGet(const QString &url);
    QString get(const QString &url);
    // Loads a QR page; fills the image path and the poll address after "https".
    bool openQrPage(QString *imagePath, QString *pollUrl);
    QString uuidOf(const QString &pollUrl) const;
    QString confirmedCode();

    QNetworkAccessManager *m_manager = nullptr;
    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
};

void TestLocalServiceWechat::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    LocalServiceFixture::Options options;
    options.wxPollHoldMs = 200;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    m_service->configure(*m_user);
    m_manager = new QNetworkAccessManager(this);
}

void TestLocalServiceWechat::cleanup()
{
    delete m_manager;
    m_manager = nullptr;
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

QNetworkReply *TestLocalServiceWechat::startGet(const QString &url)
{
    QNetworkRequest request{QUrl(url)};
    request.setSslConfiguration(m_user->sslConfiguration());
    return m_manager->get(request);
}

QString TestLocalServiceWechat::get(const QString &url)
{
    QNetworkReply *reply = startGet(url);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(60000);
    const QString body = QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    return body;
}

bool TestLocalServiceWechat::openQrPage(QString *imagePath, QString *pollUrl)
{
    const QString page =
        get(m_service->baseUrl() +
            QStringLiteral("/connect/qrconnect?appid=wx73c1e0a2b94d58f6&redirect_uri=%1/member/"
                           "login&scope=snsapi_login&state=%2")
                .arg(m_service->baseUrl(), kState));
    *imagePath = capture(QStringLiteral("qrcode\\s+lightBorder.*src.*\"(.*)\""), page, 1);
    const QString after = capture(QStringLiteral("\\.ajax\\(.*url:\"https(.*)\""), page, 1);
    *pollUrl = after.isEmpty() ? QString() : QStringLiteral("https") + after;
    return !imagePath->isEmpty() && !after.isEmpty();
}

QString TestLocalServiceWechat::uuidOf(const QString &pollUrl) const
{
    return QUrlQuery(QUrl(pollUrl)).queryItemValue(QStringLiteral("uuid"));
}

QString TestLocalServiceWechat::confirmedCode()
{
    QString image;
    QString poll;
    if (!openQrPage(&image, &poll))
        return QString();
    get(m_service->baseUrl() + QStringLiteral("/connect/sim/confirm?uuid=") + uuidOf(poll));
    return capture(QStringLiteral("window\\.wx_errcode=(.*);window\\.wx_code=\\'(.*)\\'"),
                   get(poll), 2);
}

void TestLocalServiceWechat::pageMatchesTheProgramsPatterns()
{
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    QVERIFY2(image.startsWith(QLatin1String("/connect/qrcode/")), qPrintable(image));
    QCOMPARE(QUrl(poll).port(), int(m_service->port()));
    QVERIFY(!uuidOf(poll).isEmpty());

    QNetworkReply *reply = startGet(m_service->baseUrl() + image);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(60000));
    const QImage qr = QImage::fromData(reply->readAll());
    reply->deleteLater();
    QVERIFY(!qr.isNull());
    QCOMPARE(qr.width(), qr.height());
}

void TestLocalServiceWechat::pageRefusesAForeignApplication()
{
    const QString page =
        get(m_service->baseUrl() + QStringLiteral("/connect/qrconnect?appid=wx0000&redirect_uri=x&"
                                                  "scope=snsapi_login&state=s"));
    QVERIFY(capture(QStringLiteral("qrcode\\s+lightBorder.*src.*\"(.*)\""), page, 1).isEmpty());
}

void TestLocalServiceWechat::pollFollowsThePhone()
{
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    const QString sim =
        m_service->baseUrl() + QStringLiteral("/connect/sim/%1?uuid=") + uuidOf(poll);
    const QString state = QStringLiteral("window\\.wx_errcode=(.*);window\\.wx_code=\\'(.*)\\'");
    const QString after404 = poll + QStringLiteral("&last=404");
    const QString after403 = poll + QStringLiteral("&last=403");

    QCOMPARE(capture(state, get(poll), 1), QStringLiteral("408"));
    QVERIFY(get(sim.arg(QStringLiteral("scan"))).contains(QLatin1String("done")));
    QCOMPARE(capture(state, get(poll), 1), QStringLiteral("404"));
    QCOMPARE(capture(state, get(after404), 1), QStringLiteral("408"));
    QVERIFY(get(sim.arg(QStringLiteral("cancel"))).contains(QLatin1String("done")));
    QCOMPARE(capture(state, get(after404), 1), QStringLiteral("403"));
    QCOMPARE(capture(state, get(after403), 1), QStringLiteral("408"));
    QVERIFY(get(sim.arg(QStringLiteral("scan"))).contains(QLatin1String("done")));
    QCOMPARE(capture(state, get(after403), 1), QStringLiteral("404"));
    QVERIFY(get(sim.arg(QStringLiteral("confirm"))).contains(QLatin1String("done")));
    const QString reply = get(after404);
    QCOMPARE(capture(state, reply, 1), QStringLiteral("405"));
    QVERIFY(!capture(state, reply, 2).isEmpty());
    // A confirmed code is final: the phone can no longer change it.
    QVERIFY(!get(sim.arg(QStringLiteral("cancel"))).contains(QLatin1String("done")));
}

void TestLocalServiceWechat::heldPollWakesWhenThePhoneActs()
{
    LocalServiceFixture::Options options;
    options.wxPollHoldMs = 120000;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY(m_service->start());
    m_service->configure(*m_user);
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    QNetworkReply *reply = startGet(poll);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    // Held: the service has the poll and answers nothing until the phone acts.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->service().wx().heldPolls(), 1, 60000);
    QCOMPARE(finished.count(), 0);
    QVERIFY(m_service->service().wx().scan(uuidOf(poll)));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QVERIFY(reply->readAll().contains("wx_errcode=404"));
    reply->deleteLater();
}

void TestLocalServiceWechat::codeExpires()
{
    LocalServiceFixture::Options options;
    options.wxPollHoldMs = 120000;
    options.wxQrLifetimeSecs = 1;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY(m_service->start());
    m_service->configure(*m_user);
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    QNetworkReply *reply = startGet(poll);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QVERIFY(reply->readAll().contains("wx_errcode=402"));
    reply->deleteLater();
    QVERIFY(!m_service->service().wx().scan(uuidOf(poll)));
}

void TestLocalServiceWechat::codeExpiresWhenTold()
{
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    QVERIFY(get(m_service->baseUrl() + QStringLiteral("/connect/sim/expire?uuid=") + uuidOf(poll))
                .contains(QLatin1String("done")));
    QVERIFY(get(poll).contains(QLatin1String("wx_errcode=402")));
}

void TestLocalServiceWechat::codeSignsInOnceWithItsState()
{
    User password;
    QVERIFY(m_service->loginDemo(password));

    const QString code = confirmedCode();
    QVERIFY(!code.isEmpty());
    QVERIFY(m_user->loginwx(code, kState));
    QVERIFY(m_user->loggedIn);
    QCOMPARE(m_user->apiKey, password.apiKey);
    QCOMPARE(m_user->apiSecret, password.apiSecret);
    QCOMPARE(m_user->getDomain(), 120);

    QVERIFY(!m_user->loginwx(code, kState));
    QCOMPARE(m_user->resultCode, 3);

    const QString other = confirmedCode();
    QVERIFY(!m_user->loginwx(other, QStringLiteral("another-state")));
    QCOMPARE(m_boxes->count(), 0);
}

void TestLocalServiceWechat::phoneMaySignInAnotherAccount()
{
    QString image;
    QString poll;
    QVERIFY(openQrPage(&image, &poll));
    QVERIFY(get(m_service->baseUrl() + QStringLiteral("/connect/sim/confirm?email=") +
                LocalServiceFixture::noKeyEmail() + QStringLiteral("&uuid=") + uuidOf(poll))
                .contains(QLatin1String("done")));
    const QString code = capture(
        QStringLiteral("window\\.wx_errcode=(.*);window\\.wx_code=\\'(.*)\\'"), get(poll), 2);
    QVERIFY(!m_user->loginwx(code, kState));
    QCOMPARE(m_user->resultCode, 1007);
}

QTEST_GUILESS_MAIN(TestLocalServiceWechat)
#include "tst_localservice_wechat.moc"
