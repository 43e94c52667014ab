#include "localservice/dns/NameServers.h"
#include "tests/support/CliRun.h"
#include "tests/support/LocalServiceFixture.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kWaitSecs = 20; // generous: the machine may be busy
const QString kDomain = QStringLiteral("halvik-demo.com");

} // namespace

// halvik-cli check and job check, as a child process against the stand-in's name servers; the
// stand-in's line table is the user's line-subnets.txt.
class TestCliLive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void checkWaitsUntilLive();
    void jobCheckCoversTheJobsRecords();
    void notLiveAndNoAnswer_data();
    void notLiveAndNoAnswer();
    void zoneExportWritesTheServiceNameServers();
    void badUsage_data();
    void badUsage();

private:
    CliRun run(const QStringList &args);
    QStringList where() const;

    LocalServiceFixture m_service{[] {
        LocalServiceFixture::Options o;
        o.nameServers = true;
        return o;
    }()};
    QTemporaryDir m_home;
};

void TestCliLive::initTestCase()
{
    QVERIFY2(m_service.start(), qPrintable(m_service.errorText()));
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("config/halvik")));
    QVERIFY(QFile::copy(m_service.dataDir() + QStringLiteral("/dns/line-subnets.txt"),
                        m_home.filePath(QStringLiteral("config/halvik/line-subnets.txt"))));
}

void TestCliLive::cleanup()
{
    m_service.service().nameServers()->setNs2Fault(Ns2Fault());
}

CliRun TestCliLive::run(const QStringList &args)
{
    QProcessEnvironment env = cliEnvironment(
        m_service.baseUrl(), m_service.caFile(), LocalServiceFixture::demoEmail(),
        LocalServiceFixture::demoPassword(), m_home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    return runProgram(QStringLiteral(HALVIK_CLI_BINARY), args, env);
}

QStringList TestCliLive::where() const
{
    return {QStringLiteral("--resolver"), QStringLiteral("127.0.0.1:%1").arg(m_service.dnsPort()),
            QStringLiteral("--dns-port"), QString::number(m_service.dnsPort())};
}

void TestCliLive::checkWaitsUntilLive()
{
    const CliRun added =
        run({QStringLiteral("record"), QStringLiteral("add"), kDomain, QStringLiteral("--host"),
             QStringLiteral("cli-live"), QStringLiteral("--value"), QStringLiteral("192.0.2.60"),
             QStringLiteral("--line"), QStringLiteral("286736640")});
    QCOMPARE(added.exit, 0);
    const CliRun checked =
        run(QStringList{QStringLiteral("--json"), QStringLiteral("check"), kDomain,
                        QStringLiteral("--host"), QStringLiteral("cli-live"),
                        QStringLiteral("--wait"), QString::number(kWaitSecs)} +
            where());
    QVERIFY2(checked.exit == 0, checked.err.constData());
    const QJsonObject report = checked.json().object();
    QVERIFY(report.value(QStringLiteral("allLive")).toBool());
    const QJsonArray results = report.value(QStringLiteral("results")).toArray();
    QCOMPARE(results.size(), 2);
    for (const QJsonValue &v : results) {
        const QJsonObject r = v.toObject();
        QCOMPARE(r.value(QStringLiteral("state")).toString(), QStringLiteral("live"));
        QCOMPARE(r.value(QStringLiteral("lineName")).toString(), QStringLiteral("电信"));
        // The 电信 subnet of the user's table (the stand-in's) was asked with.
        QVERIFY(r.value(QStringLiteral("subnet")).toString().startsWith(QStringLiteral("10.")));
        QCOMPARE(r.value(QStringLiteral("served"))
                     .toArray()
                     .first()
                     .toObject()
                     .value(QStringLiteral("value")),
                 QStringLiteral("192.0.2.60"));
    }

    // The table for people: a row per line and name server.
    const CliRun table = run(QStringList{QStringLiteral("check"), kDomain, QStringLiteral("--host"),
                                         QStringLiteral("cli-live")} +
                             where());
    QCOMPARE(table.exit, 0);
    const QString text = QString::fromUtf8(table.out);
    QVERIFY2(text.startsWith(QStringLiteral("halvik-demo.com: 2/2 已生效\n")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("ns2.halvik-local.test")));
}

void TestCliLive::jobCheckCoversTheJobsRecords()
{
    const CliRun applied =
        run({QStringLiteral("--json"), QStringLiteral("batch"), QStringLiteral("add"), kDomain,
             QStringLiteral("river-demo.com"), QStringLiteral("--host"), QStringLiteral("cli-job"),
             QStringLiteral("--value"), QStringLiteral("192.0.2.61"), QStringLiteral("--apply")});
    QVERIFY2(applied.exit == 0, applied.err.constData());
    const QString job =
        QString::number(applied.json().object().value(QStringLiteral("id")).toInt());
    const CliRun checked =
        run(QStringList{QStringLiteral("--json"), QStringLiteral("job"), QStringLiteral("check"),
                        job, QStringLiteral("--wait"), QString::number(kWaitSecs)} +
            where());
    QVERIFY2(checked.exit == 0, checked.err.constData());
    // One report per domain, each with exactly the job's record set on both name servers.
    const QJsonArray reports = checked.json().array();
    QCOMPARE(reports.size(), 2);
    for (const QJsonValue &v : reports) {
        const QJsonArray results = v.toObject().value(QStringLiteral("results")).toArray();
        QCOMPARE(results.size(), 2);
        for (const QJsonValue &r : results)
            QCOMPARE(r.toObject().value(QStringLiteral("host")).toString(),
                     QStringLiteral("cli-job"));
    }
}

void TestCliLive::notLiveAndNoAnswer_data()
{
    QTest::addColumn<bool>("stopNs2");
    QTest::addColumn<bool>("silentResolver");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::newRow("ns2 stopped") << true << false << 1 << QStringLiteral("无应答");
    QTest::newRow("no resolver answers")
        << false << true << 2 << QStringLiteral("DNS服务器127.0.0.3:");
}

void TestCliLive::notLiveAndNoAnswer()
{
    QFETCH(bool, stopNs2);
    QFETCH(bool, silentResolver);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    if (stopNs2) {
        Ns2Fault fault;
        fault.stopped = true;
        m_service.service().nameServers()->setNs2Fault(fault);
    }
    QStringList args = {QStringLiteral("check"), kDomain, QStringLiteral("--host"),
                        QStringLiteral("www")};
    args += where();
    if (silentResolver)
        args[5] = QStringLiteral("127.0.0.3:%1").arg(m_service.dnsPort());
    // ns2 stops once the fault reaches it: the check is repeated until it says so.
    CliRun r;
    QTRY_VERIFY_WITH_TIMEOUT((r = run(args), r.exit == exitCode), kWaitSecs * 1000);
    const QByteArray output = r.out + r.err;
    QVERIFY2(QString::fromUtf8(output).contains(says), output.constData());
}

// zone export --resolver finds the domain's name servers and writes SOA and NS from them;
// without it nothing is asked and they stay placeholders.
void TestCliLive::zoneExportWritesTheServiceNameServers()
{
    const CliRun found = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain,
                              QStringLiteral("--resolver"),
                              QStringLiteral("127.0.0.1:%1").arg(m_service.dnsPort())});
    QVERIFY2(found.exit == 0, found.err.constData());
    QVERIFY2(found.out.contains("\tIN\tSOA\tns1.halvik-local.test. hostmaster.halvik-demo.com. "),
             found.out.constData());
    QVERIFY(found.out.contains("\tIN\tNS\tns2.halvik-local.test.\n"));

    const CliRun unasked = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain});
    QCOMPARE(unasked.exit, 0);
    QVERIFY(unasked.out.contains("\tIN\tSOA\tns.placeholder.invalid. "));
    QVERIFY(!unasked.out.contains("halvik-local.test"));
}

void TestCliLive::badUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("negative wait")
        << QStringList{"check", kDomain, "--wait", "-1"} << QByteArray("--wait takes seconds");
    QTest::newRow("wait not a number")
        << QStringList{"check", kDomain, "--wait", "soon"} << QByteArray("--wait takes seconds");
    QTest::newRow("port out of range") << QStringList{"check", kDomain, "--dns-port", "65536"}
                                       << QByteArray("--dns-port takes a port");
    QTest::newRow("resolver not an address")
        << QStringList{"job", "check", "1", "--resolver", "ns.example:53"}
        << QByteArray("--resolver takes ADDRESS[:PORT]");
    QTest::newRow("no domain") << QStringList{"check"} << QByteArray("missing DOMAIN");
}

void TestCliLive::badUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, says);
    const CliRun r = run(args);
    QCOMPARE(r.exit, 64);
    QVERIFY2(r.err.contains(says), r.err.constData());
}

QTEST_GUILESS_MAIN(TestCliLive)
#include "tst_clilive.moc"
