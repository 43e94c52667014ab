#include "app/AppGlobals.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/WxFlow.h"
#include "signin/MainWindow.h"
#include "signin/WxQrPage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

template <typename T>
T *child(QObject &window, const char *name)
{
    T *w = window.findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

} // namespace

// Both ways of signing in, end to end against the stand-in service and its simulated phone.
class TestSignInLocalService : public QObject
{
    Q_OBJECT
public slots:
    void openUrl(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void passwordSignIn_data();
    void passwordSignIn();
    void weChatSignIn();

private:
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<RecordingPresenter> m_boxes;
    QList<QUrl> m_opened;
};

void TestSignInLocalService::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
}

void TestSignInLocalService::init()
{
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_service->configure(theUser());
    wxOrigin() = m_service->baseUrl();
    theUser().idleLimitMs = 5000;
    theUser().totalLimitMs = 8000;
    theUser().pwdScrambled.clear();
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    m_boxes = std::make_unique<RecordingPresenter>();
    m_opened.clear();
}

void TestSignInLocalService::cleanup()
{
    m_boxes.reset();
    m_settingsDir.reset();
    m_service.reset();
}

void TestSignInLocalService::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

void TestSignInLocalService::passwordSignIn_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("openedPath");

    QTest::newRow("demo account") << LocalServiceFixture::demoEmail()
                                  << LocalServiceFixture::demoPassword() << true << QString();
    QTest::newRow("wrong password")
        << LocalServiceFixture::demoEmail() << "not-the-password" << false << QString();
    QTest::newRow("no API key") << LocalServiceFixture::noKeyEmail()
                                << LocalServiceFixture::demoPassword() << false
                                << "/member/apiSet/";
}

void TestSignInLocalService::passwordSignIn()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(bool, signedIn);
    QFETCH(QString, openedPath);
    m_boxes->setQuestionDefault(1);
    MainWindow window;
    window.show();
    child<QLineEdit>(window, "lineEdit")->setText(email);
    child<QLineEdit>(window, "lineEdit_2")->setText(password);
    child<QCheckBox>(window, "checkBox")->setChecked(true);
    child<QPushButton>(window, "pushButton")->click();

    QCOMPARE(theUser().loggedIn, signedIn);
    if (signedIn) {
        QVERIFY(m_boxes->shown.isEmpty());
        QTRY_VERIFY(window.managementWindow().isVisible());
        QCOMPARE(QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"))
                     .value(QStringLiteral("user"))
                     .toString(),
                 email);
        return;
    }
    QCOMPARE(m_boxes->count(), 1);
    QVERIFY(window.isVisible());
    if (openedPath.isEmpty()) {
        QVERIFY(!theUser().errorText.isEmpty());
        QCOMPARE(m_boxes->contents(), QStringList{theUser().errorText});
        QVERIFY(m_opened.isEmpty());
    } else {
        QCOMPARE(m_boxes->shown.first().buttonMode, 2);
        QCOMPARE(m_opened, QList<QUrl>{QUrl(m_service->baseUrl() + openedPath)});
    }
}

void TestSignInLocalService::weChatSignIn()
{
    MainWindow window;
    MainWindow2 &shell = window.managementWindow();
    shell.firstShowPending = false;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *status = child<QLabel>(window, "label_7");
    child<QTabWidget>(window, "tabWidget")->setCurrentWidget(child<QWidget>(window, "tab_2"));
    QCOMPARE(status->text(), QStringLiteral("请使用微信扫描二维码"));
    QVERIFY(!child<QLabel>(window, "label_5")->pixmap(Qt::ReturnByValue).isNull());

    WxFlow &phone = m_service->service().wx();
    const QString uuid = phone.latestSession();
    QVERIFY(phone.scan(uuid));
    QTRY_COMPARE(status->text(), QStringLiteral("扫描成功！请在微信中点击“确认登录”即可登录"));

    AccountRow account;
    QVERIFY(
        m_service->service().storage().accountByEmail(LocalServiceFixture::demoEmail(), &account));
    QVERIFY(phone.confirm(uuid, account.id));
    QTRY_VERIFY(shell.isVisible());
    QVERIFY(window.isHidden());
    QVERIFY(theUser().loggedIn);
    // The hand-over marked the first show, whose start-up work loads the account's domains.
    QTRY_VERIFY(!theUser().domains.isEmpty());
    QVERIFY(m_boxes->shown.isEmpty());
}

QTEST_MAIN(TestSignInLocalService)
#include "tst_signin_localservice.moc"
