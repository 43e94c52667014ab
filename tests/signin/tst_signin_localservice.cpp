#include "app/AppGlobals.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/WxFlow.h"
#include "signin/MainWindow.h"
#include "signin/WxQrPage.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

#include <memory>

// Both ways of signing in, end to end against the stand-in service and its simulated phone.
class TestSignInLocalService : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void passwordSignIn_data();
    void passwordSignIn();
    void weChatSignIn();

private:
    WindowHarness h;
};

void TestSignInLocalService::init()
{
    h.init();
    QVERIFY(h.startService());
}

void TestSignInLocalService::cleanup()
{
    h.cleanup();
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
    h.boxes->setQuestionDefault(1);
    MainWindow &window = h.openSignIn(WindowHarness::Show::Shown);
    widget<QLineEdit>(window, "lineEdit")->setText(email);
    widget<QLineEdit>(window, "lineEdit_2")->setText(password);
    widget<QCheckBox>(window, "checkBox")->setChecked(true);
    widget<QPushButton>(window, "pushButton")->click();

    QCOMPARE(theUser().loggedIn, signedIn);
    if (signedIn) {
        QVERIFY(h.boxes->shown.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(window.managementWindow().isVisible(), kEventWithinMs);
        QCOMPARE(QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"))
                     .value(QStringLiteral("user"))
                     .toString(),
                 email);
        return;
    }
    QCOMPARE(h.boxes->count(), 1);
    QVERIFY(window.isVisible());
    if (openedPath.isEmpty()) {
        QVERIFY(!theUser().errorText.isEmpty());
        QCOMPARE(h.boxes->contents(), QStringList{theUser().errorText});
        QVERIFY(h.openedUrls().isEmpty());
    } else {
        QCOMPARE(h.boxes->shown.first().buttonMode, 2);
        QCOMPARE(h.openedUrls(), QList<QUrl>{QUrl(h.service->baseUrl() + openedPath)});
    }
}

void TestSignInLocalService::weChatSignIn()
{
    MainWindow &window = h.openSignIn(WindowHarness::Show::Shown);
    MainWindow2 &shell = *h.window;
    auto *status = widget<QLabel>(window, "label_7");
    widget<QTabWidget>(window, "tabWidget")->setCurrentWidget(widget<QWidget>(window, "tab_2"));
    QCOMPARE(status->text(), QStringLiteral("请使用微信扫描二维码"));
    QVERIFY(!widget<QLabel>(window, "label_5")->pixmap(Qt::ReturnByValue).isNull());

    WxFlow &phone = h.service->service().wx();
    const QString uuid = phone.latestSession();
    QVERIFY(phone.scan(uuid));
    QTRY_COMPARE_WITH_TIMEOUT(status->text(),
                              QStringLiteral("扫描成功！请在微信中点击“确认登录”即可登录"),
                              kEventWithinMs);

    AccountRow account;
    QVERIFY(
        h.service->service().storage().accountByEmail(LocalServiceFixture::demoEmail(), &account));
    QVERIFY(phone.confirm(uuid, account.id));
    QTRY_VERIFY_WITH_TIMEOUT(shell.isVisible(), kEventWithinMs);
    QVERIFY(window.isHidden());
    QVERIFY(theUser().loggedIn);
    // The hand-over marked the first show, whose start-up work loads the account's domains.
    QTRY_VERIFY_WITH_TIMEOUT(!theUser().domains.isEmpty(), kEventWithinMs);
    QVERIFY(h.boxes->shown.isEmpty());
}

QTEST_MAIN(TestSignInLocalService)
#include "tst_signin_localservice.moc"
