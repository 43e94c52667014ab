#include "client/User.h"
#include "client/live/LiveCheck.h"
#include "localservice/dns/NameServers.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QFile>
#include <QtTest>

namespace {

constexpr int kLiveWithinSecs = 20; // generous: the machine may be busy
const QString kDomain = QStringLiteral("halvik-demo.com");
constexpr int kTelecom = 0x11174100;
constexpr int kUnicom = 0x11174200;

// The state of each name server for a target, in server order.
QList<LiveState> statesOf(const LiveReport &report, int target)
{
    QList<LiveState> out;
    for (const LiveResult &r : report.resultsOf(target))
        out.append(r.state);
    return out;
}

// The values a result says are served, sorted.
QStringList valuesOf(const LiveResult &r)
{
    QStringList out;
    for (const ServedRecord &s : r.served)
        out.append(s.value);
    out.sort();
    return out;
}

} // namespace

// The check against the stand-in's two name servers (knotd, lines through the geoip module),
// driven by real changes through the service.
class TestLiveStandIn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void changeBecomesLiveOnBoth();
    void lineRecordServedToItsSubnetOnly();
    void pausedRecordReportedAsNotServed();
    void laggingServerReportedUntilItCatchesUp();
    void silentServerReportedSo();

private:
    Record add(const QString &host, const QString &value, int line = 0);
    // The domain's records now, as the service lists them.
    QList<Record> records();
    QList<LiveTarget> targetsOf(const QString &host, int line = -1);
    LiveReport check(const QList<LiveTarget> &targets, int waitSecs = 0,
                     const std::function<void(const LiveReport &)> &round = {});

    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
    Domain *m_domain = nullptr;
    LiveSettings m_settings;
};

void TestLiveStandIn::initTestCase()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    LocalServiceFixture::Options options;
    options.nameServers = true;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
    QVERIFY(m_user->getDomain() > 0);
    m_domain = m_user->domain2ptr(kDomain);
    QVERIFY(m_domain);

    // The stand-in's own line table stands for the service's placement of networks.
    m_settings.resolver = QStringLiteral("127.0.0.1:%1").arg(m_service->dnsPort());
    m_settings.dnsPort = m_service->dnsPort();
    m_settings.limits.timeoutMs = 500;
    m_settings.limits.attempts = 2;
    QString error;
    QVERIFY2(LiveSubnets::load(m_service->dataDir() + QStringLiteral("/dns/line-subnets.txt"),
                               m_settings.subnets, error),
             qPrintable(error));
}

void TestLiveStandIn::cleanupTestCase()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

void TestLiveStandIn::cleanup()
{
    if (m_service && m_service->service().nameServers())
        m_service->service().nameServers()->setNs2Fault(Ns2Fault());
}

Record TestLiveStandIn::add(const QString &host, const QString &value, int line)
{
    Record r;
    if (!m_user->addRecord(m_domain, value, QStringLiteral("A"), QString::number(line), host,
                           QStringLiteral("600"), QStringLiteral("10"), &r))
        qWarning("addRecord %s failed: %s", qPrintable(host), qPrintable(m_user->errorText));
    return r;
}

QList<Record> TestLiveStandIn::records()
{
    m_user->getRecord(m_domain);
    QList<Record> out;
    for (const Record &r : m_domain->records)
        out.append(r);
    return out;
}

QList<LiveTarget> TestLiveStandIn::targetsOf(const QString &host, int line)
{
    LiveScope scope;
    scope.host = host;
    scope.lineID = line;
    return liveTargets(records(), scope);
}

LiveReport TestLiveStandIn::check(const QList<LiveTarget> &targets, int waitSecs,
                                  const std::function<void(const LiveReport &)> &round)
{
    return checkUntilLive(m_settings, kDomain, targets, waitSecs, round);
}

void TestLiveStandIn::changeBecomesLiveOnBoth()
{
    const Record r = add(QStringLiteral("live-change"), QStringLiteral("192.0.2.1"));
    QVERIFY(r.id > 0);
    LiveReport report = check(targetsOf(QStringLiteral("live-change")), kLiveWithinSecs);
    QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
    QCOMPARE(report.servers.size(), 2);
    QCOMPARE(report.servers.at(0).name, QStringLiteral("ns1.halvik-local.test"));
    QCOMPARE(report.servers.at(1).address, QStringLiteral("127.0.0.2"));
    QCOMPARE(report.exitCode(), 0);

    QVERIFY(m_user->editRecord(m_domain, r.id, QString(), QString(), QStringLiteral("192.0.2.2")));
    report = check(targetsOf(QStringLiteral("live-change")), kLiveWithinSecs);
    QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
    for (const LiveResult &result : report.results)
        QCOMPARE(valuesOf(result), QStringList{QStringLiteral("192.0.2.2")});
}

void TestLiveStandIn::lineRecordServedToItsSubnetOnly()
{
    add(QStringLiteral("line"), QStringLiteral("192.0.2.10"));
    add(QStringLiteral("line"), QStringLiteral("192.0.2.11"), kTelecom);
    // The default and 电信 sets, and the 联通 line that has no record of its own.
    LiveScope scope;
    scope.onlySets = true;
    scope.sets = {{QStringLiteral("line"), QStringLiteral("A"), 0},
                  {QStringLiteral("line"), QStringLiteral("A"), kTelecom},
                  {QStringLiteral("line"), QStringLiteral("A"), kUnicom}};
    const QList<LiveTarget> targets = liveTargets(records(), scope);
    QCOMPARE(targets.size(), 3);
    const LiveReport report = check(targets, kLiveWithinSecs);
    QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
    const QMap<int, QString> expected = {
        {0, "192.0.2.10"}, {kTelecom, "192.0.2.11"}, {kUnicom, "192.0.2.10"}};
    for (const LiveResult &r : report.results) {
        const int line = report.targets.at(r.target).key.lineID;
        QCOMPARE(valuesOf(r), QStringList{expected.value(line)});
        // Every line but the default one is asked with its subnet.
        QCOMPARE(r.subnet.isEmpty(), line == 0);
    }

    // Without the subnet, the 电信 line is answered as this computer: not the 电信 record.
    LiveSettings unplaced = m_settings;
    unplaced.subnets = LiveSubnets();
    const LiveReport plain = runLiveCheck(unplaced, kDomain, targets);
    QCOMPARE(statesOf(plain, 1), (QList<LiveState>{LiveState::Differs, LiveState::Differs}));
    QCOMPARE(valuesOf(plain.resultsOf(1).first()), QStringList{QStringLiteral("192.0.2.10")});
    QVERIFY2(liveSummaryText(plain).contains(QStringLiteral("2条线路没有已知网段")),
             qPrintable(liveSummaryText(plain)));
}

void TestLiveStandIn::pausedRecordReportedAsNotServed()
{
    const Record alone = add(QStringLiteral("paused"), QStringLiteral("192.0.2.20"));
    add(QStringLiteral("paused-line"), QStringLiteral("192.0.2.30"));
    const Record telecom =
        add(QStringLiteral("paused-line"), QStringLiteral("192.0.2.31"), kTelecom);
    QVERIFY(alone.id > 0 && telecom.id > 0);
    QVERIFY(check(targetsOf(QStringLiteral("paused")), kLiveWithinSecs).allLive());
    QVERIFY(check(targetsOf(QStringLiteral("paused-line")), kLiveWithinSecs).allLive());

    QVERIFY(m_user->pauseRecord(m_domain, alone.id));
    QVERIFY(m_user->pauseRecord(m_domain, telecom.id));
    // Until the name servers drop them, each is reported as still served.
    QList<LiveTarget> targets = targetsOf(QStringLiteral("paused"));
    targets += targetsOf(QStringLiteral("paused-line"), kTelecom);
    QCOMPARE(targets.size(), 2);
    QCOMPARE(targets.at(0).answeringLine, -1);
    QCOMPARE(targets.at(1).answeringLine, 0);
    const LiveReport report = check(targets, kLiveWithinSecs, [](const LiveReport &round) {
        for (const LiveResult &r : round.results) {
            if (r.state != LiveState::Live && r.state != LiveState::NoAnswer)
                QVERIFY2(r.note.startsWith(QStringLiteral("仍在提供")) ||
                             r.note.startsWith(QStringLiteral("提供的是")),
                         qPrintable(r.note));
        }
    });
    QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
    // The paused record alone: nothing is served for it. The 电信 one: the default record is.
    for (const LiveResult &r : report.resultsOf(0))
        QVERIFY(r.served.isEmpty());
    for (const LiveResult &r : report.resultsOf(1))
        QCOMPARE(valuesOf(r), QStringList{QStringLiteral("192.0.2.30")});
    const QHash<int, RecordVerdict> verdicts = recordVerdicts(report);
    QVERIFY(verdicts.value(alone.id).live);
    QVERIFY(verdicts.value(telecom.id).live);
}

void TestLiveStandIn::laggingServerReportedUntilItCatchesUp()
{
    const Record r = add(QStringLiteral("lag"), QStringLiteral("192.0.2.40"));
    QVERIFY(check(targetsOf(QStringLiteral("lag")), kLiveWithinSecs).allLive());
    // Long enough that ns1 is live well before ns2 on a busy machine.
    Ns2Fault fault;
    fault.lagSecs = 8;
    m_service->service().nameServers()->setNs2Fault(fault);
    QVERIFY(m_user->editRecord(m_domain, r.id, QString(), QString(), QStringLiteral("192.0.2.41")));

    const QList<LiveTarget> targets = targetsOf(QStringLiteral("lag"));
    // Rounds until ns1 serves the change: ns2 is reported with what it still serves.
    bool sawLagging = false;
    const LiveReport report =
        check(targets, kLiveWithinSecs, [&sawLagging](const LiveReport &round) {
            const QList<LiveResult> results = round.resultsOf(0);
            if (results.size() == 2 && results.at(0).state == LiveState::Live &&
                results.at(1).state == LiveState::Differs) {
                sawLagging = true;
                QCOMPARE(valuesOf(results.at(1)), QStringList{QStringLiteral("192.0.2.40")});
                QCOMPARE(results.at(1).note, QStringLiteral("提供的是：A 192.0.2.40 (TTL 600)"));
            }
        });
    QVERIFY(sawLagging);
    // And it catches up.
    QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
}

void TestLiveStandIn::silentServerReportedSo()
{
    add(QStringLiteral("silent"), QStringLiteral("192.0.2.50"));
    QVERIFY(check(targetsOf(QStringLiteral("silent")), kLiveWithinSecs).allLive());
    Ns2Fault fault;
    fault.stopped = true;
    m_service->service().nameServers()->setNs2Fault(fault);
    // ns2 stops answering once the fault reaches it: ask until it is silent.
    LiveReport report;
    QTRY_VERIFY_WITH_TIMEOUT(
        (report = runLiveCheck(m_settings, kDomain, targetsOf(QStringLiteral("silent"))),
         statesOf(report, 0) == (QList<LiveState>{LiveState::Live, LiveState::NoAnswer})),
        kLiveWithinSecs * 1000);
    QCOMPARE(report.exitCode(), 1);
    QCOMPARE(report.resultsOf(0).at(1).note, QStringLiteral("2次查询均无应答"));
    QVERIFY2(liveSummaryText(report).contains(QStringLiteral("ns2.halvik-local.test无应答")),
             qPrintable(liveSummaryText(report)));
    QVERIFY(!recordVerdicts(report).begin()->live);
}

QTEST_GUILESS_MAIN(TestLiveStandIn)
#include "tst_livestandin.moc"
