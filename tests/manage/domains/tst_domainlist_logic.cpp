#include "manage/domains/DomainListLogic.h"
#include "manage/groups/GroupEditorLogic.h"

#include <QtTest>

namespace {

Domain domain(const QString &name, int groupId, int state = 0, int userLock = 0)
{
    Domain dm;
    dm.name = name;
    dm.groupID = groupId;
    dm.state = state;
    dm.userLock = userLock;
    return dm;
}

} // namespace

// What the domain list and the group editor decide without a window.
class TestDomainListLogic : public QObject
{
    Q_OBJECT
private slots:
    void buttonLooks_data();
    void buttonLooks();
    void matchesCountGroupAndCaseSensitiveText();
    void title();
    void growth_data();
    void growth();
    void resultLines();
    void bulkReport_data();
    void bulkReport();
    void groupNameLimit_data();
    void groupNameLimit();
    void nextOrder_data();
    void nextOrder();
};

void TestDomainListLogic::buttonLooks_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("userLock");
    QTest::addColumn<QString>("lockTip");
    QTest::addColumn<QString>("lockIcon");
    QTest::addColumn<QString>("pauseTip");
    QTest::addColumn<QString>("pauseIcon");
    QTest::newRow("running, unlocked") << 0 << 0 << " 点击锁定"
                                       << "jiesuo.png"
                                       << " 点击暂停"
                                       << "qiyong.png";
    QTest::newRow("paused, locked") << 1 << 1 << " 点击解锁"
                                    << "suoding.png"
                                    << " 点击启用"
                                    << "zanting.png";
    // Any non-zero value counts.
    QTest::newRow("state 2, lock 7") << 2 << 7 << " 点击解锁"
                                     << "suoding.png"
                                     << " 点击启用"
                                     << "zanting.png";
}

void TestDomainListLogic::buttonLooks()
{
    QFETCH(int, state);
    QFETCH(int, userLock);
    QFETCH(QString, lockTip);
    QFETCH(QString, lockIcon);
    QFETCH(QString, pauseTip);
    QFETCH(QString, pauseIcon);
    const Domain dm = domain(QStringLiteral("a.com"), 0, state, userLock);
    QCOMPARE(lockButtonLook(dm).toolTip, lockTip);
    QCOMPARE(lockButtonLook(dm).icon, lockIcon);
    QCOMPARE(pauseButtonLook(dm).toolTip, pauseTip);
    QCOMPARE(pauseButtonLook(dm).icon, pauseIcon);
    QCOMPARE(deleteButtonLook().toolTip, QStringLiteral(" 点击删除"));
    QCOMPARE(deleteButtonLook().icon, QStringLiteral("shanchu.png"));
}

void TestDomainListLogic::matchesCountGroupAndCaseSensitiveText()
{
    DomainList list;
    list.append(domain(QStringLiteral("Shop.com"), 1));
    list.append(domain(QStringLiteral("shop.net"), 1));
    list.append(domain(QStringLiteral("shop.org"), 2));
    list.append(domain(QStringLiteral("blog.cn"), 0));

    QCOMPARE(countMatches(list, 0, QString()), 4);
    QCOMPARE(countMatches(list, 1, QString()), 2);
    QCOMPARE(countMatches(list, 0, QStringLiteral("shop")), 2);
    QCOMPARE(countMatches(list, 1, QStringLiteral("shop")), 1);
    QCOMPARE(countMatches(list, 1, QStringLiteral("Shop")), 1);
    QCOMPARE(countMatches(list, 2, QStringLiteral("SHOP")), 0);
    QVERIFY(anyMatch(list, 2, QString()));
    QVERIFY(!anyMatch(list, 2, QStringLiteral("blog")));
    QVERIFY(!anyMatch(list, 3, QString()));
    QVERIFY(!anyMatch(DomainList(), 0, QString()));

    list[2].id = 42;
    QCOMPARE(domainIndexById(list, 42), 2);
    QCOMPARE(domainIndexById(list, 43), -1);
}

void TestDomainListLogic::title()
{
    QCOMPARE(domainListTitle(QString(), 120), QStringLiteral("全部域名(120)"));
    QCOMPARE(domainListTitle(QStringLiteral("电商站点"), 40), QStringLiteral("电商站点(40)"));
}

void TestDomainListLogic::growth_data()
{
    // Scroll bar in rows: maximum + page step is the number of rows shown.
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("pageStep");
    QTest::addColumn<int>("matchCount");
    QTest::addColumn<bool>("grows");
    QTest::addColumn<int>("target");
    QTest::newRow("at the end") << 21 << 21 << 10 << 120 << true << 46;
    QTest::newRow("nine from the end") << 21 << 12 << 10 << 120 << true << 46;
    QTest::newRow("ten from the end") << 21 << 11 << 10 << 120 << false << 46;
    QTest::newRow("every match shown") << 21 << 21 << 10 << 31 << false << 46;
    QTest::newRow("last one missing") << 21 << 21 << 10 << 32 << true << 46;
    QTest::newRow("fill reached the end") << 21 << 21 << 10 << 0 << false << 46;
    // A window taller than 25 rows: maximum + 25 would be fewer rows than shown.
    QTest::newRow("tall window") << 1 << 1 << 30 << 120 << true << 61;
}

void TestDomainListLogic::growth()
{
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(int, pageStep);
    QFETCH(int, matchCount);
    QFETCH(bool, grows);
    QFETCH(int, target);
    QCOMPARE(shouldGrowTable(maximum, value, pageStep, matchCount), grows);
    const int rows = maximum + pageStep;
    QCOMPARE(growthTarget(maximum, pageStep, rows), target);
    QVERIFY(growthTarget(maximum, pageStep, rows) > rows);
}

void TestDomainListLogic::resultLines()
{
    const QString name = QStringLiteral("a.com");
    const QString error = QStringLiteral("该域名处于锁定状态");
    QCOMPARE(pauseSuccessLine(name, true), QStringLiteral("a.com 暂停成功"));
    QCOMPARE(pauseSuccessLine(name, false), QStringLiteral("a.com 启用成功"));
    QCOMPARE(pauseFailureLine(name, false, error), QStringLiteral("a.com : 该域名处于锁定状态"));
    QCOMPARE(pauseFailureLine(name, true, error),
             QStringLiteral("a.com : 域名锁定中 该域名处于锁定状态"));
    QCOMPARE(lockFailureLine(name, error), QStringLiteral("a.com 该域名处于锁定状态"));
    QCOMPARE(moveSuccessLine(name), QStringLiteral("a.com 操作成功"));
    QCOMPARE(moveFailureLine(name, error), QStringLiteral("a.com : 该域名处于锁定状态"));
    QCOMPARE(bulkFailureBoxText({QStringLiteral("a.com : x"), QStringLiteral("b.com : y")}),
             QStringLiteral("以下域名操作失败：\na.com : x\nb.com : y"));
}

void TestDomainListLogic::bulkReport_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("report");
    QTest::newRow("none") << 0 << int(BulkReport::Toast);
    QTest::newRow("one") << 1 << int(BulkReport::MessageBox);
    QTest::newRow("five") << 5 << int(BulkReport::MessageBox);
    QTest::newRow("six") << 6 << int(BulkReport::ResultPage);
}

void TestDomainListLogic::bulkReport()
{
    QFETCH(int, failures);
    QFETCH(int, report);
    QCOMPARE(int(bulkReportFor(failures)), report);
}

void TestDomainListLogic::groupNameLimit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("9 letters") << QStringLiteral("abcdefghi") << false;
    QTest::newRow("10 letters") << QStringLiteral("abcdefghij") << true;
    QTest::newRow("9 Chinese characters") << QStringLiteral("一二三四五六七八九") << false;
    QTest::newRow("10 Chinese characters") << QStringLiteral("一二三四五六七八九十") << true;
}

void TestDomainListLogic::groupNameLimit()
{
    QFETCH(QString, name);
    QFETCH(bool, tooLong);
    QCOMPARE(groupNameTooLong(name), tooLong);
}

void TestDomainListLogic::nextOrder_data()
{
    QTest::addColumn<QList<int>>("orders");
    QTest::addColumn<int>("next");
    QTest::newRow("no group") << QList<int>() << 0;
    QTest::newRow("1, 5, 3") << QList<int>{1, 5, 3} << 6;
    QTest::newRow("all 0") << QList<int>{0, 0} << 1;
    QTest::newRow("negative") << QList<int>{-4} << -3;
}

void TestDomainListLogic::nextOrder()
{
    QFETCH(QList<int>, orders);
    QFETCH(int, next);
    GroupList groups;
    for (int order : orders)
        groups.append(Group{0, order, QStringLiteral("g")});
    QCOMPARE(nextGroupOrder(groups), next);
}

QTEST_APPLESS_MAIN(TestDomainListLogic)
#include "tst_domainlist_logic.moc"
