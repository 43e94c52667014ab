#include "client/LineSubnets.h"

#include <QtTest>

using Subnets = QMap<int, QStringList>;
Q_DECLARE_METATYPE(Subnets)

// The line -> subnet table's text form, shared by the stand-in and the client: what is read,
// what is refused (with its line), and that writing and reading again keeps the table.
class TestLineSubnets : public QObject
{
    Q_OBJECT
private slots:
    void reads_data();
    void reads();
    void refuses_data();
    void refuses();
    void writtenTableReadsBack();
};

void TestLineSubnets::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Subnets>("expected");
    QTest::newRow("comments and blank lines")
        << QByteArray("# the carriers\n\n286736640 10.1.0.0/16  # 电信\n   \n")
        << Subnets{{286736640, {QStringLiteral("10.1.0.0/16")}}};
    QTest::newRow("several subnets, tabs, CRLF")
        << QByteArray("286736896\t10.2.0.0/16 192.0.2.0/24\r\n")
        << Subnets{{286736896, {QStringLiteral("10.2.0.0/16"), QStringLiteral("192.0.2.0/24")}}};
    QTest::newRow("a line on two lines adds up, repeats once")
        << QByteArray("5 10.5.0.0/16\n5 10.6.0.0/16 10.5.0.0/16\n")
        << Subnets{{5, {QStringLiteral("10.5.0.0/16"), QStringLiteral("10.6.0.0/16")}}};
    QTest::newRow("host bits cleared, IPv6")
        << QByteArray("7 10.7.3.9/16 2001:DB8::1/32\n")
        << Subnets{{7, {QStringLiteral("10.7.0.0/16"), QStringLiteral("2001:db8::/32")}}};
    QTest::newRow("empty text: no line has subnets") << QByteArray() << Subnets{};
}

void TestLineSubnets::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(Subnets, expected);
    LineSubnets table;
    QString error;
    QVERIFY2(parseLineSubnets(text, &table, &error), qPrintable(error));
    QCOMPARE(table.subnets, expected);
}

void TestLineSubnets::refuses_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("line id not a number")
        << QByteArray("1 10.0.0.0/8\ntelecom 10.1.0.0/16\n") << QStringLiteral("第2行");
    QTest::newRow("negative line id") << QByteArray("-1 10.0.0.0/8\n") << QStringLiteral("第1行");
    QTest::newRow("line without subnet") << QByteArray("\n\n3\n") << QStringLiteral("第3行");
    QTest::newRow("address without prefix")
        << QByteArray("3 10.0.0.1\n") << QStringLiteral("10.0.0.1");
    QTest::newRow("prefix too long")
        << QByteArray("3 10.0.0.0/33\n") << QStringLiteral("10.0.0.0/33");
    QTest::newRow("not an address")
        << QByteArray("3 example.com/8\n") << QStringLiteral("example.com/8");
    QTest::newRow("too large") << QByteArray(kMaxLineSubnetsBytes + 1, '#')
                               << QString::number(kMaxLineSubnetsBytes);
}

void TestLineSubnets::refuses()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    LineSubnets table;
    table.subnets.insert(1, {QStringLiteral("10.0.0.0/8")});
    const LineSubnets before = table;
    QString problem;
    QVERIFY(!parseLineSubnets(text, &table, &problem));
    QVERIFY2(problem.contains(error), qPrintable(problem));
    QCOMPARE(table.subnets, before.subnets);
}

void TestLineSubnets::writtenTableReadsBack()
{
    LineSubnets table;
    table.subnets.insert(0, {QStringLiteral("0.0.0.0/0")});
    table.subnets.insert(286736708,
                         {QStringLiteral("10.1.19.0/24"), QStringLiteral("2001:db8:1::/48")});
    const QByteArray text = formatLineSubnets(table, QStringLiteral("两行\n说明"));
    QVERIFY(text.startsWith("# 两行\n# 说明\n"));
    LineSubnets read;
    QString error;
    QVERIFY2(parseLineSubnets(text, &read, &error), qPrintable(error));
    QCOMPARE(read.subnets, table.subnets);
}

QTEST_GUILESS_MAIN(TestLineSubnets)
#include "tst_linesubnets.moc"
