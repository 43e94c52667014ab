#include "localservice/dns/NameServers.h"
#include "tests/support/CliRun.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/PebbleServer.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSettings>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Run = CliRun;

const QString kDomain = QStringLiteral("harbor-demo.com");
// Values as ACME clients make them: 43 characters of unpadded base64url.
const QString kValue = QStringLiteral("yKCpIwd8grCPx6ek3mUonv_l6POtsau4dF_HPMMg3FE");
// A certificate takes a hook run per name and challenge, each signing in anew.
constexpr int kClientLimitMs = 300000;

// The DNS names a certificate is for.
QStringList certificateNames(const QString &path)
{
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(path, QSsl::Pem);
    if (chain.isEmpty())
        return {};
    QStringList names = chain.first().subjectAlternativeNames().values(QSsl::DnsEntry);
    names.sort();
    return names;
}

LocalServiceFixture::Options nameServerOptions()
{
    LocalServiceFixture::Options o;
    o.nameServers = true;
    return o;
}

} // namespace

// halvik-cli as the DNS-01 hook of certbot and lego, which obtain certificates from pebble; pebble
// resolves through the stand-in's name servers, so a certificate proves the record was served.
class TestCliAcme : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void certbotObtainsACertificate();
    void legoObtainsACertificate();
    void refusedOrNothingToDo_data();
    void refusedOrNothingToDo();
    void presentWaitsForALaggingNameServer();
    void presentGivesUpOnANameServerThatNeverServes_data();
    void presentGivesUpOnANameServerThatNeverServes();

private:
    // halvik-cli's environment: the stand-in, the demo account, the journal in this test's
    // folder; the ACME clients' homes there too, so that nothing is written elsewhere.
    QProcessEnvironment environment() const;
    Run cli(const QStringList &args, const QProcessEnvironment &env);
    // The hosts of the _acme-challenge records on the domain.
    QStringList challengeHosts();
    QJsonArray jobs();
    void setNs2Fault(int lagSecs, bool stopped);
    // The TXT texts a name server of the stand-in serves for name, as kdig prints them.
    QStringList servedTexts(const QString &server, const QString &name);

    LocalServiceFixture m_service{nameServerOptions()};
    PebbleServer m_pebble;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_dnsServer;
};

void TestCliAcme::initTestCase()
{
    for (const char *program : {"pebble", "certbot", "lego", "kdig"})
        QVERIFY2(
            !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty(),
            qPrintable(
                QStringLiteral("%1 is needed: scripts/deps.sh").arg(QString::fromLatin1(program))));
    QVERIFY2(m_service.start(), qPrintable(m_service.errorText()));
    m_dnsServer = QStringLiteral("127.0.0.1:%1").arg(m_service.dnsPort());
    QVERIFY2(m_pebble.start(m_dnsServer), qPrintable(m_pebble.errorText()));
}

void TestCliAcme::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // The stand-in's name servers, found through itself and asked on its port.
    QSettings settings(m_dir->filePath(QStringLiteral("halvik/halvik.conf")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("live/resolver"), m_dnsServer);
    settings.setValue(QStringLiteral("live/dnsPort"), m_service.dnsPort());
    settings.sync();
    QCOMPARE(settings.status(), QSettings::NoError);
}

QProcessEnvironment TestCliAcme::environment() const
{
    QProcessEnvironment env = cliEnvironment(
        m_service.baseUrl(), m_service.caFile(), LocalServiceFixture::demoEmail(),
        LocalServiceFixture::demoPassword(), m_dir->filePath(QStringLiteral("data")));
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        env.insert(QString::fromLatin1(name), m_dir->path());
    // The hooks run as the README writes them: halvik-cli found on the PATH.
    env.insert(QStringLiteral("PATH"), QFileInfo(QStringLiteral(HALVIK_CLI_BINARY)).path() +
                                           QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    return env;
}

Run TestCliAcme::cli(const QStringList &args, const QProcessEnvironment &env)
{
    return runProgram(QStringLiteral(HALVIK_CLI_BINARY), args, env);
}

QStringList TestCliAcme::challengeHosts()
{
    const Run r =
        cli({QStringLiteral("--json"), QStringLiteral("records"), kDomain}, environment());
    if (r.exit != 0)
        return {QStringLiteral("records: exit %1").arg(r.exit)};
    QStringList hosts;
    const QJsonArray records = r.json().object().value(QStringLiteral("records")).toArray();
    for (const QJsonValue &v : records) {
        const QString host = v.toObject().value(QStringLiteral("host")).toString();
        if (host.startsWith(QLatin1String("_acme-challenge")))
            hosts.append(host);
    }
    return hosts;
}

void TestCliAcme::setNs2Fault(int lagSecs, bool stopped)
{
    Ns2Fault fault;
    fault.lagSecs = lagSecs;
    fault.stopped = stopped;
    m_service.service().nameServers()->setNs2Fault(fault);
}

QStringList TestCliAcme::servedTexts(const QString &server, const QString &name)
{
    const Run r = runProgram(QStringLiteral("kdig"),
                             {QLatin1Char('@') + server, QStringLiteral("-p"),
                              QString::number(m_service.dnsPort()), QStringLiteral("+short"),
                              QStringLiteral("TXT"), name},
                             QProcessEnvironment::systemEnvironment());
    if (r.exit != 0)
        return {QStringLiteral("kdig: exit %1").arg(r.exit)};
    return QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QJsonArray TestCliAcme::jobs()
{
    return cli({QStringLiteral("--json"), QStringLiteral("jobs")}, environment()).json().array();
}

// The name, the name's wildcard and the domain itself: the domain's and the wildcard's
// challenges stand side by side at _acme-challenge.<domain> until pebble has checked both.
void TestCliAcme::certbotObtainsACertificate()
{
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("REQUESTS_CA_BUNDLE"), m_pebble.caFile());
    const QString cli = QStringLiteral("halvik-cli acme ");
    const QString www = QStringLiteral("www.") + kDomain;
    const QStringList folders{
        QStringLiteral("--config-dir"), m_dir->filePath(QStringLiteral("certbot/config")),
        QStringLiteral("--work-dir"),   m_dir->filePath(QStringLiteral("certbot/work")),
        QStringLiteral("--logs-dir"),   m_dir->filePath(QStringLiteral("certbot/logs"))};
    const QStringList hooks{QStringLiteral("--manual"),
                            QStringLiteral("--preferred-challenges"),
                            QStringLiteral("dns"),
                            QStringLiteral("--manual-auth-hook"),
                            cli + QStringLiteral("certbot-auth"),
                            QStringLiteral("--manual-cleanup-hook"),
                            cli + QStringLiteral("certbot-cleanup")};
    const QStringList names{QStringLiteral("-d"), www,
                            QStringLiteral("-d"), kDomain,
                            QStringLiteral("-d"), QStringLiteral("*.") + kDomain};
    const Run r =
        runProgram(QStringLiteral("certbot"),
                   QStringList{QStringLiteral("certonly"), QStringLiteral("--non-interactive"),
                               QStringLiteral("--agree-tos"),
                               QStringLiteral("--register-unsafely-without-email"),
                               QStringLiteral("--server"), m_pebble.directoryUrl()} +
                       folders + hooks + names,
                   env, QByteArray(), kClientLimitMs);
    QVERIFY2(r.exit == 0, QByteArray(r.out + r.err + m_pebble.log().right(4000)).constData());
    QCOMPARE(certificateNames(
                 m_dir->filePath(QStringLiteral("certbot/config/live/%1/fullchain.pem").arg(www))),
             (QStringList{QStringLiteral("*.") + kDomain, kDomain, www}));
    QCOMPARE(challengeHosts(), QStringList());
    // Each record added and removed as a journaled job.
    QCOMPARE(jobs().size(), 6);
}

void TestCliAcme::legoObtainsACertificate()
{
    // lego runs one program with "present|cleanup FQDN VALUE"; "--" keeps a VALUE that starts
    // with a dash an operand.
    const QString wrapper = m_dir->filePath(QStringLiteral("halvik-lego-exec"));
    QFile script(wrapper);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nexec halvik-cli acme \"$1\" -- \"$2\" \"$3\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("LEGO_CA_CERTIFICATES"), m_pebble.caFile());
    env.insert(QStringLiteral("EXEC_PATH"), wrapper);
    // halvik-cli returns once every name server serves the record: lego need not wait long.
    env.insert(QStringLiteral("EXEC_POLLING_INTERVAL"), QStringLiteral("1"));
    env.insert(QStringLiteral("EXEC_PROPAGATION_TIMEOUT"), QStringLiteral("60"));
    env.insert(QStringLiteral("EXEC_SEQUENCE_INTERVAL"), QStringLiteral("1"));
    const QString www = QStringLiteral("www.") + kDomain;
    // lego's own look at the authoritative name servers goes to port 53: the stand-in's are on
    // another, so lego asks them as its resolver only.
    const Run r = runProgram(
        QStringLiteral("lego"),
        {QStringLiteral("--server"), m_pebble.directoryUrl(), QStringLiteral("--accept-tos"),
         QStringLiteral("--email"), QStringLiteral("acme@example.com"), QStringLiteral("--path"),
         m_dir->filePath(QStringLiteral("lego")), QStringLiteral("--dns"), QStringLiteral("exec"),
         QStringLiteral("--dns.disable-cp"), QStringLiteral("--dns.resolvers"), m_dnsServer,
         QStringLiteral("-d"), www, QStringLiteral("-d"), QStringLiteral("*.") + kDomain,
         QStringLiteral("run")},
        env, QByteArray(), kClientLimitMs);
    QVERIFY2(r.exit == 0, QByteArray(r.out + r.err + m_pebble.log().right(4000)).constData());
    QCOMPARE(certificateNames(m_dir->filePath(QStringLiteral("lego/certificates/%1.crt").arg(www))),
             (QStringList{QStringLiteral("*.") + kDomain, www}));
    QCOMPARE(challengeHosts(), QStringList());
    QCOMPARE(jobs().size(), 4);
}

void TestCliAcme::refusedOrNothingToDo_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("certbot"); // CERTBOT_* variables, name then value
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("says"); // on standard output when exit is 0, else standard error
    const QString outside = QStringLiteral("_acme-challenge.www.example.org.");
    const QString ours = QStringLiteral("_acme-challenge.www.") + kDomain + QLatin1Char('.');
    const QStringList present{QStringLiteral("acme"), QStringLiteral("present")};
    const QStringList cleanup{QStringLiteral("acme"), QStringLiteral("cleanup")};
    QTest::newRow("present outside the account")
        << present + QStringList{outside, kValue} << QStringList() << 1
        << QStringLiteral("in no domain of this account");
    QTest::newRow("certbot outside the account")
        << QStringList{QStringLiteral("acme"), QStringLiteral("certbot-auth")}
        << QStringList{QStringLiteral("CERTBOT_DOMAIN"), QStringLiteral("example.org"),
                       QStringLiteral("CERTBOT_VALIDATION"), kValue}
        << 1 << QStringLiteral("in no domain of this account");
    QTest::newRow("present on a locked domain")
        << present + QStringList{QStringLiteral("_acme-challenge.pixel-demo.com."), kValue}
        << QStringList() << 1 << QStringLiteral("域名已锁定");
    QTest::newRow("cleanup of a record already gone")
        << cleanup + QStringList{ours, kValue} << QStringList() << 0
        << QStringLiteral("already gone");
    QTest::newRow("certbot cleanup of a record already gone")
        << QStringList{QStringLiteral("acme"), QStringLiteral("certbot-cleanup")}
        << QStringList{QStringLiteral("CERTBOT_DOMAIN"), QStringLiteral("*.") + kDomain,
                       QStringLiteral("CERTBOT_VALIDATION"), kValue}
        << 0 << QStringLiteral("already gone");
    QTest::newRow("certbot's http-01")
        << QStringList{QStringLiteral("acme"), QStringLiteral("certbot-auth")}
        << QStringList{QStringLiteral("CERTBOT_DOMAIN"),     kDomain,
                       QStringLiteral("CERTBOT_VALIDATION"), kValue,
                       QStringLiteral("CERTBOT_TOKEN"),      QStringLiteral("abc")}
        << 64 << QStringLiteral("--preferred-challenges dns");
    QTest::newRow("lego's raw mode")
        << present + QStringList{QStringLiteral("--"), QStringLiteral("--"), kDomain,
                                 QStringLiteral("token"), QStringLiteral("token.key")}
        << QStringList() << 64 << QStringLiteral("unexpected argument");
    QTest::newRow("no such port") << present + QStringList{QStringLiteral("--dns-port"),
                                                           QStringLiteral("65536"), ours, kValue}
                                  << QStringList() << 64 << QStringLiteral("--dns-port");
    QTest::newRow("no time at all")
        << present + QStringList{QStringLiteral("--timeout"), QStringLiteral("0"), ours, kValue}
        << QStringList() << 64 << QStringLiteral("--timeout");
}

// Nothing is changed or journaled.
void TestCliAcme::refusedOrNothingToDo()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, certbot);
    QFETCH(int, exit);
    QFETCH(QString, says);
    QProcessEnvironment env = environment();
    for (int i = 0; i + 1 < certbot.size(); i += 2)
        env.insert(certbot.at(i), certbot.at(i + 1));
    const Run r = cli(args, env);
    QCOMPARE(r.exit, exit);
    QVERIFY2(QString::fromUtf8(exit == 0 ? r.out : r.err).contains(says),
             QByteArray(r.out + r.err).constData());
    QCOMPARE(jobs().size(), 0);
    QCOMPARE(challengeHosts(), QStringList());
}

// A name server that serves changes late: present returns only once it serves the record.
void TestCliAcme::presentWaitsForALaggingNameServer()
{
    setNs2Fault(8, false);
    const QString fqdn = QStringLiteral("_acme-challenge.") + kDomain;
    // The name servers from the command line this time, not from the settings.
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("halvik/halvik.conf"))));
    const Run r =
        cli({QStringLiteral("acme"), QStringLiteral("present"), QStringLiteral("--timeout"),
             QStringLiteral("60"), QStringLiteral("--resolver"), m_dnsServer,
             QStringLiteral("--dns-port"), QString::number(m_service.dnsPort()), fqdn, kValue},
            environment());
    QVERIFY2(r.exit == 0, QByteArray(r.out + r.err).constData());
    // Right after present, both serve it.
    for (const QString &server : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")})
        QCOMPARE(servedTexts(server, fqdn),
                 QStringList{QLatin1Char('"') + kValue + QLatin1Char('"')});
    setNs2Fault(0, false);
    QCOMPARE(
        cli({QStringLiteral("acme"), QStringLiteral("cleanup"), fqdn, kValue}, environment()).exit,
        0);
    QCOMPARE(challengeHosts(), QStringList());
}

void TestCliAcme::presentGivesUpOnANameServerThatNeverServes_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::newRow("lagging past the time limit") << false;
    QTest::newRow("stopped") << true;
}

// present names the name server, takes its record back and exits 1; the record was added and
// removed as journaled jobs.
void TestCliAcme::presentGivesUpOnANameServerThatNeverServes()
{
    QFETCH(bool, stopped);
    setNs2Fault(stopped ? 0 : 3600, stopped);
    const Run r = cli({QStringLiteral("acme"), QStringLiteral("present"),
                       QStringLiteral("_acme-challenge.www.") + kDomain, kValue,
                       QStringLiteral("--timeout"), QStringLiteral("2")},
                      environment());
    setNs2Fault(0, false);
    QCOMPARE(r.exit, 1);
    QVERIFY2(r.err.contains("ns2.halvik-local.test"), r.err.constData());
    QCOMPARE(challengeHosts(), QStringList());
    QCOMPARE(jobs().size(), 2);
}

QTEST_GUILESS_MAIN(TestCliAcme)
#include "tst_cliacme.moc"
