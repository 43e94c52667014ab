#include "client/LineTable.h"
#include "client/ResultMessages.h"

#include <QtTest>

// The built-in tables: complete, and spot checks at the ends of every range, where a slip in
// a code or a line id scheme shows first.
class TestTables : public QObject
{
    Q_OBJECT
private slots:
    void sizes();
    void resultMessages_data();
    void resultMessages();
    void viewNames_data();
    void viewNames();
};

void TestTables::sizes()
{
    QCOMPARE(buildResultMessages().size(), 87);
    QCOMPARE(buildViewNames().size(), 85);
    QCOMPARE(lineCategoryNameList().size(), lineCategoryIdList().size());
}

void TestTables::resultMessages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << QStringLiteral("成功");
    QTest::newRow("1") << 1 << QStringLiteral("非法的API Key");
    QTest::newRow("1007") << 1007 << QStringLiteral("您的账户未开启API Key, API接口无法使用");
    QTest::newRow("2001") << 2001 << QStringLiteral("您已经添加过该域名");
    QTest::newRow("3006") << 3006 << QStringLiteral("您的服务只支持%d级解析");
    QTest::newRow("3013") << 3013 << QStringLiteral("IP格式有误");
    QTest::newRow("4011") << 4011 << QStringLiteral("提交订单失败");
    QTest::newRow("5001") << 5001 << QStringLiteral("请稍后提交");
    QTest::newRow("6005") << 6005 << QStringLiteral("该奖品库存为0");
    QTest::newRow("9004") << 9004 << QStringLiteral("非常抱歉，APP暂时无法使用");
    QTest::newRow("-1") << -1 << QStringLiteral("API接口关闭");
}

void TestTables::resultMessages()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(buildResultMessages().value(code), text);
}

void TestTables::viewNames_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("default") << 0 << QStringLiteral("默认");
    QTest::newRow("carrier 1") << 0x11174100 << QStringLiteral("电信");
    QTest::newRow("carrier 1, first province") << 0x11174111 << QStringLiteral("北京电信");
    QTest::newRow("carrier 2, last province") << 0x11174265 << QStringLiteral("新疆联通");
    QTest::newRow("carrier 6") << 0x11174600 << QStringLiteral("鹏博士");
    QTest::newRow("overseas") << 0x20000000 << QStringLiteral("国外");
    QTest::newRow("last region") << 0x26000000 << QStringLiteral("大洋洲");
    QTest::newRow("first crawler") << 0x30000090 << QStringLiteral("SEO-百度");
    QTest::newRow("last crawler") << 0x30000097 << QStringLiteral("SEO-有道");
}

void TestTables::viewNames()
{
    QFETCH(int, id);
    QFETCH(QString, name);
    QCOMPARE(buildViewNames().value(id), name);
}

QTEST_GUILESS_MAIN(TestTables)
#include "tst_tables.moc"
