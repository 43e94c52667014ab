#include "client/User.h"
#include "client/live/LiveCheck.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>

namespace {

const QString kDomain = QStringLiteral("harbor-demo.com");
constexpr int kRecords = 1000;
// The default line and four carriers: each record set asked once per line on each name server.
const QList<int> kLines = {0, 0x11174100, 0x11174200, 0x11174400, 0x11174300};
constexpr int kRounds = 3;

QString hostOf(int i)
{
    return QStringLiteral("live%1").arg(i, 4, 10, QLatin1Char('0'));
}

} // namespace

// A check of 1,000 records × 5 lines × 2 name servers (10,000 questions) against the stand-in's
// Knot, beside kdig sending the same questions (one kdig per line and name server, each with
// its 1,000 names), and the longest time the event loop of the checking thread was held.
class BenchLiveCheck : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void checkBesideKdig();

private:
    qint64 runKdig();

    QTemporaryDir m_dir;
    std::unique_ptr<LocalService> m_service;
    User m_user;
    LiveSettings m_settings;
    QList<LiveTarget> m_targets;
};

void BenchLiveCheck::initTestCase()
{
    ServiceOptions options;
    options.dataDir = m_dir.path();
    options.port = 0;
    options.nameServers = true;
    options.log = [](const QString &) {};
    m_service = std::make_unique<LocalService>(options);
    QString error;
    QVERIFY2(m_service->start(&error), qPrintable(error));
    m_user.baseUrl = m_service->baseUrl();
    m_user.setExtraCaCertificates(QSslCertificate::fromPath(m_service->caFile()));
    QVERIFY(m_user.login(demo::email(), demo::password()));
    QVERIFY(m_user.getDomain() > 0);
    Domain *domain = m_user.domain2ptr(kDomain);
    QVERIFY(domain);

    Storage &storage = m_service->storage();
    AccountRow account;
    QVERIFY(storage.accountByEmail(demo::email(), &account));
    // The records as the account holds them, built beside the service's (its list pages stop
    // at 999 records).
    QList<Record> records;
    for (int i = 0; i < kRecords; ++i) {
        RecordRow r;
        r.host = hostOf(i);
        r.type = QStringLiteral("A");
        r.value = QStringLiteral("198.51.%1.%2").arg(i / 250).arg(i % 250 + 1);
        QCOMPARE(storage.createRecord(account.id, domain->id, r), 0);
        Record held;
        held.id = int(r.id);
        held.host = r.host;
        held.type = r.type;
        held.value = r.value;
        held.ttl = r.ttl;
        records.append(held);
    }
    LiveScope scope;
    scope.onlySets = true;
    for (int i = 0; i < kRecords; ++i) {
        for (int line : kLines)
            scope.sets.append({hostOf(i), QStringLiteral("A"), line});
    }
    m_targets = liveTargets(records, scope);
    QCOMPARE(m_targets.size(), kRecords * kLines.size());

    const quint16 port = m_service->nameServers()->port();
    m_settings.resolver = QStringLiteral("127.0.0.1:%1").arg(port);
    m_settings.dnsPort = port;
    QVERIFY(
        LiveSubnets::load(m_service->nameServers()->lineSubnetsFile(), m_settings.subnets, error));
    // Served by both before anything is timed.
    const LiveReport ready = checkUntilLive(m_settings, kDomain, m_targets, 60);
    QVERIFY2(ready.allLive(), qPrintable(liveSummaryText(ready)));
}

void BenchLiveCheck::cleanupTestCase()
{
    m_service.reset();
}

qint64 BenchLiveCheck::runKdig()
{
    const QString kdig = QStandardPaths::findExecutable(QStringLiteral("kdig"));
    if (kdig.isEmpty())
        return -1;
    const quint16 port = m_service->nameServers()->port();
    QElapsedTimer clock;
    clock.start();
    for (const QString &server : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")}) {
        for (int line : kLines) {
            QStringList args = {QLatin1Char('@') + server, QStringLiteral("-p"),
                                QString::number(port),     QStringLiteral("+norecurse"),
                                QStringLiteral("+time=2"), QStringLiteral("+retry=2")};
            const LineSubnet subnet = m_settings.subnets.subnetOf(line);
            if (!subnet.cidr.isEmpty())
                args.append(QStringLiteral("+subnet=") + subnet.cidr);
            for (int i = 0; i < kRecords; ++i)
                args << liveQueryName(hostOf(i), kDomain) << QStringLiteral("A");
            QProcess p;
            p.start(kdig, args);
            if (!p.waitForFinished(600000))
                return -1;
            p.readAllStandardOutput();
        }
    }
    return clock.elapsed();
}

void BenchLiveCheck::checkBesideKdig()
{
    QList<qint64> ours;
    QList<qint64> theirs;
    qint64 longestStall = 0;
    for (int round = 0; round < kRounds; ++round) {
        // A timer every 2 ms on the checking thread: the longest gap between its ticks is the
        // longest the check held the thread (a window's frame would wait as long).
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(2);
        qint64 stall = 0;
        qint64 stallAt = 0;
        QElapsedTimer clock;
        connect(&ticker, &QTimer::timeout, this, [&] {
            const qint64 gap = sinceTick.restart();
            if (gap > stall) {
                stall = gap;
                stallAt = clock.elapsed();
            }
        });
        clock.start();
        sinceTick.start();
        ticker.start();
        const LiveReport report = runLiveCheck(m_settings, kDomain, m_targets);
        ticker.stop();
        ours.append(clock.elapsed());
        qInfo("ROUND %lld ms, longest hold %lld ms ending at %lld ms", ours.last(), stall, stallAt);
        longestStall = qMax(longestStall, stall);
        QVERIFY2(report.allLive(), qPrintable(liveSummaryText(report)));
        QCOMPARE(report.results.size(), kRecords * kLines.size() * 2);
        const qint64 kdigMs = runKdig();
        QVERIFY(kdigMs > 0);
        theirs.append(kdigMs);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(theirs.begin(), theirs.end());
    qInfo("PAIR live-check-10k %lld %lld", ours.at(kRounds / 2), theirs.at(kRounds / 2));
    qInfo("LIVESTALL %lld", longestStall);
}

QTEST_GUILESS_MAIN(BenchLiveCheck)
#include "bench_livecheck.moc"
