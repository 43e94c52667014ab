#include "client/KeyringStore.h"
#include "client/LoginSettings.h"
#include "client/Scramble.h"
#include "client/User.h"
#include "tests/support/RecordingPresenter.h"

#include <QDirIterator>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString kEmail = QStringLiteral("owner@例子.cn");
const QString kPassword = QStringLiteral("pa ss密码-42");
// The keyring answers over the session bus: generous, as the machine may be busy.
constexpr int kKeyringWithinMs = 20000;

QSettings loginStore()
{
    return QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"));
}

// Whether any file under dir holds text, as UTF-8.
bool anyFileHolds(const QString &dir, const QString &text)
{
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8()))
            return true;
    }
    return false;
}

// Puts an environment variable back however the test ends.
class EnvScope
{
public:
    explicit EnvScope(const char *name) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_value = qgetenv(name);
    }
    ~EnvScope()
    {
        if (m_had)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }
    EnvScope(const EnvScope &) = delete;
    EnvScope &operator=(const EnvScope &) = delete;

private:
    const char *m_name;
    bool m_had;
    QByteArray m_value;
};

} // namespace

// The password store against a real Secret Service (gnome-keyring on a private session bus,
// see with-keyring.sh), and the remembered login on top of it, with and without a keyring.
class TestKeyring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entriesRoundTrip();
    void rememberedPasswordOnlyInKeyring();
    void oldPasswordMovesIn();
    void withoutKeyringKeepsScrambledSetting();

private:
    KeyringAnswer wait(const std::function<void(QObject *, PasswordStore::Reply)> &call);

    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<KeyringStore> m_store;
    RecordingPresenter m_boxes;
};

void TestKeyring::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HALVIK_KEYRING_SANDBOX"))
        qFatal("run through tests/support/with-keyring.sh: it must not reach a real keyring");
}

void TestKeyring::init()
{
    m_settingsDir = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir->path());
    m_store = std::make_unique<KeyringStore>();
    setPasswordStore(m_store.get());
}

void TestKeyring::cleanup()
{
    setPasswordStore(nullptr);
    m_store.reset();
    m_settingsDir.reset();
}

KeyringAnswer TestKeyring::wait(const std::function<void(QObject *, PasswordStore::Reply)> &call)
{
    bool answered = false;
    KeyringAnswer got;
    call(this, [&](const KeyringAnswer &a) {
        got = a;
        answered = true;
    });
    // Never from inside the call: a caller may still be setting up around it.
    if (answered)
        qWarning("answered from inside the call");
    [&] { QTRY_VERIFY_WITH_TIMEOUT(answered, kKeyringWithinMs); }();
    return got;
}

void TestKeyring::entriesRoundTrip()
{
    PasswordStore &store = *m_store;
    const QString other = QStringLiteral("second@example.com");
    QCOMPARE(wait([&](QObject *c, auto r) { store.read(kEmail, c, r); }).result,
             KeyringResult::NotFound);
    QCOMPARE(wait([&](QObject *c, auto r) { store.write(kEmail, kPassword, c, r); }).result,
             KeyringResult::Done);
    QCOMPARE(
        wait([&](QObject *c, auto r) { store.write(other, QStringLiteral("x"), c, r); }).result,
        KeyringResult::Done);

    const KeyringAnswer read = wait([&](QObject *c, auto r) { store.read(kEmail, c, r); });
    QCOMPARE(read.result, KeyringResult::Done);
    QCOMPARE(read.password, kPassword);

    // A new password replaces the entry; removing one account leaves the other.
    QCOMPARE(
        wait([&](QObject *c, auto r) { store.write(kEmail, QStringLiteral("new"), c, r); }).result,
        KeyringResult::Done);
    QCOMPARE(wait([&](QObject *c, auto r) { store.read(kEmail, c, r); }).password,
             QStringLiteral("new"));
    QCOMPARE(wait([&](QObject *c, auto r) { store.remove(kEmail, c, r); }).result,
             KeyringResult::Done);
    QCOMPARE(wait([&](QObject *c, auto r) { store.read(kEmail, c, r); }).result,
             KeyringResult::NotFound);
    QCOMPARE(wait([&](QObject *c, auto r) { store.read(other, c, r); }).password,
             QStringLiteral("x"));
    QVERIFY(!store.keyringMissing());
}

void TestKeyring::rememberedPasswordOnlyInKeyring()
{
    User user;
    user.email = kEmail;
    user.pwdScrambled = scrambleText(kPassword.toUtf8());
    loginStore().setValue(QStringLiteral("pwd"), scrambleText("older"));

    bool kept = false;
    QVERIFY(saveLoginSettings(user, true, this, [&](bool ok) { kept = ok; }));
    QTRY_VERIFY_WITH_TIMEOUT(kept, kKeyringWithinMs);
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
    QCOMPARE(wait([&](QObject *c, auto r) { m_store->read(kEmail, c, r); }).password, kPassword);
    // No file this program wrote keeps the password, plain or scrambled.
    loginStore().sync();
    QVERIFY(!anyFileHolds(m_settingsDir->path(), kPassword));
    QVERIFY(!anyFileHolds(m_settingsDir->path(), user.pwdScrambled));

    QString found;
    findRememberedPassword(kEmail, this, [&](bool ok, const QString &text) {
        QVERIFY(ok);
        found = text;
    });
    QTRY_COMPARE_WITH_TIMEOUT(found, kPassword, kKeyringWithinMs);

    kept = false;
    QVERIFY(saveLoginSettings(user, false, this, [&](bool ok) { kept = ok; }));
    QTRY_VERIFY_WITH_TIMEOUT(kept, kKeyringWithinMs);
    QCOMPARE(wait([&](QObject *c, auto r) { m_store->read(kEmail, c, r); }).result,
             KeyringResult::NotFound);
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
}

void TestKeyring::oldPasswordMovesIn()
{
    loginStore().setValue(QStringLiteral("user"), kEmail);
    loginStore().setValue(QStringLiteral("pwd"), scrambleText(kPassword.toUtf8()));
    const RememberedLogin saved = loadLoginSettings();
    QCOMPARE(saved.password, kPassword);

    movePasswordToKeyring(saved, this);
    // The setting goes only after the keyring holds the password.
    QVERIFY(loginStore().contains(QStringLiteral("pwd")));
    QTRY_VERIFY_WITH_TIMEOUT(!loginStore().contains(QStringLiteral("pwd")), kKeyringWithinMs);
    QCOMPARE(wait([&](QObject *c, auto r) { m_store->read(kEmail, c, r); }).password, kPassword);
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);

    // Forgetting takes the entry and the e-mail.
    bool removed = false;
    forgetLogin(this, [&](bool ok) { removed = ok; });
    QTRY_VERIFY_WITH_TIMEOUT(removed, kKeyringWithinMs);
    QVERIFY(!loginStore().contains(QStringLiteral("user")));
    QCOMPARE(wait([&](QObject *c, auto r) { m_store->read(kEmail, c, r); }).result,
             KeyringResult::NotFound);
}

void TestKeyring::withoutKeyringKeepsScrambledSetting()
{
    // A session without a bus: the store must find that out without starting a bus itself.
    QTemporaryDir runtime;
    EnvScope bus("DBUS_SESSION_BUS_ADDRESS");
    EnvScope runtimeDir("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    KeyringStore store;
    setPasswordStore(&store);
    QSignalSpy missing(&store, &PasswordStore::keyringFoundMissing);

    loginStore().setValue(QStringLiteral("user"), kEmail);
    const QString old = scrambleText(kPassword.toUtf8());
    loginStore().setValue(QStringLiteral("pwd"), old);
    movePasswordToKeyring(loadLoginSettings(), this);
    QTRY_COMPARE_WITH_TIMEOUT(missing.count(), 1, kKeyringWithinMs);
    QCOMPARE(loginStore().value(QStringLiteral("pwd")).toString(), old);

    User user;
    user.email = QStringLiteral("next@example.com");
    user.pwdScrambled = scrambleText("next");
    bool kept = false;
    QVERIFY(saveLoginSettings(user, true, this, [&](bool ok) { kept = ok; }));
    QTRY_VERIFY_WITH_TIMEOUT(kept, kKeyringWithinMs);
    QCOMPARE(loginStore().value(QStringLiteral("pwd")).toString(), user.pwdScrambled);
    QString found;
    findRememberedPassword(user.email, this, [&](bool, const QString &text) { found = text; });
    QTRY_COMPARE_WITH_TIMEOUT(found, QStringLiteral("next"), kKeyringWithinMs);
    QCOMPARE(missing.count(), 1); // said once
}

QTEST_GUILESS_MAIN(TestKeyring)
#include "tst_keyring.moc"
