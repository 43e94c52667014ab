#include "app/AppGlobals.h"
#include "client/Scramble.h"
#include "client/User.h"
#include "signin/MainWindow.h"
#include "tests/support/ScriptedPasswordStore.h"
#include "tests/support/TestHttpsServer.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kEmail = QStringLiteral("owner@例子.cn");
const QString kPassword = QStringLiteral("pa ss密码");
const QString kVerify = QStringLiteral("/api/user/verify/");

CannedReply json(const QByteArray &body)
{
    CannedReply r;
    r.body = body;
    return r;
}

const CannedReply kSignedIn = json(R"({"code":0,"data":{"apiKey":"K1","apiSecret":"S1"}})");

QSettings loginStore()
{
    return QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"));
}

} // namespace

// The sign-in window: its form, password sign-in, remembered login and the web links.
class TestSignInWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void builtAsFormSays();
    void tabOrderFromForm();
    void enterKeyChain();
    void signInHandsOver();
    void refusedSignInShowsServerText();
    void apiKeyMissingAsks_data();
    void apiKeyMissingAsks();
    void rememberRoundTrip();
    void keyringAnswersLate_data();
    void keyringAnswersLate();
    void lateKeyringLeavesTypedPassword();
    void rememberInKeyringMovesOldPassword();
    void laterChoiceWins();
    void corruptPasswordGivesEmptyTicked();
    void weChatOnlyRunCannotRememberPassword();
    void linksOpenServicePages_data();
    void linksOpenServicePages();

private:
    void signIn(MainWindow &window, const QString &email, const QString &password, bool remember);

    std::unique_ptr<TestHttpsServer> m_server;
    WindowHarness h;
    std::unique_ptr<ScriptedPasswordStore> m_keyring;
};

void TestSignInWindow::initTestCase()
{
    m_server = std::make_unique<TestHttpsServer>();
}

void TestSignInWindow::init()
{
    h.init();
    User &user = theUser();
    user.baseUrl = m_server->baseUrl();
    user.webBaseUrl = m_server->baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
    m_server->setReply(kVerify, kSignedIn);
    m_server->clearRequests();
    // No keyring unless a test says otherwise: the scrambled setting as before.
    m_keyring = std::make_unique<ScriptedPasswordStore>();
    m_keyring->refusal = KeyringResult::NoKeyring;
    setPasswordStore(m_keyring.get());
}

void TestSignInWindow::cleanup()
{
    h.cleanup();
    setPasswordStore(nullptr);
    m_keyring.reset();
}

void TestSignInWindow::cleanupTestCase()
{
    m_server.reset();
}

void TestSignInWindow::signIn(MainWindow &window, const QString &email, const QString &password,
                              bool remember)
{
    widget<QLineEdit>(window, "lineEdit")->setText(email);
    widget<QLineEdit>(window, "lineEdit_2")->setText(password);
    widget<QCheckBox>(window, "checkBox")->setChecked(remember);
    widget<QPushButton>(window, "pushButton")->click();
}

void TestSignInWindow::builtAsFormSays()
{
    MainWindow &window = h.openSignIn();
    QCOMPARE(signInWindow(), &window);
    QCOMPARE(manageWindow(), &window.managementWindow());
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(window.managementWindow().windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.windowTitle(), QStringLiteral("halvik"));
    QCOMPARE(window.size(), QSize(900, 600));
    // Every image the style sheet names is in the resource tree.
    const QString style = window.styleSheet();
    static const QRegularExpression url(QStringLiteral("url\\((:[^)]+)\\)"));
    int images = 0;
    for (auto it = url.globalMatch(style); it.hasNext(); ++images) {
        const QString path = it.next().captured(1);
        QVERIFY2(QFile::exists(path), qPrintable(path));
    }
    QVERIFY(images >= 5);

    auto *tabs = widget<QTabWidget>(window, "tabWidget");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("账号登录"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("微信登录"));
    QCOMPARE(tabs->currentWidget(), widget<QWidget>(window, "tab"));
    // The registration page is built but out of the tab bar.
    QCOMPARE(tabs->indexOf(widget<QWidget>(window, "tab_3")), -1);

    QCOMPARE(widget<QLineEdit>(window, "lineEdit")->placeholderText(),
             QStringLiteral("请输入您的邮箱"));
    auto *password = widget<QLineEdit>(window, "lineEdit_2");
    QCOMPARE(password->placeholderText(), QStringLiteral("请输入您的密码"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(widget<QPushButton>(window, "pushButton")->text(), QStringLiteral("登  录"));
    QCOMPARE(widget<QPushButton>(window, "pushButton")->geometry(), QRect(45, 180, 260, 40));
    QCOMPARE(widget<QPushButton>(window, "pushButton_4")->text(), QStringLiteral("注 册"));
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_6")->placeholderText(),
             QStringLiteral("请确认您的密码"));
    // No saved settings: empty fields, nothing ticked.
    QVERIFY(widget<QLineEdit>(window, "lineEdit")->text().isEmpty());
    QVERIFY(!widget<QCheckBox>(window, "checkBox")->isChecked());

    // Selecting the first tab ran the QR flow once: its timer exists and stays stopped.
    auto *timer = window.findChild<QTimer *>(QStringLiteral("qrTimer"));
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->property("RP").toString(), QStringLiteral("ppre"));
}

void TestSignInWindow::tabOrderFromForm()
{
    MainWindow &window = h.openSignIn();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The links, the logo and the tab widget take no focus, so Tab passes them by; the
    // registration page's fields are hidden with their page.
    QCOMPARE(widget<QWidget>(window, "pushButton_4")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(widget<QWidget>(window, "pushButton_7")->focusPolicy(), Qt::NoFocus);
    QCOMPARE(widget<QWidget>(window, "tabWidget")->focusPolicy(), Qt::NoFocus);
    QWidget *start = widget<QWidget>(window, "lineEdit");
    start->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(order, (QStringList{"lineEdit_2", "checkBox", "pushButton", "pushButton_6",
                                 "pushButton_2", "pushButton_3"}));
}

void TestSignInWindow::enterKeyChain()
{
    MainWindow &window = h.openSignIn();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *email = widget<QLineEdit>(window, "lineEdit");
    auto *password = widget<QLineEdit>(window, "lineEdit_2");
    email->setFocus();
    email->setText(kEmail);
    password->setText(kPassword);
    QTest::keyClick(email, Qt::Key_Return);
    QVERIFY(password->hasFocus());
    QCOMPARE(password->selectedText(), kPassword);

    QSignalSpy clicked(widget<QPushButton>(window, "pushButton"), &QPushButton::clicked);
    QTest::keyClick(password, Qt::Key_Enter);
    QCOMPARE(clicked.count(), 1);
    // The window's other fetches (the QR code page) may reach the server meanwhile.
    CapturedRequest sent;
    for (const CapturedRequest &request : m_server->requests()) {
        if (request.path == kVerify)
            sent = request;
    }
    QCOMPARE(sent.path, kVerify);
    QCOMPARE(sent.form.value("email"), kEmail);
    QCOMPARE(sent.form.value("password"), kPassword);

    // The registration page's chain ends in its button.
    QSignalSpy registerClicked(widget<QPushButton>(window, "pushButton_5"), &QPushButton::clicked);
    emit widget<QLineEdit>(window, "lineEdit_6")->returnPressed();
    QCOMPARE(registerClicked.count(), 1);
}

void TestSignInWindow::signInHandsOver()
{
    // The management window reads the account as it opens: an empty one, so that any box seen
    // is the hand-over's and not a reply the test server could not give.
    const CannedReply emptyPage = json(R"({"code":0,"data":{"recordCount":0,"data":[]}})");
    m_server->setReply(theUser().paths.domainList, emptyPage);
    m_server->setReply(theUser().paths.groupList, json(R"({"code":0,"data":[]})"));
    m_server->setReply(theUser().paths.userMessages, emptyPage);
    m_server->setReply(theUser().paths.newsList, emptyPage);
    QSignalSpy listRead(&theUser(), &User::domainListRead);
    MainWindow &window = h.openSignIn();
    window.show();
    MainWindow2 &shell = window.managementWindow();
    shell.firstShowPending = false;

    signIn(window, kEmail, kPassword, true);
    QVERIFY(theUser().loggedIn);
    QVERIFY(window.isHidden());
    QVERIFY(shell.firstShowPending);
    QVERIFY(!shell.isVisible()); // it follows a moment later
    QTRY_VERIFY_WITH_TIMEOUT(shell.isVisible(), kEventWithinMs);
    QTRY_VERIFY_WITH_TIMEOUT(!listRead.isEmpty(), kEventWithinMs);
    QVERIFY(h.boxes->shown.isEmpty());
    QCOMPARE(QString::fromUtf8(unscrambleText(theUser().pwdScrambled)), kPassword);
}

void TestSignInWindow::refusedSignInShowsServerText()
{
    m_server->setReply(kVerify, json(R"({"code":1001,"message":"密码错误"})"));
    MainWindow &window = h.openSignIn();
    window.show();
    window.managementWindow().firstShowPending = false;
    signIn(window, kEmail, QStringLiteral("wrong"), true);

    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("密码错误")});
    QCOMPARE(h.boxes->shown.value(0).buttonMode, 1);
    QVERIFY(h.boxes->shown.value(0).title.isEmpty());
    QVERIFY(window.isVisible());
    QVERIFY(window.managementWindow().firstShowPending); // set whatever the outcome
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), QStringLiteral("wrong"));
    QVERIFY(!loginStore().contains(QStringLiteral("user")));
}

void TestSignInWindow::apiKeyMissingAsks_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QList<QUrl>>("opened");
    QTest::newRow("OK opens the page")
        << 1 << QList<QUrl>{QUrl(m_server->baseUrl() + QStringLiteral("/member/apiSet/"))};
    QTest::newRow("Cancel leaves it") << 0 << QList<QUrl>{};
}

void TestSignInWindow::apiKeyMissingAsks()
{
    QFETCH(int, answer);
    QFETCH(QList<QUrl>, opened);
    m_server->setReply(kVerify, json(R"({"code":1007,"message":"API Key 未开启"})"));
    MainWindow &window = h.openSignIn();
    window.show();
    h.boxes->answer(answer);
    signIn(window, kEmail, kPassword, false);

    QCOMPARE(h.boxes->contents(),
             QStringList{QStringLiteral("该账户未开启API Key,请前往web端开启。是否打开网页？")});
    QCOMPARE(h.boxes->shown.value(0).buttonMode, 2);
    QCOMPARE(h.openedUrls(), opened);
    QVERIFY(window.isVisible());

    // A later failure that never reached the service is not taken for the same question.
    h.boxes->shown.clear();
    m_server->setReply(kVerify, json("not json"));
    signIn(window, kEmail, kPassword, false);
    QVERIFY(!h.boxes->contents().contains(
        QStringLiteral("该账户未开启API Key,请前往web端开启。是否打开网页？")));
}

void TestSignInWindow::rememberRoundTrip()
{
    {
        MainWindow window;
        window.show();
        signIn(window, kEmail, kPassword, true);
        QVERIFY(window.isHidden());
    }
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
    // Written once the store said there is no keyring, even with the window gone by then.
    QTRY_COMPARE(
        QString::fromUtf8(unscrambleText(loginStore().value(QStringLiteral("pwd")).toString())),
        kPassword);
    {
        // Only the scrambled form is on disk.
        QSettings store = loginStore();
        store.sync();
        QFile file(store.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(!file.readAll().contains(kPassword.toUtf8()));
    }
    {
        MainWindow window;
        QCOMPARE(widget<QLineEdit>(window, "lineEdit")->text(), kEmail);
        QCOMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), kPassword);
        QVERIFY(widget<QCheckBox>(window, "checkBox")->isChecked());
        QCOMPARE(window.focusWidget(), widget<QLineEdit>(window, "lineEdit_2"));

        window.show();
        signIn(window, kEmail, kPassword, false);
        QVERIFY(window.isHidden());
    }
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
    {
        MainWindow window;
        QCOMPARE(widget<QLineEdit>(window, "lineEdit")->text(), kEmail);
        QVERIFY(widget<QLineEdit>(window, "lineEdit_2")->text().isEmpty());
        QVERIFY(!widget<QCheckBox>(window, "checkBox")->isChecked());
    }
}

void TestSignInWindow::keyringAnswersLate_data()
{
    QTest::addColumn<int>("answer"); // KeyringResult
    QTest::addColumn<bool>("filled");
    QTest::newRow("entry found") << int(KeyringResult::Done) << true;
    QTest::newRow("no entry") << int(KeyringResult::NotFound) << false;
    QTest::newRow("declined or locked") << int(KeyringResult::Failed) << false;
    QTest::newRow("no keyring") << int(KeyringResult::NoKeyring) << false;
}

void TestSignInWindow::keyringAnswersLate()
{
    QFETCH(int, answer);
    QFETCH(bool, filled);
    loginStore().setValue(QStringLiteral("user"), kEmail);
    if (KeyringResult(answer) != KeyringResult::NotFound) {
        m_keyring->entries.insert(kEmail, kPassword);
        m_keyring->refusal = KeyringResult(answer);
    } else {
        m_keyring->refusal = KeyringResult::Done;
    }
    MainWindow window;
    // The window is built without waiting for the keyring.
    QCOMPARE(m_keyring->calls, QStringList{QStringLiteral("read ") + kEmail});
    QVERIFY(widget<QLineEdit>(window, "lineEdit_2")->text().isEmpty());
    QVERIFY(!widget<QCheckBox>(window, "checkBox")->isChecked());

    QTRY_COMPARE(m_keyring->answered, 1);
    QCOMPARE(widget<QLineEdit>(window, "lineEdit")->text(), kEmail);
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), filled ? kPassword : QString());
    QCOMPARE(widget<QCheckBox>(window, "checkBox")->isChecked(), filled);
}

void TestSignInWindow::lateKeyringLeavesTypedPassword()
{
    // A locked keyring waits on its user; meanwhile the user types and signs in.
    loginStore().setValue(QStringLiteral("user"), kEmail);
    m_keyring->refusal = KeyringResult::Done;
    m_keyring->entries.insert(kEmail, QStringLiteral("stale"));
    m_keyring->held = true;
    MainWindow window;
    window.show();
    signIn(window, kEmail, kPassword, false);
    QVERIFY(window.isHidden());
    m_keyring->release();
    QTRY_COMPARE(m_keyring->answered, 2); // the read, then the removal
    QCOMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), kPassword);
    QVERIFY(!widget<QCheckBox>(window, "checkBox")->isChecked());
}

void TestSignInWindow::rememberInKeyringMovesOldPassword()
{
    const QString old = QStringLiteral("old密码");
    const QString oldScrambled = scrambleText(old.toUtf8());
    loginStore().setValue(QStringLiteral("user"), kEmail);
    loginStore().setValue(QStringLiteral("pwd"), oldScrambled);
    m_keyring->refusal = KeyringResult::Done;
    m_keyring->held = true;
    {
        MainWindow window;
        // Shown from the settings at once, as before.
        QCOMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), old);
        QVERIFY(widget<QCheckBox>(window, "checkBox")->isChecked());
        // The setting stays until the keyring confirmed the write.
        QCoreApplication::processEvents();
        QCOMPARE(loginStore().value(QStringLiteral("pwd")).toString(), oldScrambled);
        m_keyring->release();
        QTRY_COMPARE(m_keyring->answered, 1);
        QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
        QCOMPARE(m_keyring->entries.value(kEmail), old);

        // A password sign-in with the box ticked keeps the new password in the keyring only.
        window.show();
        signIn(window, kEmail, kPassword, true);
        QVERIFY(window.isHidden());
        QTRY_COMPARE(m_keyring->entries.value(kEmail), kPassword);
        QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
    }
    {
        MainWindow window;
        QTRY_COMPARE(widget<QLineEdit>(window, "lineEdit_2")->text(), kPassword);
        QVERIFY(widget<QCheckBox>(window, "checkBox")->isChecked());
        // Unticked: the keyring lets it go.
        window.show();
        signIn(window, kEmail, kPassword, false);
        QTRY_VERIFY(!m_keyring->entries.contains(kEmail));
    }
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
}

void TestSignInWindow::laterChoiceWins()
{
    // Remembered, then forgotten before the (keyring-less) store answered: forgetting stands.
    theUser().email = kEmail;
    theUser().pwdScrambled = scrambleText(kPassword.toUtf8());
    m_keyring->held = true;
    MainWindow window;
    QVERIFY(window.saveLoginSettings(true));
    QVERIFY(window.saveLoginSettings(false));
    m_keyring->release();
    QTRY_COMPARE(m_keyring->answered, 2);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
}

void TestSignInWindow::corruptPasswordGivesEmptyTicked()
{
    loginStore().setValue(QStringLiteral("user"), kEmail);
    loginStore().setValue(QStringLiteral("pwd"), QStringLiteral("bm90IHNjcmFtYmxlZA=="));
    MainWindow &window = h.openSignIn();
    QCOMPARE(widget<QLineEdit>(window, "lineEdit")->text(), kEmail);
    QVERIFY(widget<QLineEdit>(window, "lineEdit_2")->text().isEmpty());
    QVERIFY(widget<QCheckBox>(window, "checkBox")->isChecked());
}

void TestSignInWindow::weChatOnlyRunCannotRememberPassword()
{
    loginStore().setValue(QStringLiteral("pwd"), QStringLiteral("earlier"));
    theUser().email = kEmail;
    MainWindow &window = h.openSignIn();
    QVERIFY(!window.saveLoginSettings(true));
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("微信扫码登录无法记住密码")});
    QCOMPARE(h.boxes->shown.value(0).buttonMode, 1);
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
    QCOMPARE(loginStore().value(QStringLiteral("pwd")).toString(), QStringLiteral("earlier"));

    QVERIFY(window.saveLoginSettings(false));
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
}

void TestSignInWindow::linksOpenServicePages_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("path");
    QTest::newRow("register") << "pushButton_4"
                              << "/member/register";
    QTest::newRow("forgotten password") << "pushButton_6"
                                        << "/member/forget";
    QTest::newRow("logo") << "pushButton_7"
                          << "";
}

void TestSignInWindow::linksOpenServicePages()
{
    QFETCH(QString, button);
    QFETCH(QString, path);
    MainWindow &window = h.openSignIn();
    widget<QPushButton>(window, button.toLatin1().constData())->click();
    QCOMPARE(h.openedUrls(), QList<QUrl>{QUrl(m_server->baseUrl() + path)});
}

QTEST_MAIN(TestSignInWindow)
#include "tst_signinwindow.moc"
