#include "app/AppGlobals.h"
#include "client/Autostart.h"
#include "client/Scramble.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "manage/settings/SettingsPage.h"
#include "manage/shell/MainWindow2.h"
#include "signin/MainWindow.h"
#include "tests/support/ScriptedPasswordStore.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QSettings loginStore()
{
    return QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"));
}

} // namespace

// The settings and help pages: account labels, the two switches, logout, the web site and the
// version check against the stand-in service.
class TestSettingsPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void versionCheck_data();
    void versionCheck();
    void versionCheckFailure();

    void showAccountTakesSwitchStates_data();
    void showAccountTakesSwitchStates();
    void rememberPassword_data();
    void rememberPassword();
    void autostartSwitch();
    void autostartFailureShowsTheTruth();
    void logout_data();
    void logout();
    void webSite();

private:
    void setLatestVersion(const QString &code, const QString &downUrl);
    MainWindow2 &manage() { return *h.window; }
    QPushButton *button(const char *name) { return widget<QPushButton>(manage(), name); }

    WindowHarness h;
    std::unique_ptr<ScriptedPasswordStore> m_keyring;
};

void TestSettingsPage::initTestCase()
{
    // One service for the suite; each test signs in afresh.
    QVERIFY(h.startService());
    h.keepService(true);
}

void TestSettingsPage::init()
{
    h.init();
    QVERIFY(h.signIn(QString(), false));
    theUser().pwdScrambled.clear();
    // The sign-in window asks the keyring at start.
    m_keyring = std::make_unique<ScriptedPasswordStore>();
    setPasswordStore(m_keyring.get());
    h.openSignIn();
}

void TestSettingsPage::cleanup()
{
    if (h.service)
        h.service->clearFaults();
    h.cleanup();
    setPasswordStore(nullptr);
    m_keyring.reset();
}

void TestSettingsPage::cleanupTestCase()
{
    h.keepService(false);
    h.stopService();
}

void TestSettingsPage::setLatestVersion(const QString &code, const QString &downUrl)
{
    SeedSet seed;
    AppInfoRow app;
    app.type = 1;
    app.versionCode = code;
    app.versionName = code;
    app.downUrl = downUrl;
    seed.appInfo.append(app);
    QString error;
    QVERIFY2(h.service->service().storage().import(seed, &error), qPrintable(error));
}

void TestSettingsPage::versionCheck_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("downUrl");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opened"); // "" when no update is offered; "SERVICE" = base URL

    QTest::newRow("same version") << "1.31"
                                  << "/download/"
                                  << "当前已是最新版本。" << QString();
    QTest::newRow("older on the service") << "1.30"
                                          << "/download/"
                                          << "当前已是最新版本" << QString();
    const QString offer = QStringLiteral("本地版本是 1.31，最新版本是 1.4，是否前往下载更新？");
    QTest::newRow("newer: service's own page") << "1.4"
                                               << "/download/" << offer << "SERVICE/download/";
    QTest::newRow("newer: address without scheme")
        << "1.4"
        << "dl.example.com/halvik/setup.exe" << offer << "http://dl.example.com/halvik/setup.exe";
    QTest::newRow("newer: no address") << "1.4"
                                       << "" << offer << "SERVICE";
}

void TestSettingsPage::versionCheck()
{
    QFETCH(QString, code);
    QFETCH(QString, downUrl);
    QFETCH(QString, text);
    QFETCH(QString, opened);
    setLatestVersion(code, downUrl);
    opened.replace(QLatin1String("SERVICE"), h.service->baseUrl());

    h.boxes->answer(1);
    button("pushButton_chkV")->click();
    QCOMPARE(h.boxes->contents(), QStringList{text});
    const RecordedMsgBox &box = h.boxes->shown.first();
    if (opened.isEmpty()) {
        QCOMPARE(box.buttonMode, 1);
        QVERIFY(h.openedUrls().isEmpty());
        return;
    }
    QCOMPARE(box.title, QStringLiteral("是否更新"));
    QCOMPARE(box.buttonMode, 2);
    QCOMPARE(box.okText, QStringLiteral("更新"));
    QCOMPARE(box.cancelText, QStringLiteral("暂不更新"));
    QCOMPARE(h.openedUrls(), QList<QUrl>{QUrl(opened)});

    // "暂不更新" opens nothing.
    h.boxes->answer(0);
    button("pushButton_chkV")->click();
    QCOMPARE(h.openedUrls().size(), 1);
}

void TestSettingsPage::versionCheckFailure()
{
    Fault refused;
    refused.kind = FaultKind::Custom;
    refused.contentType = "application/json";
    refused.body = R"({"code":1,"message":"版本信息暂不可用"})";
    h.service->setFault(QStringLiteral("/api/user/appInfo/"), refused);
    button("pushButton_chkV")->click();
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("版本信息暂不可用")});
    QVERIFY(h.openedUrls().isEmpty());
}

void TestSettingsPage::showAccountTakesSwitchStates_data()
{
    QTest::addColumn<bool>("remember");
    QTest::addColumn<bool>("autostart");
    QTest::newRow("both on") << true << true;
    QTest::newRow("both off") << false << false;
}

void TestSettingsPage::showAccountTakesSwitchStates()
{
    QFETCH(bool, remember);
    QFETCH(bool, autostart);
    QString error;
    QVERIFY2(setAutostart(autostart, &error), qPrintable(error));
    widget<QCheckBox>(*h.signInWindow, "checkBox")->setChecked(remember);
    button("pushButton_34")->setChecked(!remember);
    button("pushButton_21")->setChecked(!autostart);

    manage().settingsPage().showAccount();
    QCOMPARE(widget<QLabel>(manage(), "label_37")->text(), LocalServiceFixture::demoEmail());
    QCOMPARE(widget<QLabel>(manage(), "label")->text(), LocalServiceFixture::demoEmail());
    QCOMPARE(button("pushButton_34")->isChecked(), remember);
    QCOMPARE(button("pushButton_21")->isChecked(), autostart);
}

void TestSettingsPage::rememberPassword_data()
{
    QTest::addColumn<QString>("scrambled"); // empty: the run signed in by WeChat only
    QTest::addColumn<int>("keyring");       // KeyringResult the store answers with
    QTest::addColumn<bool>("turnOn");
    QTest::addColumn<bool>("switchAfter");
    QTest::addColumn<QString>("storedPwd"); // empty: no "pwd" key
    QTest::addColumn<QString>("entry");     // the keyring's entry; empty: none
    QTest::addColumn<QString>("box");

    const QString scrambled = scrambleText("secret");
    const int done = int(KeyringResult::Done);
    QTest::newRow("on after a password sign-in")
        << scrambled << done << true << true << QString() << "secret" << QString();
    QTest::newRow("on without a keyring") << scrambled << int(KeyringResult::NoKeyring) << true
                                          << true << scrambled << QString() << QString();
    QTest::newRow("on, keyring declines") << scrambled << int(KeyringResult::Failed) << true
                                          << false << "kept" << QString() << QString();
    QTest::newRow("off removes the password")
        << scrambled << done << false << false << QString() << QString() << QString();
    QTest::newRow("on after WeChat only")
        << QString() << done << true << false << "kept"
        << "earlier" << QStringLiteral("微信扫码登录无法记住密码");
}

void TestSettingsPage::rememberPassword()
{
    QFETCH(QString, scrambled);
    QFETCH(int, keyring);
    QFETCH(bool, turnOn);
    QFETCH(bool, switchAfter);
    QFETCH(QString, storedPwd);
    QFETCH(QString, entry);
    QFETCH(QString, box);
    theUser().pwdScrambled = scrambled;
    {
        QSettings store = loginStore();
        store.setValue(QStringLiteral("pwd"), QStringLiteral("kept"));
    }
    const QString email = LocalServiceFixture::demoEmail();
    m_keyring->entries.insert(email, QStringLiteral("earlier"));
    m_keyring->refusal = KeyringResult(keyring);
    QPushButton *toggle = button("pushButton_34");
    toggle->setChecked(!turnOn);
    toggle->click();

    if (!scrambled.isEmpty())
        QTRY_COMPARE(m_keyring->answered, 1);
    QCOMPARE(toggle->isChecked(), switchAfter);
    QCOMPARE(h.boxes->contents(), box.isEmpty() ? QStringList() : QStringList{box});
    QSettings store = loginStore();
    QCOMPARE(store.value(QStringLiteral("user")).toString(), email);
    QCOMPARE(store.contains(QStringLiteral("pwd")), !storedPwd.isEmpty());
    if (!storedPwd.isEmpty())
        QCOMPARE(store.value(QStringLiteral("pwd")).toString(), storedPwd);
    if (KeyringResult(keyring) == KeyringResult::Done)
        QCOMPARE(m_keyring->entries.value(email), entry);
    // The page says so, once, when no keyring answers.
    QCOMPARE(widget<QLabel>(manage(), "label_keyring")
                 ->isVisibleTo(widget<QWidget>(manage(), "page_accOpt")),
             KeyringResult(keyring) == KeyringResult::NoKeyring);
}

void TestSettingsPage::autostartSwitch()
{
    QPushButton *toggle = button("pushButton_21");
    toggle->click();
    QVERIFY(toggle->isChecked());
    QVERIFY(autostartEnabled());
    QVERIFY(QFile::exists(autostartEntryPath()));

    toggle->click();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!autostartEnabled());

    toggle->click();
    QVERIFY(autostartEnabled());
    QVERIFY(QFile(autostartEntryPath()).open(QIODevice::ReadOnly));
    QCOMPARE(h.boxes->count(), 0);
}

void TestSettingsPage::autostartFailureShowsTheTruth()
{
    // A configuration folder below a plain file cannot be created.
    QFile blocker(h.settingsPath() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName()));

    QPushButton *toggle = button("pushButton_21");
    toggle->click();
    QVERIFY(!toggle->isChecked());
    QCOMPARE(h.boxes->count(), 1);
    QVERIFY(!h.boxes->shown.first().content.isEmpty());
}

void TestSettingsPage::logout_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("cancel keeps the window") << 0;
    QTest::newRow("OK returns to the sign-in window") << 1;
}

void TestSettingsPage::logout()
{
    QFETCH(int, answer);
    QTabWidget *tabs = widget<QTabWidget>(*h.signInWindow, "tabWidget");
    {
        // Another tab, without starting its QR flow.
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(1);
    }
    manage().show();
    QVERIFY(h.signInWindow->isHidden());

    h.boxes->answer(answer);
    button("pushButton_18")->click();
    QCOMPARE(h.boxes->count(), 1);
    const RecordedMsgBox &box = h.boxes->shown.first();
    QCOMPARE(box.content, QStringLiteral("确定注销当前账户吗?"));
    QCOMPARE(box.title, QStringLiteral("注销确认"));
    QCOMPARE(box.buttonMode, 2);
    QCOMPARE(manage().isVisible(), !answer);
    QCOMPARE(h.signInWindow->isVisible(), bool(answer));
    QCOMPARE(tabs->currentIndex(), answer ? 0 : 1);
}

void TestSettingsPage::webSite()
{
    button("pushButton_35")->click();
    QCOMPARE(h.openedUrls(), QList<QUrl>{QUrl(h.service->baseUrl())});
}

QTEST_MAIN(TestSettingsPage)
#include "tst_settingspage.moc"
