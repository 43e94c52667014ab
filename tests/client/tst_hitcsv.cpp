#include "client/copy/HitCsv.h"

#include <QtTest>

// Search hits written as CSV: fields a spreadsheet would split, join or run as a formula, and
// the whole file as a spreadsheet opens it.
class TestHitCsv : public QObject
{
    Q_OBJECT
private slots:
    void field_data();
    void field();
    void wholeFile();
};

void TestHitCsv::field_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");
    QTest::newRow("plain") << QStringLiteral("203.0.113.10") << QStringLiteral("203.0.113.10");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("chinese") << QStringLiteral("广东电信") << QStringLiteral("广东电信");
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("quotes") << QStringLiteral("v=\"x\" y") << QStringLiteral("\"v=\"\"x\"\" y\"");
    QTest::newRow("newline") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
    QTest::newRow("carriage return inside")
        << QStringLiteral("a\r\nb") << QStringLiteral("\"a\r\nb\"");
    QTest::newRow("equals") << QStringLiteral("=1+2") << QStringLiteral("'=1+2");
    QTest::newRow("plus") << QStringLiteral("+86 10") << QStringLiteral("'+86 10");
    QTest::newRow("minus") << QStringLiteral("-all") << QStringLiteral("'-all");
    QTest::newRow("at") << QStringLiteral("@SUM(A1)") << QStringLiteral("'@SUM(A1)");
    QTest::newRow("tab") << QStringLiteral("\t=1") << QStringLiteral("'\t=1");
    QTest::newRow("leading carriage return")
        << QStringLiteral("\r=1") << QStringLiteral("\"'\r=1\"");
    // A formula that also needs quoting: neutralised inside the quotes.
    QTest::newRow("formula with comma")
        << QStringLiteral("=HYPERLINK(\"http://x\",\"y\")")
        << QStringLiteral("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
    // Only the first character counts: an SPF text keeps its own "-all".
    QTest::newRow("minus later") << QStringLiteral("v=spf1 -all") << QStringLiteral("v=spf1 -all");
    QTest::newRow("host @") << QStringLiteral("@") << QStringLiteral("'@");
}

void TestHitCsv::field()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(csvField(text), field);
}

void TestHitCsv::wholeFile()
{
    CopyHit mx;
    mx.domain = QStringLiteral("halvik-demo.com");
    mx.host = QStringLiteral("@");
    mx.type = QStringLiteral("MX");
    mx.value = QStringLiteral("mx1.halvik-demo.com");
    mx.lineName = QStringLiteral("电信");
    mx.mx = 10;
    mx.ttl = 600;
    mx.fetched = QDateTime(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
    CopyHit txt;
    txt.domain = QStringLiteral("a.com");
    txt.host = QStringLiteral("www");
    txt.type = QStringLiteral("TXT");
    txt.value = QStringLiteral("say \"hi\", then\nleave");
    txt.lineName = QStringLiteral("默认");
    txt.ttl = 3600;
    txt.state = 1;

    const QByteArray csv = searchHitsCsv({mx, txt});
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(csv.mid(3)),
             QStringLiteral("域名,主机记录,类型,线路,记录值,MX,TTL,状态,副本时间\r\n"
                            "halvik-demo.com,'@,MX,电信,mx1.halvik-demo.com,10,600,正常,"
                            "2026-05-01T12:00:00Z\r\n"
                            "a.com,www,TXT,默认,\"say \"\"hi\"\", then\nleave\",,3600,暂停,\r\n"));
    // No hits: the title row alone.
    QCOMPARE(searchHitsCsv({}).count("\r\n"), 1);
}

QTEST_APPLESS_MAIN(TestHitCsv)
#include "tst_hitcsv.moc"
