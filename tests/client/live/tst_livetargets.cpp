#include "client/LineTable.h"
#include "client/journal/Journal.h"
#include "client/live/LiveReport.h"
#include "client/live/LiveSubnets.h"
#include "client/live/LiveTargets.h"
#include "client/plan/RecordJson.h"
#include "tests/support/TestRecords.h"

#include <QtTest>

Q_DECLARE_METATYPE(LiveState)
Q_DECLARE_METATYPE(QList<Record>)
Q_DECLARE_METATYPE(QList<ServedRecord>)

namespace {

constexpr int kTelecom = 0x11174100;
constexpr int kTelecomGuangdong = 0x11174144;

Record rec(int id, const QString &host, const QString &type, const QString &value, int line = 0,
           int ttl = 600, int state = 0)
{
    Record r = testRecord(id, host, type, value, line, ttl);
    r.state = state;
    return r;
}

ServedRecord served(const QString &type, const QString &value, quint32 ttl = 600, int mx = 0)
{
    ServedRecord r;
    r.typeName = type;
    r.type = type == QLatin1String("A") ? 1 : type == QLatin1String("CNAME") ? 5 : 15;
    r.value = value;
    r.ttl = ttl;
    r.mx = mx;
    return r;
}

// "host type line -> answering line: values" for each target.
QStringList describe(const QList<LiveTarget> &targets)
{
    QStringList out;
    for (const LiveTarget &t : targets) {
        QStringList values;
        for (const ExpectedValue &e : t.expected)
            values.append(e.value);
        out.append(QStringLiteral("%1 %2 %3 -> %4: %5")
                       .arg(t.key.host, t.key.type)
                       .arg(t.key.lineID, 0, 16)
                       .arg(t.answeringLine < 0 ? QStringLiteral("-1")
                                                : QString::number(t.answeringLine, 16))
                       .arg(values.join(QLatin1Char(','))));
    }
    return out;
}

} // namespace

class TestLiveTargets : public QObject
{
    Q_OBJECT

private slots:
    void parentLines_data();
    void parentLines();
    void subnetTable_data();
    void subnetTable();
    void clientSubnetPayload_data();
    void clientSubnetPayload();
    void userTableOverridesLinesItNames();
    void targetsFallBackToTheParentLine_data();
    void targetsFallBackToTheParentLine();
    void jobSetsCoverBeforeAndAfter();
    void judge_data();
    void judge();
};

void TestLiveTargets::parentLines_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("parent");
    QTest::newRow("default has none") << 0 << -1;
    QTest::newRow("carrier to default") << kTelecom << 0;
    QTest::newRow("province to carrier") << kTelecomGuangdong << kTelecom;
    QTest::newRow("unicom province") << 0x11174211 << 0x11174200;
    QTest::newRow("region to overseas") << 0x22000000 << 0x20000000;
    QTest::newRow("overseas to default") << 0x20000000 << 0;
    QTest::newRow("crawler to SEO") << 0x30000091 << 0x30000000;
    QTest::newRow("unknown to default") << 12345 << 0;
}

void TestLiveTargets::parentLines()
{
    QFETCH(int, line);
    QFETCH(int, parent);
    QCOMPARE(parentLine(line), parent);
}

void TestLiveTargets::subnetTable_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("no subnet") << QByteArray("286736640\n")
                               << QStringLiteral("第1行：线路286736640没有网段");
    QTest::newRow("address without prefix")
        << QByteArray("\n0 203.0.113.1\n") << QStringLiteral("第2行：网段“203.0.113.1”无效");
    QTest::newRow("prefix too long")
        << QByteArray("1 203.0.113.0/33\n") << QStringLiteral("第1行：网段“203.0.113.0/33”无效");
    QTest::newRow("bad line id") << QByteArray("tel 203.0.113.0/24\n")
                                 << QStringLiteral("第1行：线路编号“tel”无效");
}

// A user's file that does not read leaves the built-in table, and says why.
void TestLiveTargets::subnetTable()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line-subnets.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    LiveSubnets table;
    QString reason;
    QVERIFY(!LiveSubnets::load(path, table, reason));
    QCOMPARE(reason, path + QStringLiteral("：") + error);
    QCOMPARE(table.subnetOf(kTelecom).cidr, LiveSubnets::builtIn().subnetOf(kTelecom).cidr);
}

void TestLiveTargets::clientSubnetPayload_data()
{
    QTest::addColumn<QString>("cidr");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("v4 /24") << QStringLiteral("202.96.128.0/24")
                            << QByteArray::fromHex("00011800ca6080");
    QTest::newRow("v4 /20 clears host bits")
        << QStringLiteral("202.96.143.9/20") << QByteArray::fromHex("00011400ca6080");
    QTest::newRow("v4 /0 carries no address")
        << QStringLiteral("0.0.0.0/0") << QByteArray::fromHex("00010000");
    QTest::newRow("v6 /36") << QStringLiteral("2001:db8:abcd::/36")
                            << QByteArray::fromHex("0002240020010db8a0");
}

void TestLiveTargets::clientSubnetPayload()
{
    QFETCH(QString, cidr);
    QFETCH(QByteArray, payload);
    LineSubnet s;
    QVERIFY(parseLineSubnet(cidr, s));
    QCOMPARE(clientSubnetOption(s).toHex(), payload.toHex());
}

void TestLiveTargets::userTableOverridesLinesItNames()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line-subnets.txt"));
    LiveSubnets table;
    QString error;
    // No file: the built-in table, which places the whole telecom network and no SEO line.
    QVERIFY(LiveSubnets::load(path, table, error));
    QVERIFY(table.has(kTelecom));
    QVERIFY(!table.has(0x30000000));
    QVERIFY(!table.has(0));
    const QString builtInUnicom = table.subnetOf(0x11174200).cidr;
    QVERIFY(!builtInUnicom.isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# mine\n286736640 198.51.100.0/24 203.0.113.0/24\n805306368 2001:db8::/48\n");
    file.close();
    QVERIFY(LiveSubnets::load(path, table, error));
    QCOMPARE(table.subnetOf(kTelecom).cidr, QStringLiteral("198.51.100.0/24"));
    QCOMPARE(table.subnetOf(0x11174200).cidr, builtInUnicom);
    QVERIFY(table.subnetOf(0x30000000).v6);
    QCOMPARE(table.subnetOf(0x30000000).prefix, 48);
}

void TestLiveTargets::targetsFallBackToTheParentLine_data()
{
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<int>("scopeLine");
    QTest::addColumn<QStringList>("targets");
    const Record def =
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.1"));
    const Record tel =
        rec(2, QStringLiteral("WWW."), QStringLiteral("a"), QStringLiteral("192.0.2.2"), kTelecom);
    const Record gd = rec(3, QStringLiteral("www"), QStringLiteral("A"),
                          QStringLiteral("192.0.2.3"), kTelecomGuangdong);
    Record gdPaused = gd;
    gdPaused.state = 2;
    Record telPaused = tel;
    telPaused.state = 1;
    const Record apexNs =
        rec(4, QStringLiteral("@"), QStringLiteral("NS"), QStringLiteral("ns1.example.net"));
    QTest::newRow("each line its own")
        << QList<Record>{def, tel, gd, apexNs} << -1
        << QStringList{"www A 0 -> 0: 192.0.2.1", "www A 11174100 -> 11174100: 192.0.2.2",
                       "www A 11174144 -> 11174144: 192.0.2.3"};
    QTest::newRow("paused province answers as the carrier")
        << QList<Record>{def, tel, gdPaused} << kTelecomGuangdong
        << QStringList{"www A 11174144 -> 11174100: 192.0.2.2"};
    QTest::newRow("paused province and carrier answer as default")
        << QList<Record>{def, telPaused, gdPaused} << kTelecomGuangdong
        << QStringList{"www A 11174144 -> 0: 192.0.2.1"};
    QTest::newRow("paused alone is served nowhere")
        << QList<Record>{telPaused} << -1 << QStringList{"www A 11174100 -> -1: "};
}

void TestLiveTargets::targetsFallBackToTheParentLine()
{
    QFETCH(QList<Record>, records);
    QFETCH(int, scopeLine);
    QFETCH(QStringList, targets);
    LiveScope scope;
    scope.lineID = scopeLine;
    QCOMPARE(describe(liveTargets(records, scope)), targets);
}

void TestLiveTargets::jobSetsCoverBeforeAndAfter()
{
    // An edit that moves a record to another line leaves two sets to check: where it went and
    // where it was. A failed step changed nothing.
    JournalStep moved;
    moved.domain = QStringLiteral("example.test");
    moved.op = QStringLiteral("change");
    moved.status = StepStatus::Done;
    moved.before = recordToJson(
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.1")));
    moved.after = recordToJson(
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.9"), kTelecom));
    JournalStep failed = moved;
    failed.status = StepStatus::Failed;
    failed.before = recordToJson(
        rec(2, QStringLiteral("mail"), QStringLiteral("MX"), QStringLiteral("mx.example.test")));
    JournalStep domainStep;
    domainStep.domain = QStringLiteral("other.test");
    domainStep.op = QStringLiteral("domain-pause");
    domainStep.status = StepStatus::Done;

    const QMap<QString, QList<RecordSetKey>> sets = jobRecordSets({moved, failed, domainStep});
    QCOMPARE(sets.keys(), QStringList{QStringLiteral("example.test")});
    const QList<RecordSetKey> keys = sets.value(QStringLiteral("example.test"));
    QCOMPARE(keys.size(), 2);
    QVERIFY(keys.contains(RecordSetKey{QStringLiteral("www"), QStringLiteral("A"), 0}));
    QVERIFY(keys.contains(RecordSetKey{QStringLiteral("www"), QStringLiteral("A"), kTelecom}));

    LiveScope scope;
    scope.onlySets = true;
    scope.sets = keys;
    const QList<Record> now = {
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.9"), kTelecom),
        rec(5, QStringLiteral("ftp"), QStringLiteral("A"), QStringLiteral("192.0.2.5"))};
    QCOMPARE(describe(liveTargets(now, scope)),
             (QStringList{"www A 0 -> -1: ", "www A 11174100 -> 11174100: 192.0.2.9"}));
}

void TestLiveTargets::judge_data()
{
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<bool>("includesOnly");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("rcode");
    QTest::addColumn<QList<ServedRecord>>("answer");
    QTest::addColumn<LiveState>("state");

    const auto a = [](const QString &v, int ttl = 600) {
        return rec(1, QStringLiteral("www"), QStringLiteral("A"), v, 0, ttl);
    };
    const auto ok = int(DnsReply::Answered);
    const QList<ServedRecord> two = {served("A", "192.0.2.2"), served("A", "192.0.2.1")};
    QTest::newRow("same set in any order") << QList<Record>{a("192.0.2.1"), a("192.0.2.2")} << false
                                           << ok << 0 << two << LiveState::Live;
    QTest::newRow("one value more served")
        << QList<Record>{a("192.0.2.1")} << false << ok << 0 << two << LiveState::Differs;
    QTest::newRow("included is enough when asked so")
        << QList<Record>{a("192.0.2.1")} << true << ok << 0 << two << LiveState::Live;
    QTest::newRow("old TTL") << QList<Record>{a("192.0.2.1", 60)} << false << ok << 0
                             << QList<ServedRecord>{served("A", "192.0.2.1")} << LiveState::Differs;
    QTest::newRow("nothing served") << QList<Record>{a("192.0.2.1")} << false << ok << 3
                                    << QList<ServedRecord>() << LiveState::Missing;
    QTest::newRow("a CNAME instead")
        << QList<Record>{a("192.0.2.1")} << false << ok << 0
        << QList<ServedRecord>{served("CNAME", "cdn.example.net")} << LiveState::Missing;
    Record mx = rec(1, "www", "MX", "Mail.Example.test.");
    mx.mx = 10;
    QTest::newRow("MX name case counts for nothing")
        << QList<Record>{mx} << false << ok << 0
        << QList<ServedRecord>{served("MX", "mail.example.test", 600, 10)} << LiveState::Live;
    QTest::newRow("MX priority counts")
        << QList<Record>{mx} << false << ok << 0
        << QList<ServedRecord>{served("MX", "mail.example.test", 600, 20)} << LiveState::Differs;
    Record paused = a("192.0.2.1");
    paused.state = 2;
    QTest::newRow("paused and not served")
        << QList<Record>{paused} << false << ok << 3 << QList<ServedRecord>() << LiveState::Live;
    QTest::newRow("paused yet served")
        << QList<Record>{paused} << false << ok << 0
        << QList<ServedRecord>{served("A", "192.0.2.1")} << LiveState::Differs;
    QTest::newRow("refused") << QList<Record>{a("192.0.2.1")} << false << ok << 5
                             << QList<ServedRecord>() << LiveState::NoAnswer;
    QTest::newRow("no reply") << QList<Record>{a("192.0.2.1")} << false << int(DnsReply::NoAnswer)
                              << -1 << QList<ServedRecord>() << LiveState::NoAnswer;
}

void TestLiveTargets::judge()
{
    QFETCH(QList<Record>, records);
    QFETCH(bool, includesOnly);
    QFETCH(int, outcome);
    QFETCH(int, rcode);
    QFETCH(QList<ServedRecord>, answer);
    QFETCH(LiveState, state);
    QList<LiveTarget> targets =
        includesOnly ? servedTargets(records) : liveTargets(records, LiveScope());
    QCOMPARE(targets.size(), 1);
    DnsReply reply;
    reply.outcome = DnsReply::Outcome(outcome);
    reply.rcode = rcode;
    reply.answer = answer;
    const LiveResult result = judgeReply(targets.first(), reply);
    QCOMPARE(result.state, state);
    QCOMPARE(result.note.isEmpty(), state == LiveState::Live);
}

QTEST_GUILESS_MAIN(TestLiveTargets)
#include "tst_livetargets.moc"
