#include "client/Scramble.h"
#include "tests/support/ApiTestUtil.h"

#include <QDirIterator>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace apitest;

namespace {

const QString kEmail = QStringLiteral("ops@example.com");
const QString kPassword = QStringLiteral("Pw-密码-42");
const QString kNoKeyring = QStringLiteral("no desktop keyring answers");

struct Run
{
    int exit = -1;
    QString out;
    QString err;
};

QSettings loginStore()
{
    return QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"));
}

} // namespace

// halvik-cli's remembered login as a child process: against a real Secret Service on a private
// session bus (with-keyring.sh), and on a session without one.
class TestCliKeyring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void rememberSignInForget();
    void oldPasswordMovesIntoKeyring();
    void withoutKeyringKeepsScrambledSetting();

private:
    enum Keyring
    {
        WithKeyring,
        NoKeyring
    };
    // Runs halvik-cli with only the given account variables (none when empty).
    Run run(const QStringList &args, const QString &email, const QString &password,
            Keyring keyring = WithKeyring);
    QString signedInWith() const;
    bool anyFileHolds(const QString &text) const;

    std::unique_ptr<TestHttpsServer> m_server;
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_noBus;
};

void TestCliKeyring::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("HALVIK_KEYRING_SANDBOX"))
        qFatal("run through tests/support/with-keyring.sh: it must not reach a real keyring");
}

void TestCliKeyring::init()
{
    m_server = std::make_unique<TestHttpsServer>();
    m_server->setReply(QStringLiteral("/api/user/verify/"),
                       ok(QJsonObject{{QStringLiteral("apiKey"), QStringLiteral("K")},
                                      {QStringLiteral("apiSecret"), QStringLiteral("S")}}));
    m_server->setReply(QStringLiteral("/api/domain/getgrouplist/"), ok(QJsonArray{}));
    m_config = std::make_unique<QTemporaryDir>();
    m_noBus = std::make_unique<QTemporaryDir>();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
}

Run TestCliKeyring::run(const QStringList &args, const QString &email, const QString &password,
                        Keyring keyring)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HALVIK_SERVICE_URL"), m_server->baseUrl());
    env.insert(QStringLiteral("HALVIK_CA_FILE"), TestHttpsServer::caFile());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config->path());
    env.remove(QStringLiteral("HALVIK_EMAIL"));
    env.remove(QStringLiteral("HALVIK_PASSWORD"));
    if (!email.isEmpty())
        env.insert(QStringLiteral("HALVIK_EMAIL"), email);
    if (!password.isEmpty())
        env.insert(QStringLiteral("HALVIK_PASSWORD"), password);
    if (keyring == NoKeyring) {
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_noBus->path());
    }
    QProcess p;
    p.setProcessEnvironment(env);
    // A session of its own: no controlling terminal to ask for a password on.
    p.start(QStringLiteral("setsid"),
            QStringList{QStringLiteral("--wait"), QStringLiteral(HALVIK_CLI_BINARY)} + args);
    Run r;
    if (!p.waitForStarted(30000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        p.kill();
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The e-mail and password of the last sign-in the server saw ("email|password").
QString TestCliKeyring::signedInWith() const
{
    for (const CapturedRequest &request : m_server->requests()) {
        if (request.path == QStringLiteral("/api/user/verify/"))
            return request.form.value("email") + QLatin1Char('|') + request.form.value("password");
    }
    return QString();
}

bool TestCliKeyring::anyFileHolds(const QString &text) const
{
    QDirIterator it(m_config->path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text.toUtf8()))
            return true;
    }
    return false;
}

void TestCliKeyring::rememberSignInForget()
{
    const Run login =
        run({QStringLiteral("login"), QStringLiteral("--remember")}, kEmail, kPassword);
    QCOMPARE(login.exit, 0);
    QVERIFY2(login.out.contains(QStringLiteral("Password remembered")), qPrintable(login.out));
    QVERIFY2(!login.err.contains(kNoKeyring), qPrintable(login.err));
    QCOMPARE(loginStore().value(QStringLiteral("user")).toString(), kEmail);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
    QVERIFY(!anyFileHolds(kPassword));

    // No account and no password given: the remembered e-mail and the keyring's password.
    m_server->clearRequests();
    const Run later = run({QStringLiteral("groups")}, QString(), QString());
    QCOMPARE(later.exit, 0);
    QCOMPARE(signedInWith(), kEmail + QLatin1Char('|') + kPassword);

    // A password given wins over the remembered one.
    m_server->clearRequests();
    QCOMPARE(run({QStringLiteral("groups")}, QString(), QStringLiteral("typed")).exit, 0);
    QCOMPARE(signedInWith(), kEmail + QStringLiteral("|typed"));

    const Run forget =
        run({QStringLiteral("logout"), QStringLiteral("--forget")}, QString(), QString());
    QCOMPARE(forget.exit, 0);
    QVERIFY(!loginStore().contains(QStringLiteral("user")));
    m_server->clearRequests();
    const Run after = run({QStringLiteral("groups")}, kEmail, QString());
    QCOMPARE(after.exit, 64);
    QVERIFY2(after.err.contains(QStringLiteral("no password")), qPrintable(after.err));
    QVERIFY(m_server->requests().isEmpty());
}

void TestCliKeyring::oldPasswordMovesIntoKeyring()
{
    loginStore().setValue(QStringLiteral("user"), kEmail);
    loginStore().setValue(QStringLiteral("pwd"), scrambleText(kPassword.toUtf8()));
    loginStore().sync();

    QCOMPARE(run({QStringLiteral("groups")}, QString(), QString()).exit, 0);
    QCOMPARE(signedInWith(), kEmail + QLatin1Char('|') + kPassword);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));

    // From now on the keyring has it.
    m_server->clearRequests();
    QCOMPARE(run({QStringLiteral("groups")}, QString(), QString()).exit, 0);
    QCOMPARE(signedInWith(), kEmail + QLatin1Char('|') + kPassword);
}

void TestCliKeyring::withoutKeyringKeepsScrambledSetting()
{
    const Run login =
        run({QStringLiteral("login"), QStringLiteral("--remember")}, kEmail, kPassword, NoKeyring);
    QCOMPARE(login.exit, 0);
    QCOMPARE(login.err.count(kNoKeyring), 1);
    QCOMPARE(
        QString::fromUtf8(unscrambleText(loginStore().value(QStringLiteral("pwd")).toString())),
        kPassword);
    QVERIFY(!anyFileHolds(kPassword));

    m_server->clearRequests();
    const Run later = run({QStringLiteral("groups")}, QString(), QString(), NoKeyring);
    QCOMPARE(later.exit, 0);
    QCOMPARE(signedInWith(), kEmail + QLatin1Char('|') + kPassword);
    // Still there: no keyring took it.
    QVERIFY(loginStore().contains(QStringLiteral("pwd")));

    const Run forget = run({QStringLiteral("logout"), QStringLiteral("--forget")}, QString(),
                           QString(), NoKeyring);
    QCOMPARE(forget.exit, 0);
    QVERIFY(!loginStore().contains(QStringLiteral("pwd")));
    QVERIFY(!loginStore().contains(QStringLiteral("user")));
}

QTEST_GUILESS_MAIN(TestCliKeyring)
#include "tst_clikeyring.moc"
