#include "tests/support/ApiTestUtil.h"

#include <QtTest>

using namespace apitest;

namespace {

const QString kInform = QStringLiteral("/api/user/message/");
const QString kNews = QStringLiteral("/api/news/getmsg/");

// A page of account messages with ids first..first+count-1.
CannedReply informPage(int first, int count, int total, int pages, int state)
{
    QJsonArray entries;
    for (int id = first; id < first + count; ++id)
        entries.append(QJsonObject{{QStringLiteral("msgID"), id},
                                   {QStringLiteral("state"), state},
                                   {QStringLiteral("title"), QStringLiteral("m%1").arg(id)}});
    QJsonObject page{{QStringLiteral("recordCount"), total}, {QStringLiteral("data"), entries}};
    if (pages >= 0)
        page.insert(QStringLiteral("pageCount"), pages);
    return ok(page);
}

// A page of public notices: (id, publishDate) pairs.
CannedReply newsPage(const QList<QPair<int, int>> &items, int total, int pages)
{
    QJsonArray entries;
    for (const auto &item : items)
        entries.append(QJsonObject{{QStringLiteral("id"), item.first},
                                   {QStringLiteral("publishDate"), item.second}});
    return ok(QJsonObject{{QStringLiteral("recordCount"), total},
                          {QStringLiteral("pageCount"), pages},
                          {QStringLiteral("data"), entries}});
}

QList<int> ids(const DMsgList &list)
{
    QList<int> out;
    for (const DMsg &m : list)
        out.append(m.id);
    return out;
}

QStringList pagesAndStates(const TestHttpsServer &server, const QString &path)
{
    QStringList out;
    const QStringList pages = sentValues(server, path, "page");
    const QStringList states = sentValues(server, path, "state");
    for (int i = 0; i < pages.size(); ++i)
        out.append(states.at(i) + QLatin1Char(':') + pages.at(i));
    return out;
}

} // namespace

// Message operations against a real HTTPS server.
class TestMessageOps : public QObject
{
    Q_OBJECT
private slots:
    void informUnreadFirstOverPages();
    void pageLoop_data();
    void pageLoop();
    void newsNewestFirstAcrossPages();
    void failureShowsErrorAndKeepsWhatWasRead();
    void updateMsgSendsState();
    void detailRewritten();
    void detailWithoutObject();
};

void TestMessageOps::informUnreadFirstOverPages()
{
    TestHttpsServer server;
    server.setReplies(kInform, {informPage(1, 10, 25, 3, 0), informPage(11, 10, 25, 3, 0),
                                informPage(21, 5, 25, 3, 0), informPage(101, 3, 3, 1, 1)});
    User user;
    pointAt(user, server);
    user.msgsInform.append(DMsg{}); // stale, emptied first

    QCOMPARE(user.getMsg_inform(), 28);
    QCOMPARE(pagesAndStates(server, kInform), (QStringList{"0:1", "0:2", "0:3", "1:1"}));
    QCOMPARE(sentValues(server, kInform, "type"),
             (QStringList{"<none>", "<none>", "<none>", "<none>"}));
    QCOMPARE(sentValues(server, kInform, "pageSize"), (QStringList{"10", "10", "10", "10"}));
    QCOMPARE(user.msgsInform.size(), 28);
    QCOMPARE(user.msgsInform[0].id, 1);
    QCOMPARE(user.msgsInform[24].id, 25);
    QCOMPARE(user.msgsInform[24].state, DMsgUnread);
    QCOMPARE(user.msgsInform[25].id, 101);
    QCOMPARE(user.msgsInform[25].state, DMsgRead);
}

void TestMessageOps::pageLoop_data()
{
    QTest::addColumn<QList<CannedReply>>("pages");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("result");
    QTest::newRow("no pageCount: first page only")
        << QList<CannedReply>{informPage(1, 10, 30, -1, 0)} << 1 << 10;
    QTest::newRow("empty page does not stop while pages remain")
        << QList<CannedReply>{informPage(1, 10, 15, 3, 0), informPage(0, 0, 15, 3, 0),
                              informPage(11, 5, 15, 3, 0)}
        << 3 << 15;
    QTest::newRow("ends at the page count")
        << QList<CannedReply>{informPage(1, 10, 30, 2, 0), informPage(0, 0, 30, 2, 0)} << 2 << 10;
    QTest::newRow("totals kept from the first page")
        << QList<CannedReply>{informPage(1, 10, 20, 2, 0), informPage(11, 10, 99, 9, 0),
                              informPage(21, 10, 99, 9, 0)}
        << 2 << 20;
}

void TestMessageOps::pageLoop()
{
    QFETCH(QList<CannedReply>, pages);
    QFETCH(int, requests);
    QFETCH(int, result);
    TestHttpsServer server;
    server.setReplies(kInform, pages);
    User user;
    pointAt(user, server);
    QCOMPARE(user.getMsg(DMsgInform), result);
    QCOMPARE(server.requests().size(), requests);
    QCOMPARE(user.msgsInform.size(), result);
}

void TestMessageOps::newsNewestFirstAcrossPages()
{
    TestHttpsServer server;
    server.setReplies(kNews,
                      {newsPage({{1, 100}, {2, 300}}, 4, 2), newsPage({{3, 200}, {4, 400}}, 4, 2)});
    User user;
    pointAt(user, server);
    user.msgsPublic0.append(DMsg{});
    QCOMPARE(user.getMsg(DMsgPublic0), 4);
    QCOMPARE(ids(user.msgsPublic0), (QList<int>{4, 2, 3, 1}));
    QCOMPARE(sentValues(server, kNews, "type"), (QStringList{"0", "0"}));

    // The notice list keeps the service's order.
    server.setReplies(kNews, {newsPage({{1, 100}, {2, 300}}, 2, 1)});
    QCOMPARE(user.getMsg(DMsgPublic1), 2);
    QCOMPARE(ids(user.msgsPublic1), (QList<int>{1, 2}));
    QCOMPARE(sentValues(server, kNews, "type").last(), QStringLiteral("1"));
}

void TestMessageOps::failureShowsErrorAndKeepsWhatWasRead()
{
    TestHttpsServer server;
    server.setReplies(kNews,
                      {newsPage({{1, 100}}, 2, 2), refused(1, QStringLiteral("非法的API Key"))});
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    QCOMPARE(user.getMsg(DMsgPublic1), 1);
    QCOMPARE(user.msgsPublic1.size(), 1);
    QCOMPARE(boxes.contents(), QStringList{QStringLiteral("非法的API Key")});
    QCOMPARE(boxes.shown.first().buttonMode, 1);
    QVERIFY(boxes.shown.first().title.isEmpty());

    // A network failure: the request layer's box, then this one.
    server.setReplies(kNews, {broken()});
    boxes.shown.clear();
    QCOMPARE(user.getMsg(DMsgPublic1), 0);
    QCOMPARE(boxes.contents().size(), 2);
    QCOMPARE(boxes.contents().at(0), boxes.contents().at(1));
}

void TestMessageOps::updateMsgSendsState()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    QVERIFY(user.updateMsg(31, DMsgDeleted));
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.path, QStringLiteral("/api/user/setmsgstate/"));
    QCOMPARE(sent.form.value("msgID"), QStringLiteral("31"));
    QCOMPARE(sent.form.value("state"), QStringLiteral("2"));
}

void TestMessageOps::detailRewritten()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/news/detail/"),
                    ok(QJsonObject{{QStringLiteral("content"),
                                    QString::fromUtf8(R"(<img src="/i/a.png"><br class="x"/>)"
                                                      R"(<img src="/i/a.png">)")}}));
    User user;
    pointAt(user, server);
    DMsg m;
    m.id = 12;
    const QString expected =
        QString::fromUtf8(R"(<img src="%1//i/a.png"><br /><img src="%1//i/a.png">)")
            .arg(server.baseUrl());
    QCOMPARE(user.getDetail(&m), expected);
    QCOMPARE(server.requests().value(0).form.value("newsID"), QStringLiteral("12"));
    QVERIFY(m.content.isEmpty());
}

void TestMessageOps::detailWithoutObject()
{
    TestHttpsServer server;
    server.setReplies(QStringLiteral("/api/news/detail/"),
                      {ok(QJsonArray{1}), refused(2, QString())});
    User user;
    pointAt(user, server);
    DMsg m;
    QCOMPARE(user.getDetail(&m), QString());
    QVERIFY(user.errorText.isEmpty());
    QCOMPARE(user.getDetail(&m), QString());
    QCOMPARE(user.errorText, QStringLiteral("服务器返回错误,请检查网络. 错误码:c2"));
}

QTEST_GUILESS_MAIN(TestMessageOps)
#include "tst_messageops.moc"
