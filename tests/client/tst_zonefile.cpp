#include "client/plan/RecordJson.h"
#include "client/zone/ZoneFolder.h"
#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "client/zone/ZoneWriter.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ZoneRecord)
Q_DECLARE_METATYPE(Record)

namespace {

QByteArray fixture(const QString &name)
{
    QFile f(qEnvironmentVariable("HALVIK_TEST_DATA") + QStringLiteral("/zone/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString describe(const ZoneRecord &r)
{
    QString text =
        QStringLiteral("%1 %2 %3 %4 %5").arg(r.line).arg(r.host, r.type).arg(r.ttl).arg(r.value);
    if (r.type == QLatin1String("MX"))
        text += QStringLiteral(" mx%1").arg(r.mx);
    return text;
}

Record rec(int id, const QString &host, const QString &type, const QString &value, int ttl = 600,
           int mx = 10, int line = 0, int state = 0)
{
    Record r;
    r.id = id;
    r.host = host;
    r.type = type;
    r.value = value;
    r.ttl = ttl;
    r.mx = mx;
    r.lineID = line;
    r.viewID = line;
    r.state = state;
    return r;
}

// A domain as the service holds it: every type, a paused record, apex NS, a sub-delegation
// with glue, a name in Chinese, text that needs escapes and more than 255 bytes, another line.
QList<Record> serviceRecords()
{
    const QString longText = QString(100, QChar(0x4f60)); // 300 bytes in UTF-8
    return {
        rec(1, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.10")),
        rec(2, QStringLiteral("www"), QStringLiteral("CNAME"), QStringLiteral("cdn.example.net")),
        rec(3, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx1.example.cn"), 3600,
            5),
        rec(4, QStringLiteral("@"), QStringLiteral("TXT"),
            QStringLiteral("v=spf1 include:spf.example.net -all")),
        rec(5, QStringLiteral("q"), QStringLiteral("TXT"),
            QStringLiteral("say \"hi\"; back\\slash")),
        rec(6, QStringLiteral("long"), QStringLiteral("TXT"), longText),
        rec(7, QStringLiteral("ipv6"), QStringLiteral("AAAA"), QStringLiteral("2001:db8::10")),
        rec(8, QStringLiteral("sub"), QStringLiteral("NS"), QStringLiteral("ns1.sub.example.cn")),
        rec(9, QStringLiteral("ns1.sub"), QStringLiteral("A"), QStringLiteral("203.0.113.53")),
        rec(10, QStringLiteral("邮件"), QStringLiteral("A"), QStringLiteral("203.0.113.25")),
        rec(11, QStringLiteral("old"), QStringLiteral("A"), QStringLiteral("203.0.113.99"), 600, 10,
            0, 2),
        rec(12, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.11"), 600, 10,
            285),
        rec(13, QStringLiteral("mx1"), QStringLiteral("A"), QStringLiteral("203.0.113.30"))};
}

ZoneFile parsedRecords(const QList<ZoneRecord> &records)
{
    ZoneFile f;
    f.records = records;
    return f;
}

ZoneRecord fileRec(int line, const QString &host, const QString &type, const QString &value,
                   int ttl = 600, int mx = 0)
{
    return ZoneRecord{line, host, type, value, ttl, mx, QString()};
}

const QList<PlanStep> &stepsOf(const ChangePlan &plan)
{
    return plan.domains.first().steps;
}

QString opsOf(const ChangePlan &plan)
{
    QStringList ops;
    for (const PlanStep &s : stepsOf(plan)) {
        const int id = recordFromJson(s.before).id;
        ops.append(s.op + (id ? QString::number(id) : QString()));
    }
    return ops.join(QLatin1Char(' '));
}

QStringList warningsOf(const ChangePlan &plan)
{
    QStringList texts;
    for (const PlanWarning &w : plan.warnings)
        texts.append(w.text);
    return texts;
}

} // namespace

class TestZoneFile : public QObject
{
    Q_OBJECT
private slots:
    void readsTheTrickyFixture();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void namesOutsideTheDomainAreSkipped_data();
    void namesOutsideTheDomainAreSkipped();
    void exportLoadsInNamedCheckzone();
    void exportImportedAgainPlansNothing();
    void plan_data();
    void plan();
    void planWarnings_data();
    void planWarnings();
    void jobStepsDeleteFirstAndKeepTheServiceSpelling();
    void jobStepsStayOnTheImportLine();
    void folderHasOneWholeFilePerLine();
    void filesAreNamedByLine_data();
    void filesAreNamedByLine();
    void takenNamesAreNeverReplaced_data();
    void takenNamesAreNeverReplaced();
    void targetsWithoutFinalDot_data();
    void targetsWithoutFinalDot();
};

void TestZoneFile::readsTheTrickyFixture()
{
    const ZoneFile f =
        parseZoneText(fixture(QStringLiteral("tricky.zone")), QStringLiteral("example.cn"));
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.value(0).message));
    QStringList got;
    for (const ZoneRecord &r : f.records)
        got.append(describe(r));
    const QStringList want = {
        QStringLiteral("9 @ A 3600 203.0.113.10"),
        QStringLiteral("10 @ A 3600 203.0.113.11"),
        QStringLiteral("11 www CNAME 300 cdn.example.net"),
        QStringLiteral("12 shop CNAME 3600 www.example.cn"),
        QStringLiteral("13 @ MX 3600 mail.example.cn mx10"),
        QStringLiteral("14 @ MX 3600 mx2.example.net mx20"),
        QStringLiteral("15 Mail A 86400 203.0.113.25"),
        QStringLiteral("16 ipv6 AAAA 3600 2001:db8::1"),
        QStringLiteral("17 @ TXT 3600 v=spf1 include:spf.example.net -all"),
        QStringLiteral("18 sel._domainkey TXT 3600 v=DKIM1; k=rsa; p=MIIBIjANBgkqh"),
        QStringLiteral("20 quote TXT 3600 say \"hi\"; ok你好"),
        QStringLiteral("21 sub NS 3600 ns1.sub.example.cn"),
        QStringLiteral("22 ns1.sub A 3600 203.0.113.53"),
        QStringLiteral("26 *.deep A 3600 203.0.113.99"),
        QStringLiteral("27 WWW2 A 60 203.0.113.12"),
        QStringLiteral("28 邮件.deep A 3600 203.0.113.26"),
        QStringLiteral("29 cn.deep CNAME 3600 例子.example.net")};
    QCOMPARE(got, want);

    QStringList skipped;
    for (const ZoneSkip &s : f.skipped)
        skipped.append(QStringLiteral("%1 %2 %3").arg(s.line).arg(s.host, s.type));
    QCOMPARE(skipped, QStringList({QStringLiteral("4 @ SOA"), QStringLiteral("7 @ NS"),
                                   QStringLiteral("8 @ NS"), QStringLiteral("23 _sip._tcp SRV"),
                                   QStringLiteral("24 @ CAA")}));
    for (const ZoneSkip &s : f.skipped)
        QVERIFY(!s.reason.isEmpty());
}

void TestZoneFile::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");

    QTest::newRow("include") << QByteArray("www IN A 192.0.2.1\n$INCLUDE /etc/passwd\n") << 2
                             << QStringLiteral("$INCLUDE");
    QTest::newRow("include in lower case")
        << QByteArray("\n$include other.zone example.cn.\n") << 2 << QStringLiteral("$INCLUDE");
    QTest::newRow("relative origin")
        << QByteArray("www IN A 192.0.2.1\n$ORIGIN sub\nx IN A 192.0.2.2\n") << 2
        << QStringLiteral("$ORIGIN");
    QTest::newRow("origin outside the domain")
        << QByteArray("$ORIGIN example.org.\nwww IN A 192.0.2.1\n") << 2
        << QStringLiteral("不在域名example.cn之内");
    // ldns drops the origin it cannot read; the records after it must not be read against none.
    QTest::newRow("origin with an empty label")
        << QByteArray("$ORIGIN deep.example.cn..example.net.\nwww.example.cn. IN A 192.0.2.1\n")
        << 1 << QStringLiteral("无法解析");
    QTest::newRow("class CH") << QByteArray("; c\n\nwww CH A 192.0.2.1\n") << 3
                              << QStringLiteral("只支持IN类的记录，不支持CH");
    QTest::newRow("bad address, after a multi-line record")
        << QByteArray("@ IN TXT ( \"a\"\n  \"b\" )\nwww IN A 300.1.2.3\n") << 3
        << QStringLiteral("无法解析");
    QTest::newRow("unknown directive")
        << QByteArray("$GENERATE 1-9 h$ A 192.0.2.$\n") << 1 << QStringLiteral("$GENERATE");
    // Not a zone at all: read by ldns, each was an empty or shorter zone.
    QTest::newRow("NUL bytes only") << QByteArray(4096, '\0') << 1 << QStringLiteral("NUL");
    QTest::newRow("a NUL byte after a record")
        << QByteArray("www IN A 192.0.2.1\nab\0cd IN A 192.0.2.2\n", 39) << 2
        << QStringLiteral("NUL");
    QTest::newRow("Latin-1 in a comment")
        << QByteArray("www IN A 192.0.2.1 ; caf\xe9\n") << 1 << QStringLiteral("UTF-8");
    QTest::newRow("bytes of no encoding in an owner")
        << QByteArray("$TTL 600\n\xff\xfe IN A 192.0.2.1\n") << 2 << QStringLiteral("UTF-8");
    QByteArray many = "$TTL 600\n";
    for (int i = 0; i <= kMaxZoneRecords; ++i)
        many += "h IN A 192.0.2.1\n";
    QTest::newRow("a record past the bound")
        << many << kMaxZoneRecords + 2 << QString::number(kMaxZoneRecords);
    QTest::newRow("NUL inside a TXT string")
        << QByteArray("@ IN TXT \"a\\000b\"\n") << 1 << QStringLiteral("NUL");
    QTest::newRow("a quote in a comment opens nothing")
        << QByteArray("; \"\nwww IN A 192.0.2.1 ; \xc3\n") << 2 << QStringLiteral("UTF-8");
}

void TestZoneFile::refusesBadFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, message);
    const ZoneFile f = parseZoneText(text, QStringLiteral("example.cn"));
    QVERIFY(!f.errors.isEmpty());
    QCOMPARE(f.errors.first().line, line);
    QVERIFY2(f.errors.first().message.contains(message), qPrintable(f.errors.first().message));
}

// One name written in full for another domain leaves that record out, with its line; the rest
// of the file imports.
void TestZoneFile::namesOutsideTheDomainAreSkipped_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("owner");
    QTest::addColumn<QString>("kept"); // the host of the file's one record that stays

    QTest::newRow("another domain")
        << QByteArray("$TTL 600\nwww IN A 192.0.2.1\nwww.example.org. IN A 192.0.2.2\n") << 3
        << QStringLiteral("www.example.org.") << QStringLiteral("www");
    QTest::newRow("look-alike suffix")
        << QByteArray("www.badexample.cn. IN A 192.0.2.1\nwww IN A 192.0.2.2\n") << 1
        << QStringLiteral("www.badexample.cn.") << QStringLiteral("www");
    QTest::newRow("the parent, under an origin inside the domain")
        << QByteArray("$ORIGIN sub.example.cn.\nwww IN A 192.0.2.1\ncn. IN A 192.0.2.2\n") << 3
        << QStringLiteral("cn.") << QStringLiteral("www.sub");
}

void TestZoneFile::namesOutsideTheDomainAreSkipped()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, owner);
    QFETCH(QString, kept);
    const ZoneFile f = parseZoneText(text, QStringLiteral("example.cn"));
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.value(0).message));
    QCOMPARE(f.records.size(), 1);
    QCOMPARE(f.records.first().host, kept);
    QCOMPARE(f.skipped.size(), 1);
    QCOMPARE(f.skipped.first().line, line);
    QCOMPARE(f.skipped.first().host, owner);
    QVERIFY2(f.skipped.first().reason.contains(QStringLiteral("不在域名example.cn之内")),
             qPrintable(f.skipped.first().reason));

    // Pruning still deletes only what the file's own records do not hold.
    const QList<Record> live{
        rec(7, kept, QStringLiteral("A"), f.records.first().value, f.records.first().ttl),
        rec(8, QStringLiteral("gone"), QStringLiteral("A"), QStringLiteral("192.0.2.9"))};
    const ChangePlan plan = planZoneImport(f, QStringLiteral("example.cn"), live, 0, true);
    QCOMPARE(opsOf(plan), QStringLiteral("delete8 skip unchanged7"));
    QCOMPARE(stepsOf(plan).at(1).fileLine, line);
}

void TestZoneFile::exportLoadsInNamedCheckzone()
{
    const QString checker =
        QStandardPaths::findExecutable(QStringLiteral("named-checkzone"),
                                       {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    QVERIFY2(!checker.isEmpty(), "named-checkzone (bind9-utils) is needed: scripts/deps.sh");
    QTemporaryDir dir;
    const QList<int> lines = {0, 285};
    const QStringList servers{QStringLiteral("ns1.example.net"),
                              QStringLiteral("NS2.example.net.")};
    for (int line : lines) {
        for (const QStringList &nameServers : {QStringList(), servers}) {
            const ZoneExport zone =
                writeZone(QStringLiteral("example.cn"), serviceRecords(), line, nameServers);
            const QString path =
                dir.filePath(QStringLiteral("line%1-%2.zone").arg(line).arg(nameServers.size()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(zone.text);
            f.close();
            QProcess p;
            p.start(checker, {QStringLiteral("-i"), QStringLiteral("local"),
                              QStringLiteral("example.cn"), path});
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitCode() == 0,
                     qPrintable(QString::fromUtf8(p.readAllStandardOutput() + zone.text)));
        }
    }
    // Where the service's name servers are known, SOA and NS are theirs.
    const QByteArray known =
        writeZone(QStringLiteral("example.cn"), serviceRecords(), 0, servers).text;
    QVERIFY2(known.contains("@\t600\tIN\tSOA\tns1.example.net. hostmaster.example.cn. "),
             known.constData());
    QVERIFY(known.contains("@\t600\tIN\tNS\tns1.example.net.\n"));
    QVERIFY(known.contains("@\t600\tIN\tNS\tNS2.example.net.\n"));
    QVERIFY(!known.contains("placeholder"));
    const ZoneExport zone = writeZone(QStringLiteral("example.cn"), serviceRecords(), 0);
    QVERIFY(zone.text.contains("SOA\tns.placeholder.invalid. "));
    QCOMPARE(zone.written, 11);
    QCOMPARE(zone.paused, 1);
    QVERIFY(zone.text.contains("$ORIGIN example.cn.\n"));
    QVERIFY(zone.text.contains("www\t600\tIN\tCNAME\tcdn.example.net.\n"));
    QVERIFY(zone.text.contains("xn--5nq051n\t600\tIN\tA\t203.0.113.25\n"));
    QVERIFY(zone.text.contains("\"say \\\"hi\\\"; back\\\\slash\""));
    QVERIFY(zone.text.contains("; 已暂停: old\t600\tIN\tA\t203.0.113.99\n"));
}

void TestZoneFile::exportImportedAgainPlansNothing()
{
    const QList<Record> records = serviceRecords();
    for (const QString &domain : {QStringLiteral("example.cn"), QStringLiteral("工作.cn")}) {
        for (int line : {0, 285}) {
            // With SOA and NS of the service's name servers as without: the import skips them.
            for (const QStringList &nameServers :
                 {QStringList(), QStringList{QStringLiteral("ns1.example.net")}}) {
                const ZoneExport zone = writeZone(domain, records, line, nameServers);
                const ZoneFile f = parseZoneText(zone.text, domain);
                QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.value(0).message));
                for (bool prune : {false, true}) {
                    const ChangePlan plan = planZoneImport(f, domain, records, line, prune);
                    QVERIFY2(!plan.changesAnything(), qPrintable(opsOf(plan)));
                    QCOMPARE(plan.counts().value(StepOps::Problem), 0);
                    QVERIFY(plan.warnings.isEmpty());
                }
            }
        }
    }
    // The 300-byte text came back whole across its two strings.
    const ZoneFile f = parseZoneText(writeZone(QStringLiteral("example.cn"), records, 0).text,
                                     QStringLiteral("example.cn"));
    const auto longRecord = std::find_if(f.records.cbegin(), f.records.cend(),
                                         [](const ZoneRecord &r) { return r.host == "long"; });
    QVERIFY(longRecord != f.records.cend());
    QCOMPARE(longRecord->value, QString(100, QChar(0x4f60)));
}

void TestZoneFile::plan_data()
{
    QTest::addColumn<QList<ZoneRecord>>("file");
    QTest::addColumn<QList<Record>>("live");
    QTest::addColumn<bool>("prune");
    QTest::addColumn<QString>("ops");

    const QString a = QStringLiteral("A");
    const QString mx = QStringLiteral("MX");
    const QString www = QStringLiteral("www");
    const QString apex = QStringLiteral("@");
    QTest::newRow("same record") << QList<ZoneRecord>{fileRec(1, www, a,
                                                              QStringLiteral("192.0.2.1"))}
                                 << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"))}
                                 << false << QStringLiteral("unchanged7");
    QTest::newRow("names without case and final dot")
        << QList<ZoneRecord>{fileRec(1, QStringLiteral("WWW"), QStringLiteral("CNAME"),
                                     QStringLiteral("CDN.example.net"))}
        << QList<Record>{rec(7, www, QStringLiteral("CNAME"), QStringLiteral("cdn.example.net."))}
        << false << QStringLiteral("unchanged7");
    QTest::newRow("IPv6 in another form")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("AAAA"), QStringLiteral("2001:db8::1"))}
        << QList<Record>{rec(7, www, QStringLiteral("AAAA"), QStringLiteral("2001:DB8:0:0::1"))}
        << false << QStringLiteral("unchanged7");
    QTest::newRow("other TTL: changed in place")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1"), 300)}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"))} << false
        << QStringLiteral("change7");
    QTest::newRow("other MX priority: changed in place")
        << QList<ZoneRecord>{fileRec(1, apex, mx, QStringLiteral("mx.example.cn"), 600, 20)}
        << QList<Record>{rec(7, apex, mx, QStringLiteral("mx.example.cn"), 600, 10)} << false
        << QStringLiteral("change7");
    QTest::newRow("MX field of an A record does not count")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1"))}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"), 600, 10)} << false
        << QStringLiteral("unchanged7");
    QTest::newRow("other value: created, the old one kept")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.2"))}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"))} << false
        << QStringLiteral("create");
    QTest::newRow("prune deletes what the file lacks")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.2"))}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"))} << true
        << QStringLiteral("delete7 create");
    QTest::newRow("prune keeps apex NS, paused records and other lines")
        << QList<ZoneRecord>{}
        << QList<Record>{rec(7, apex, QStringLiteral("NS"), QStringLiteral("ns1.example.net")),
                         rec(8, www, a, QStringLiteral("192.0.2.1"), 600, 10, 0, 2),
                         rec(9, www, a, QStringLiteral("192.0.2.1"), 600, 10, 285),
                         rec(10, QStringLiteral("sub"), QStringLiteral("NS"),
                             QStringLiteral("ns.example.net"))}
        << true << QStringLiteral("delete10");
    QTest::newRow("a record on another line is not a match")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1"))}
        << QList<Record>{rec(9, www, a, QStringLiteral("192.0.2.1"), 600, 10, 285)} << true
        << QStringLiteral("create");
    QTest::newRow("the exact twin is preferred")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1"), 300)}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"), 600),
                         rec(8, www, a, QStringLiteral("192.0.2.1"), 300)}
        << true << QStringLiteral("delete7 unchanged8");
    QTest::newRow("a repeat in the file is skipped")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1")),
                             fileRec(2, QStringLiteral("WWW"), a, QStringLiteral("192.0.2.1"))}
        << QList<Record>{} << false << QStringLiteral("create skip");
    QTest::newRow("TXT over 255 characters is a problem, the rest runs")
        << QList<ZoneRecord>{fileRec(4, apex, QStringLiteral("TXT"),
                                     QString(256, QLatin1Char('k'))),
                             fileRec(5, www, a, QStringLiteral("192.0.2.1"))}
        << QList<Record>{} << false << QStringLiteral("problem create");
    QTest::newRow("TTL the service refuses")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1"), 0)} << QList<Record>{}
        << false << QStringLiteral("problem");
    // The service refuses a CNAME beside an A on its host and line (and the other way round).
    QTest::newRow("CNAME beside an A: a problem")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("CNAME"),
                                     QStringLiteral("x.example.net")),
                             fileRec(2, QStringLiteral("api"), a, QStringLiteral("192.0.2.9"))}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1")),
                         rec(8, QStringLiteral("api"), QStringLiteral("CNAME"),
                             QStringLiteral("x.example.net"))}
        << false << QStringLiteral("problem problem");
    QTest::newRow("CNAME replacing a pruned A")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("CNAME"),
                                     QStringLiteral("x.example.net"))}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1"))} << true
        << QStringLiteral("delete7 create");
    QTest::newRow("CNAME beside an A on another line")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("CNAME"),
                                     QStringLiteral("x.example.net"))}
        << QList<Record>{rec(9, www, a, QStringLiteral("192.0.2.1"), 600, 10, 285)} << false
        << QStringLiteral("create");
    QTest::newRow("text compared exactly")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("TXT"), QStringLiteral("Hello"))}
        << QList<Record>{rec(7, www, QStringLiteral("TXT"), QStringLiteral("hello"))} << true
        << QStringLiteral("delete7 create");
}

void TestZoneFile::plan()
{
    QFETCH(QList<ZoneRecord>, file);
    QFETCH(QList<Record>, live);
    QFETCH(bool, prune);
    QFETCH(QString, ops);
    const ChangePlan plan =
        planZoneImport(parsedRecords(file), QStringLiteral("example.cn"), live, 0, prune);
    QCOMPARE(opsOf(plan), ops);
    for (const PlanStep &s : stepsOf(plan)) {
        if (s.op == StepOps::Problem) {
            QVERIFY(!s.problem.isEmpty());
            QVERIFY(s.fileLine > 0);
        }
    }
}

void TestZoneFile::planWarnings_data()
{
    QTest::addColumn<QList<ZoneRecord>>("file");
    QTest::addColumn<QList<Record>>("live");
    QTest::addColumn<QStringList>("warnings");

    const QString www = QStringLiteral("www");
    const QString txt = QStringLiteral("TXT");
    // Beside an A it is refused (a problem, no warning); beside a TXT the service takes it.
    QTest::newRow("CNAME beside a TXT")
        << QList<ZoneRecord>{fileRec(1, www, QStringLiteral("CNAME"),
                                     QStringLiteral("x.example.net"))}
        << QList<Record>{rec(7, www, QStringLiteral("TXT"), QStringLiteral("hello"))}
        << QStringList{QStringLiteral("example.cn 的主机记录 www 将有 CNAME 与其他记录并存")};
    QTest::newRow("second SPF")
        << QList<ZoneRecord>{fileRec(1, QStringLiteral("@"), txt, QStringLiteral("v=spf1 -all"))}
        << QList<Record>{rec(7, QStringLiteral("@"), txt, QStringLiteral("v=spf1 mx -all"))}
        << QStringList{QStringLiteral("example.cn 的主机记录 @ 将有多条 SPF 记录")};
    const QString a = QStringLiteral("A");
    const QString mixed = QStringLiteral("：example.cn 的主机记录 www 的 A 记录将有不同的 TTL"
                                         "（300、600），DNS 对同一组记录只用一个 TTL");
    QTest::newRow("TTLs of one set differ in the file")
        << QList<ZoneRecord>{fileRec(3, www, a, QStringLiteral("192.0.2.1")),
                             fileRec(4, www, a, QStringLiteral("192.0.2.2"), 300),
                             fileRec(5, www, QStringLiteral("AAAA"), QStringLiteral("2001:db8::1"),
                                     300)}
        << QList<Record>{} << QStringList{QStringLiteral("第3、4行") + mixed};
    QTest::newRow("a new record beside a kept one of another TTL")
        << QList<ZoneRecord>{fileRec(2, www, a, QStringLiteral("192.0.2.2"), 300)}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1")),
                         rec(8, www, a, QStringLiteral("192.0.2.3"), 3600, 10, 0, 1),
                         rec(9, www, a, QStringLiteral("192.0.2.4"), 3600, 10, 285)}
        << QStringList{QStringLiteral("第2行") + mixed};
    QTest::newRow("a set already mixed and left as it is")
        << QList<ZoneRecord>{fileRec(1, www, a, QStringLiteral("192.0.2.1")),
                             fileRec(2, www, a, QStringLiteral("192.0.2.2"), 300)}
        << QList<Record>{rec(7, www, a, QStringLiteral("192.0.2.1")),
                         rec(8, www, a, QStringLiteral("192.0.2.2"), 300)}
        << QStringList{};
    QTest::newRow("untouched host keeps its old fault quiet")
        << QList<ZoneRecord>{fileRec(1, QStringLiteral("other"), QStringLiteral("A"),
                                     QStringLiteral("192.0.2.9"))}
        << QList<Record>{rec(7, www, QStringLiteral("A"), QStringLiteral("192.0.2.1")),
                         rec(8, www, QStringLiteral("CNAME"), QStringLiteral("x.example.net"))}
        << QStringList{};
}

void TestZoneFile::planWarnings()
{
    QFETCH(QList<ZoneRecord>, file);
    QFETCH(QList<Record>, live);
    QFETCH(QStringList, warnings);
    const ChangePlan plan =
        planZoneImport(parsedRecords(file), QStringLiteral("example.cn"), live, 0, false);
    QCOMPARE(warningsOf(plan), warnings);
}

// A CNAME replacing an A on the same host is refused while the A is there: the job deletes
// first. A change in place keeps the service's host and value and takes the file's TTL.
void TestZoneFile::jobStepsDeleteFirstAndKeepTheServiceSpelling()
{
    const QList<Record> live{
        rec(7, QStringLiteral("shop"), QStringLiteral("A"), QStringLiteral("192.0.2.1")),
        rec(8, QStringLiteral("WWW"), QStringLiteral("CNAME"), QStringLiteral("Cdn.Example.net")),
        rec(9, QStringLiteral("tv"), QStringLiteral("A"), QStringLiteral("192.0.2.9"), 600, 10, 5)};
    const ChangePlan plan =
        planZoneImport(parsedRecords({fileRec(1, QStringLiteral("shop"), QStringLiteral("CNAME"),
                                              QStringLiteral("www.example.cn")),
                                      fileRec(2, QStringLiteral("www"), QStringLiteral("CNAME"),
                                              QStringLiteral("cdn.example.net"), 3600)}),
                       QStringLiteral("example.cn"), live, 0, true);
    const DomainPlan d = zoneImportJob(plan, 42).domains.first();
    QCOMPARE(d.domainID, 42);
    QVERIFY(d.liveKnown);
    QCOMPARE(d.live.size(), live.size()); // every line: the job compares the whole domain
    QStringList ops;
    for (const PlanStep &s : d.steps)
        ops.append(s.op);
    QCOMPARE(ops, (QStringList{StepOps::Delete, StepOps::Change, StepOps::Create}));
    QCOMPARE(recordFromJson(d.steps.at(0).before).id, 7);
    const Record changed = recordFromJson(d.steps.at(1).after);
    QCOMPARE(changed.id, 8);
    QCOMPARE(changed.host, QStringLiteral("WWW"));
    QCOMPARE(changed.value, QStringLiteral("Cdn.Example.net"));
    QCOMPARE(changed.ttl, 3600);
    QCOMPARE(recordFromJson(d.steps.at(1).before).ttl, 600);
    const Record created = recordFromJson(d.steps.at(2).after);
    QCOMPARE(created.type, QStringLiteral("CNAME"));
    QCOMPARE(created.lineID, 0);
}

// Imported into a line other than the default: a creation goes to that line, a change sends it
// (the service would move the record otherwise), and a deletion is journaled with it, so that
// undo puts the record back where it was.
void TestZoneFile::jobStepsStayOnTheImportLine()
{
    const QString a = QStringLiteral("A");
    const QList<Record> live{
        rec(7, QStringLiteral("www"), a, QStringLiteral("192.0.2.1"), 600, 10, 285),
        rec(8, QStringLiteral("old"), a, QStringLiteral("192.0.2.8"), 600, 10, 285),
        rec(9, QStringLiteral("www"), a, QStringLiteral("192.0.2.1"))};
    const ChangePlan plan = planZoneImport(
        parsedRecords({fileRec(1, QStringLiteral("www"), a, QStringLiteral("192.0.2.1"), 300),
                       fileRec(2, QStringLiteral("new"), a, QStringLiteral("192.0.2.2"))}),
        QStringLiteral("example.cn"), live, 285, true);
    const DomainPlan d = zoneImportJob(plan, 42).domains.first();
    QStringList ops;
    for (const PlanStep &s : d.steps) {
        const int id = recordFromJson(s.before).id;
        ops.append(s.op + (id ? QString::number(id) : QString()));
        for (const QJsonObject &r : {s.before, s.after}) {
            if (!r.isEmpty())
                QCOMPARE(recordFromJson(r).lineID, 285);
        }
    }
    QCOMPARE(ops, (QStringList{QStringLiteral("delete8"), QStringLiteral("change7"),
                               QStringLiteral("create")}));
}

void TestZoneFile::folderHasOneWholeFilePerLine()
{
    QTemporaryDir dir;
    const QList<Record> records{
        rec(1, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.1"), 600, 10, 5),
        rec(2, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.2")),
        rec(3, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.3"), 600, 10,
            5)};
    QStringList written;
    QString error;
    QVERIFY2(writeZoneFolder(dir.path(), QStringLiteral("Example.CN."), records, written, error),
             qPrintable(error));
    QCOMPARE(written,
             (QStringList{QStringLiteral("example.cn.zone"), QStringLiteral("example.cn.5.zone")}));
    QFile five(dir.filePath(written.at(1)));
    QVERIFY(five.open(QIODevice::ReadOnly));
    const ZoneFile back = parseZoneText(five.readAll(), QStringLiteral("example.cn"));
    QCOMPARE(back.records.size(), 2);

    // Nothing is written into a folder that is not there.
    QVERIFY(!writeZoneFolder(dir.filePath(QStringLiteral("gone")), QStringLiteral("example.cn"),
                             records, written, error));
    QVERIFY(written.isEmpty());
    QVERIFY(!error.isEmpty());
}

// A line's name comes from the service: as part of a file name it must stay one file in the
// chosen folder, visible, and tell the lines apart.
void TestZoneFile::filesAreNamedByLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");

    QTest::newRow("default line") << 0 << QStringLiteral("默认")
                                  << QStringLiteral("example.cn.zone");
    QTest::newRow("named") << 10 << QStringLiteral("电信")
                           << QStringLiteral("example.cn.电信.zone");
    QTest::newRow("name unknown") << 7 << QString() << QStringLiteral("example.cn.7.zone");
    QTest::newRow("a path") << 9 << QStringLiteral("../../etc/passwd")
                            << QStringLiteral("example.cn.etc_passwd.zone");
    QTest::newRow("dots only") << 11 << QStringLiteral("..")
                               << QStringLiteral("example.cn.11.zone");
    QTest::newRow("blanks and control characters") << 12 << QStringLiteral(" 海外 (欧洲)\n\t")
                                                   << QStringLiteral("example.cn.海外_(欧洲).zone");
    QTest::newRow("characters other systems refuse")
        << 13 << QStringLiteral("a:b*c?\"<d>|e\\f")
        << QStringLiteral("example.cn.a_b_c___d__e_f.zone");
}

void TestZoneFile::filesAreNamedByLine()
{
    QFETCH(int, line);
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(zoneFileName(QStringLiteral("Example.cn."), line, name), file);

    // Written into a folder: the name the records give their line, a second line whose name
    // comes out alike told apart by its id.
    auto named = [](int id, const QString &lineName, const QString &value) {
        Record r = rec(id, QStringLiteral("www"), QStringLiteral("A"), value);
        r.setLine(View{lineName, id, 0, {}});
        return r;
    };
    QTemporaryDir dir;
    QStringList written;
    QString error;
    QVERIFY2(writeZoneFolder(dir.path(), QStringLiteral("example.cn"),
                             {named(line, name, QStringLiteral("192.0.2.1")),
                              named(line + 100, name, QStringLiteral("192.0.2.2"))},
                             written, error),
             qPrintable(error));
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.first(), file);
    QVERIFY(written.at(1) != file);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// A name of the export taken by anything but a regular file is another program's or the user's:
// refused, and then nothing is written at all (the other line's file neither). A regular file of
// that name is replaced as before.
void TestZoneFile::takenNamesAreNeverReplaced_data()
{
    QTest::addColumn<QString>("taken"); // what stands at the default line's name
    QTest::addColumn<int>("kind");      // ZoneFolderBlock::Kind; -1: not refused
    QTest::addColumn<QString>("text");  // in the refusal

    QTest::newRow("FIFO") << QStringLiteral("fifo") << int(ZoneFolderBlock::Fifo)
                          << QStringLiteral("example.cn.zone（命名管道）");
    QTest::newRow("folder") << QStringLiteral("folder") << int(ZoneFolderBlock::Folder)
                            << QStringLiteral("（文件夹）");
    QTest::newRow("link to a file")
        << QStringLiteral("link") << int(ZoneFolderBlock::Link) << QStringLiteral("（符号链接）");
    QTest::newRow("link to nothing") << QStringLiteral("dangling") << int(ZoneFolderBlock::Link)
                                     << QStringLiteral("（符号链接）");
    QTest::newRow("regular file") << QStringLiteral("file") << -1 << QString();
}

void TestZoneFile::takenNamesAreNeverReplaced()
{
    QFETCH(QString, taken);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("example.cn.zone"));
    const QByteArray path = QFile::encodeName(target);
    const QString outside = dir.filePath(QStringLiteral("kept.txt"));
    QFile kept(outside);
    QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write("kept\n") == 5);
    kept.close();
    if (taken == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    else if (taken == QLatin1String("folder"))
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("example.cn.zone")));
    else if (taken == QLatin1String("link"))
        QCOMPARE(::symlink(QFile::encodeName(outside).constData(), path.constData()), 0);
    else if (taken == QLatin1String("dangling"))
        QCOMPARE(::symlink("nowhere", path.constData()), 0);
    else
        QVERIFY(QFile::copy(outside, target));

    const QList<Record> records{
        rec(1, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.1")),
        rec(2, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("192.0.2.2"), 600, 10,
            5)};
    QStringList written;
    QString error;
    QList<ZoneFolderBlock> blocked;
    const bool ok = writeZoneFolder(dir.path(), QStringLiteral("example.cn"), records, written,
                                    error, {}, &blocked);
    struct stat st = {};
    QCOMPARE(::lstat(path.constData(), &st), 0);
    if (kind < 0) {
        QVERIFY2(ok, qPrintable(error));
        QVERIFY(blocked.isEmpty());
        QVERIFY(S_ISREG(st.st_mode));
        QFile replaced(target);
        QVERIFY(replaced.open(QIODevice::ReadOnly));
        QVERIFY(replaced.readAll().contains("$ORIGIN example.cn."));
        return;
    }
    QVERIFY(!ok);
    QVERIFY(written.isEmpty());
    QCOMPARE(blocked.size(), 1);
    QCOMPARE(blocked.first().name, QStringLiteral("example.cn.zone"));
    QCOMPARE(int(blocked.first().kind), kind);
    QVERIFY2(error.contains(text) && error.contains(QStringLiteral("未写入任何文件")),
             qPrintable(error));
    // Left as it was, and the other line's file not written either.
    QVERIFY(!S_ISREG(st.st_mode));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("example.cn.5.zone"))));
    QCOMPARE(
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
        2);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept\n"));
}

void TestZoneFile::targetsWithoutFinalDot_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("warning"); // empty: none

    QTest::newRow("other domain") << QByteArray("www IN CNAME cdn.example.net\n")
                                  << QStringLiteral("第1行：目标cdn.example.net没有结尾的点，"
                                                    "按相对名称补全为cdn.example.net.example.cn");
    QTest::newRow("own domain twice") << QByteArray("www IN CNAME web.example.cn\n")
                                      << QStringLiteral("web.example.cn.example.cn");
    QTest::newRow("MX over two lines")
        << QByteArray("\n@ IN MX ( 10\n  mail.example.com ) ; mail\n")
        << QStringLiteral("第2行：目标mail.example.com没有");
    QTest::newRow("one label") << QByteArray("shop IN CNAME www\n") << QString();
    QTest::newRow("relative within the zone") << QByteArray("sub IN NS ns1.sub\n") << QString();
    QTest::newRow("absolute") << QByteArray("www IN CNAME cdn.example.net.\n") << QString();
}

void TestZoneFile::targetsWithoutFinalDot()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, warning);
    const ZoneFile f = parseZoneText(text, QStringLiteral("example.cn"));
    QVERIFY(f.errors.isEmpty());
    const QStringList warnings =
        warningsOf(planZoneImport(f, QStringLiteral("example.cn"), {}, 0, false));
    if (warning.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().contains(warning), qPrintable(warnings.first()));
    }
}

QTEST_GUILESS_MAIN(TestZoneFile)
#include "tst_zonefile.moc"
