#include "manage/messages/MessageRows.h"
#include "manage/settings/VersionCheck.h"

#include <QtTest>

#include <cmath>

// What the message centre's rows show and what the version check decides, without a window.
class TestMessageLogic : public QObject
{
    Q_OBJECT
private slots:
    void listedMessagesKeepOrderAndHandles();
    void markReadInListCountsUnread();
    void rowLooks();
    void pageTexts();

    void versionStanding_data();
    void versionStanding();
    void downloadAddress_data();
    void downloadAddress();
};

namespace {

DMsg message(int id, DMsgState state)
{
    DMsg m;
    m.id = id;
    m.state = state;
    m.type = DMsgInform;
    m.title = QStringLiteral("m%1").arg(id);
    return m;
}

} // namespace

void TestMessageLogic::listedMessagesKeepOrderAndHandles()
{
    DMsgList list;
    list.append(message(1, DMsgUnread));
    list.append(message(2, DMsgRead));
    list.append(message(3, DMsgUnread));

    const QList<QSharedPointer<DMsg>> all = listedMessages(list, false);
    QCOMPARE(all.size(), 3);
    QCOMPARE(all.at(1), list.shared(1));
    const QList<QSharedPointer<DMsg>> unread = listedMessages(list, true);
    QCOMPARE(unread.size(), 2);
    QCOMPARE(unread.at(0)->id, 1);
    QCOMPARE(unread.at(1)->id, 3);

    // A row's handle outlives a reload of the list.
    list.clear();
    QCOMPARE(unread.at(1)->title, QStringLiteral("m3"));
}

void TestMessageLogic::markReadInListCountsUnread()
{
    DMsgList list;
    list.append(message(4, DMsgUnread));
    list.append(message(5, DMsgRead));
    QCOMPARE(markReadInList(list, 4), 1);
    QCOMPARE(list.at(0).state, DMsgRead);
    QCOMPARE(markReadInList(list, 5), 0);
    QCOMPARE(markReadInList(list, 99), 0);
}

void TestMessageLogic::rowLooks()
{
    QVERIFY(messageTitleStyle(DMsgUnread).endsWith(QLatin1String("font-weight:bold;color:#000;")));
    QVERIFY(!messageTitleStyle(DMsgRead).contains(QLatin1String("bold")));
    QVERIFY(!messageTitleStyle(DMsgDeleted).contains(QLatin1String("bold")));

    const QDateTime t(QDate(2024, 3, 5), QTime(7, 9, 30));
    QCOMPARE(messageRowTime(t), QStringLiteral("2024/03/05 07:09 "));
    QCOMPARE(messageDetailTime(t), QStringLiteral("2024/03/05 07:09"));
}

void TestMessageLogic::pageTexts()
{
    QCOMPARE(deleteQuestion(3), QStringLiteral("确定要删除 3 条消息吗?"));
    QCOMPARE(refreshedToast(12), QStringLiteral("已刷新12条消息"));
    QCOMPARE(noMessageTickedText(), QStringLiteral("请勾选欲操作的消息"));
}

void TestMessageLogic::versionStanding_data()
{
    QTest::addColumn<double>("latest");
    QTest::addColumn<int>("standing");
    QTest::addColumn<QString>("text");
    const QString upToDate = QStringLiteral("当前已是最新版本");
    QTest::newRow("same") << 1.31 << int(VersionStanding::Same) << upToDate + QStringLiteral("。");
    QTest::newRow("older on the service")
        << QStringLiteral("1.30").toDouble() << int(VersionStanding::Newer) << upToDate;
    QTest::newRow("newer on the service")
        << 1.4 << int(VersionStanding::Behind)
        << QStringLiteral("本地版本是 1.31，最新版本是 1.4，是否前往下载更新？");
    QTest::newRow("not a number") << std::nan("") << int(VersionStanding::Behind)
                                  << QStringLiteral(
                                         "本地版本是 1.31，最新版本是 nan，是否前往下载更新？");
}

void TestMessageLogic::versionStanding()
{
    QFETCH(double, latest);
    QFETCH(int, standing);
    QFETCH(QString, text);
    const VersionStanding s = compareVersions(1.31, latest);
    QCOMPARE(int(s), standing);
    QCOMPARE(s == VersionStanding::Behind ? updateQuestion(1.31, latest) : upToDateText(s), text);
}

void TestMessageLogic::downloadAddress_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expected");
    const QString web = QStringLiteral("https://www.example.com");
    QTest::newRow("host and path") << "dl.example.com/halvik.exe"
                                   << "http://dl.example.com/halvik.exe";
    QTest::newRow("empty: web base") << QString() << web;
    QTest::newRow("https") << "https://dl.example.com/a"
                           << "https://dl.example.com/a";
    QTest::newRow("http") << "http://dl.example.com/a"
                          << "http://dl.example.com/a";
}

void TestMessageLogic::downloadAddress()
{
    QFETCH(QString, url);
    QFETCH(QString, expected);
    QCOMPARE(::downloadAddress(url, QStringLiteral("https://www.example.com")), expected);
}

QTEST_APPLESS_MAIN(TestMessageLogic)
#include "tst_messagelogic.moc"
