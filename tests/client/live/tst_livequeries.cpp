#include "client/live/DnsQueries.h"
#include "client/live/LiveCheck.h"
#include "tests/support/TestRecords.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(QList<Record>)
Q_DECLARE_METATYPE(LiveState)

namespace {

// A knotd of the test's own: example.test on two addresses (ns1 127.0.0.1, ns2 127.0.0.2),
// halvik-local.test with the name servers' addresses, and half-dead.test / dead.test whose
// name servers include ns3 (127.0.0.3), where nothing listens.
class Knot
{
public:
    bool start(QString &error)
    {
        QUdpSocket probe;
        if (!probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0)) {
            error = probe.errorString();
            return false;
        }
        port = probe.localPort();
        probe.close();
        write(QStringLiteral("knot.conf"),
              QStringLiteral("server:\n"
                             "    rundir: %1\n"
                             "    listen: [ 127.0.0.1@%2, 127.0.0.2@%2 ]\n"
                             "database:\n"
                             "    storage: %1\n"
                             "log:\n"
                             "  - target: stderr\n"
                             "    any: error\n"
                             "template:\n"
                             "  - id: default\n"
                             "    storage: %1\n"
                             "zone:\n"
                             "  - domain: example.test\n"
                             "  - domain: halvik-local.test\n"
                             "  - domain: half-dead.test\n"
                             "  - domain: dead.test\n")
                  .arg(m_dir.path())
                  .arg(port));
        const QString soa =
            QStringLiteral("@ SOA ns1.halvik-local.test. admin 1 3600 600 86400 600\n");
        QString big;
        for (int i = 0; i < 30; ++i)
            big += QStringLiteral(" \"%1\"").arg(QString(100, QChar(u'a' + i % 26)));
        write(QStringLiteral("example.test.zone"),
              QStringLiteral("$ORIGIN example.test.\n$TTL 600\n") + soa +
                  QStringLiteral("@ NS ns1.halvik-local.test.\n@ NS ns2.halvik-local.test.\n"
                                 "www A 192.0.2.1\nwww A 192.0.2.2\n"
                                 "mail MX 10 mx.example.test.\n"
                                 "txt 300 TXT \"hello world\"\n"
                                 "big TXT") +
                  big + QLatin1Char('\n'));
        write(QStringLiteral("halvik-local.test.zone"),
              QStringLiteral("$ORIGIN halvik-local.test.\n$TTL 600\n") + soa +
                  QStringLiteral("@ NS ns1\nns1 A 127.0.0.1\nns2 A 127.0.0.2\nns3 A 127.0.0.3\n"));
        write(QStringLiteral("half-dead.test.zone"),
              QStringLiteral("$ORIGIN half-dead.test.\n$TTL 600\n") + soa +
                  QStringLiteral("@ NS ns1.halvik-local.test.\n@ NS ns3.halvik-local.test.\n"
                                 "www A 192.0.2.7\n"));
        write(QStringLiteral("dead.test.zone"),
              QStringLiteral("$ORIGIN dead.test.\n$TTL 600\n") + soa +
                  QStringLiteral("@ NS ns3.halvik-local.test.\nwww A 192.0.2.8\n"));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("knotd"),
                        {QStringLiteral("-c"), m_dir.filePath(QStringLiteral("knot.conf"))});
        if (!m_process.waitForStarted()) {
            error = m_process.errorString();
            return false;
        }
        return true;
    }

    ~Knot()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished();
        }
    }

    LiveSettings settings() const
    {
        LiveSettings s;
        s.resolver = QStringLiteral("127.0.0.1:%1").arg(port);
        s.dnsPort = port;
        // A server that does not answer costs the test a fraction of a second.
        s.limits.timeoutMs = 300;
        s.limits.attempts = 2;
        return s;
    }

    quint16 port = 0;

private:
    void write(const QString &name, const QString &text)
    {
        QFile f(m_dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(text.toUtf8());
    }

    QTemporaryDir m_dir;
    QProcess m_process;
};

QList<LiveTarget> allOf(const QList<Record> &records)
{
    return liveTargets(records, LiveScope());
}

} // namespace

class TestLiveQueries : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void eachNameServerJudged_data();
    void eachNameServerJudged();
    void truncatedReplyRetriedOverTcp();
    void nameServerWithoutAnswer_data();
    void nameServerWithoutAnswer();
    void resolverWithoutAnswer();
    void stopEndsAtOnce();

private:
    Knot m_knot;
};

void TestLiveQueries::initTestCase()
{
    QString error;
    QVERIFY2(m_knot.start(error), qPrintable(error));
    // Ready once it answers for the zones.
    QTRY_VERIFY_WITH_TIMEOUT(runLiveCheck(m_knot.settings(), QStringLiteral("example.test"),
                                          allOf({testRecord(1, "www", "A", "192.0.2.1")}))
                                 .error.isEmpty(),
                             20000);
}

void TestLiveQueries::eachNameServerJudged_data()
{
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<LiveState>("state");
    QTest::addColumn<QString>("note");
    Record mx = testRecord(3, "mail", "MX", "MX.example.test.");
    mx.mx = 10;
    QTest::newRow("the set served") << QList<Record>{testRecord(1, "www", "A", "192.0.2.2"),
                                                     testRecord(2, "WWW", "A", "192.0.2.1")}
                                    << LiveState::Live << QString();
    QTest::newRow("MX with its priority") << QList<Record>{mx} << LiveState::Live << QString();
    QTest::newRow("a value not yet served")
        << QList<Record>{testRecord(1, "www", "A", "192.0.2.1"),
                         testRecord(2, "www", "A", "192.0.2.3")}
        << LiveState::Differs
        << QStringLiteral("提供的是：A 192.0.2.1 (TTL 600)；A 192.0.2.2 (TTL 600)");
    QTest::newRow("a TTL not yet served")
        << QList<Record>{testRecord(1, "txt", "TXT", "hello world", 0, 600)} << LiveState::Differs
        << QStringLiteral("提供的是：TXT hello world (TTL 300)");
    QTest::newRow("a name not yet served") << QList<Record>{testRecord(1, "new", "A", "192.0.2.9")}
                                           << LiveState::Missing << QStringLiteral("未提供此记录");
}

void TestLiveQueries::eachNameServerJudged()
{
    QFETCH(QList<Record>, records);
    QFETCH(LiveState, state);
    QFETCH(QString, note);
    const LiveReport report =
        runLiveCheck(m_knot.settings(), QStringLiteral("Example.Test."), allOf(records));
    QVERIFY2(report.error.isEmpty(), qPrintable(report.error));
    QCOMPARE(report.servers.size(), 2);
    QCOMPARE(report.servers.at(0).name, QStringLiteral("ns1.halvik-local.test"));
    QCOMPARE(report.servers.at(1).address, QStringLiteral("127.0.0.2"));
    QCOMPARE(report.results.size(), 2);
    for (const LiveResult &r : report.results) {
        QCOMPARE(r.state, state);
        QCOMPARE(r.note, note);
    }
    QCOMPARE(report.exitCode(), state == LiveState::Live ? 0 : 1);
}

void TestLiveQueries::truncatedReplyRetriedOverTcp()
{
    DnsQueries queries;
    DnsQuestion q;
    q.name = QStringLiteral("big.example.test");
    q.type = 16;
    q.server = QStringLiteral("127.0.0.2");
    q.port = m_knot.port;
    queries.add(q);
    q.name = QStringLiteral("txt.example.test");
    queries.add(q);
    QSignalSpy finished(&queries, &DnsQueries::finished);
    queries.start();
    QVERIFY(finished.wait(10000));
    QCOMPARE(queries.reply(0).outcome, DnsReply::Answered);
    QVERIFY(queries.reply(0).overTcp);
    QCOMPARE(queries.reply(0).answer.size(), 1);
    QCOMPARE(queries.reply(0).answer.first().value.size(), 3000);
    QVERIFY(!queries.reply(1).overTcp);
    QCOMPARE(queries.reply(1).answer.first().value, QStringLiteral("hello world"));
}

void TestLiveQueries::nameServerWithoutAnswer_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QList<LiveState>>("states");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("one of two") << QStringLiteral("half-dead.test")
                                << QList<LiveState>{LiveState::Live, LiveState::NoAnswer} << 1;
    QTest::newRow("every one") << QStringLiteral("dead.test")
                               << QList<LiveState>{LiveState::NoAnswer} << 2;
}

void TestLiveQueries::nameServerWithoutAnswer()
{
    QFETCH(QString, domain);
    QFETCH(QList<LiveState>, states);
    QFETCH(int, exitCode);
    const QString value = domain == QLatin1String("dead.test") ? QStringLiteral("192.0.2.8")
                                                               : QStringLiteral("192.0.2.7");
    const LiveReport report =
        runLiveCheck(m_knot.settings(), domain, allOf({testRecord(1, "www", "A", value)}));
    QVERIFY2(report.error.isEmpty(), qPrintable(report.error));
    QList<LiveState> got;
    for (const LiveResult &r : report.results)
        got.append(r.state);
    QCOMPARE(got, states);
    QCOMPARE(report.exitCode(), exitCode);
    const LiveResult *notLive = report.firstNotLive();
    QVERIFY(notLive);
    QCOMPARE(report.servers.at(notLive->server).name, QStringLiteral("ns3.halvik-local.test"));
    QCOMPARE(notLive->note, QStringLiteral("2次查询均无应答"));
}

void TestLiveQueries::resolverWithoutAnswer()
{
    LiveSettings settings = m_knot.settings();
    settings.resolver = QStringLiteral("127.0.0.3:%1").arg(m_knot.port);
    const LiveReport report = runLiveCheck(settings, QStringLiteral("example.test"),
                                           allOf({testRecord(1, "www", "A", "192.0.2.1")}));
    QVERIFY(report.error.startsWith(QStringLiteral("DNS服务器127.0.0.3:")));
    QCOMPARE(report.exitCode(), 2);
    // A name the resolver does not know.
    const LiveReport unknown = runLiveCheck(m_knot.settings(), QStringLiteral("nowhere.test"),
                                            allOf({testRecord(1, "www", "A", "192.0.2.1")}));
    QCOMPARE(unknown.error, QStringLiteral("找不到域名nowhere.test的域名服务器"));
}

void TestLiveQueries::stopEndsAtOnce()
{
    LiveSettings settings = m_knot.settings();
    settings.limits.timeoutMs = 60000;
    LiveCheck check(settings);
    QSignalSpy finished(&check, &LiveCheck::finished);
    QSignalSpy progress(&check, &LiveCheck::progress);
    check.start(QStringLiteral("half-dead.test"), allOf({testRecord(1, "www", "A", "192.0.2.7")}));
    // ns1 answers; ns3 would keep the check waiting a minute.
    QVERIFY(progress.wait(10000));
    QVERIFY(check.isRunning());
    check.stop();
    QCOMPARE(finished.count(), 1);
    QVERIFY(check.report().stopped);
    QCOMPARE(check.report().results.size(), 2);
    QCOMPARE(check.report().results.at(1).state, LiveState::NoAnswer);
    QCOMPARE(check.report().results.at(1).note, QStringLiteral("已停止"));
    QCOMPARE(check.report().exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestLiveQueries)
#include "tst_livequeries.moc"
