#include "tests/support/ApiTestUtil.h"

#include <QtTest>

using namespace apitest;

namespace {

const QString kList = QStringLiteral("/api/domain/list/");
const QString kViews = QStringLiteral("/api/service/allviews/");

// Page of domains "d<first>.cn" ... with ids first..first+count-1.
CannedReply domainPage(int total, int first, int count, const QString &viewType = QString())
{
    QJsonArray entries;
    for (int id = first; id < first + count; ++id) {
        QJsonObject o{{QStringLiteral("domains"), QStringLiteral("d%1.cn").arg(id)},
                      {QStringLiteral("domainsID"), id}};
        if (!viewType.isEmpty())
            o.insert(QStringLiteral("view_type"), viewType);
        entries.append(o);
    }
    return ok(
        QJsonObject{{QStringLiteral("recordCount"), total}, {QStringLiteral("data"), entries}});
}

CannedReply lineList()
{
    const QJsonObject one{{QStringLiteral("viewID"), 0},
                          {QStringLiteral("areaType"), 1},
                          {QStringLiteral("viewName"), QStringLiteral("默认")}};
    const QJsonObject two{{QStringLiteral("viewID"), 286736640},
                          {QStringLiteral("areaType"), 2},
                          {QStringLiteral("viewName"), QStringLiteral("电信")}};
    return ok(QJsonObject{{QStringLiteral("1"), one}, {QStringLiteral("2"), two}});
}

} // namespace

// Domain and group operations against a real HTTPS server.
class TestDomainOps : public QObject
{
    Q_OBJECT
private slots:
    void paging_data();
    void paging();
    void firstPageFailureKeepsList();
    void domainsTakeTheirPackageLines();
    void unreachableLineListAskedOncePerCall();
    void addDomainTrimsAndSkips_data();
    void addDomainTrimsAndSkips();
    void delDomainS_data();
    void delDomainS();
    void singleDomainOperations_data();
    void singleDomainOperations();
    void groups();
    void groupFailureKeepsList();
    void groupChanges();
    void moveIsQuiet();
    void lookupsByName();
};

void TestDomainOps::paging_data()
{
    QTest::addColumn<QList<CannedReply>>("pages");
    QTest::addColumn<QStringList>("pagesAsked"); // "page" of each request, "<none>" for absent
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("result");
    // The page asked for ahead while the last one was parsed, seen or not as the dropped
    // request was cut off; empty when none may be.
    QTest::addColumn<QString>("ahead");

    QTest::newRow("120 domains") << QList<CannedReply>{domainPage(120, 1, 50),
                                                       domainPage(120, 51, 50),
                                                       domainPage(120, 101, 20)}
                                 << QStringList{"<none>", "2", "3"} << 120 << 120 << QString();
    QTest::newRow("exactly 50") << QList<CannedReply>{domainPage(50, 1, 50)}
                                << QStringList{"<none>"} << 50 << 50 << QString();
    QTest::newRow("page 2 of 3 fails") << QList<CannedReply>{domainPage(150, 1, 50), broken()}
                                       << QStringList{"<none>", "2"} << 50 << 150 << "3";
    QTest::newRow("page 2 refused") << QList<CannedReply>{domainPage(150, 1, 50), refused(2005)}
                                    << QStringList{"<none>", "2"} << 50 << 150 << "3";
    QTest::newRow("empty page before the total ends the loop")
        << QList<CannedReply>{domainPage(120, 1, 50), domainPage(120, 0, 0)}
        << QStringList{"<none>", "2"} << 50 << 120 << "3";
    QTest::newRow("empty first page") << QList<CannedReply>{domainPage(120, 0, 0)}
                                      << QStringList{"<none>"} << 0 << 120 << QString();
    QTest::newRow("no domains") << QList<CannedReply>{domainPage(0, 0, 0)} << QStringList{"<none>"}
                                << 0 << 0 << QString();
    QTest::newRow("short page asks by count read")
        << QList<CannedReply>{domainPage(80, 1, 30), domainPage(80, 31, 50)}
        << QStringList{"<none>", "1"} << 80 << 80 << QString();
}

void TestDomainOps::paging()
{
    QFETCH(QList<CannedReply>, pages);
    QFETCH(QStringList, pagesAsked);
    QFETCH(int, listed);
    QFETCH(int, result);
    QFETCH(QString, ahead);

    TestHttpsServer server;
    server.setReplies(kList, pages);
    server.setReply(kViews, lineList());
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    user.domains.append(Domain{}); // a stale entry, replaced by the fetch

    QCOMPARE(user.getDomain(), result);
    const QStringList asked = sentValues(server, kList, "page");
    if (ahead.isEmpty() || asked != pagesAsked + QStringList{ahead})
        QCOMPARE(asked, pagesAsked);
    for (const QString &size : sentValues(server, kList, "pageSize"))
        QCOMPARE(size, QStringLiteral("50"));
    QCOMPARE(user.domains.size(), listed);
    for (int i = 0; i < listed; ++i)
        QCOMPARE(user.domains[i].id, i + 1); // server order
}

void TestDomainOps::firstPageFailureKeepsList()
{
    TestHttpsServer server;
    server.setReply(kList, refused(1, QStringLiteral("非法的API Key")));
    User user;
    pointAt(user, server);
    user.domains.append(Domain{});
    user.domains.first().name = QStringLiteral("kept.cn");
    QCOMPARE(user.getDomain(), 0);
    QCOMPARE(user.domains.size(), 1);
    QCOMPARE(user.domains.first().name, QStringLiteral("kept.cn"));
    QCOMPARE(user.errorText, QStringLiteral("非法的API Key"));
}

void TestDomainOps::domainsTakeTheirPackageLines()
{
    TestHttpsServer server;
    CannedReply mixed = domainPage(2, 1, 1, QStringLiteral("1,2"));
    mixed.body.replace("]", R"(,{"domains":"plain.cn","domainsID":2}])");
    server.setReply(kList, mixed);
    server.setReply(kViews, lineList());
    User user;
    pointAt(user, server);

    QCOMPARE(user.getDomain(), 2);
    QCOMPARE(user.domains[0].views.size(), 2);
    QCOMPARE(user.domains[0].views.at(1).viewName, QStringLiteral("电信"));
    QCOMPARE(user.domains[1].viewType, QStringLiteral("1"));
    QCOMPARE(user.domains[1].views.size(), 1);
    QCOMPARE(user.domains[1].views.at(0).viewName, QStringLiteral("默认"));

    // The line list is read once per process.
    QCOMPARE(user.getDomain(), 2);
    QCOMPARE(server.requestedPaths().count(kViews), 1);
}

void TestDomainOps::unreachableLineListAskedOncePerCall()
{
    TestHttpsServer server;
    server.setReply(kList, domainPage(3, 1, 3));
    server.setReply(kViews, broken());
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;

    QCOMPARE(user.getDomain(), 3);
    QCOMPARE(user.domains.size(), 3);
    QVERIFY(user.domains[2].views.isEmpty());
    QCOMPARE(server.requestedPaths().count(kViews), 1);
    QCOMPARE(boxes.contents().size(), 1);
}

void TestDomainOps::addDomainTrimsAndSkips_data()
{
    QTest::addColumn<QList<CannedReply>>("replies");
    QTest::addColumn<bool>("result");
    QTest::newRow("both added") << QList<CannedReply>{ok()} << true;
    QTest::newRow("first refused, second added") << QList<CannedReply>{refused(2001), ok()} << true;
    QTest::newRow("both refused") << QList<CannedReply>{refused(2001)} << false;
}

void TestDomainOps::addDomainTrimsAndSkips()
{
    QFETCH(QList<CannedReply>, replies);
    QFETCH(bool, result);
    TestHttpsServer server;
    server.setReplies(QStringLiteral("/api/domain/create/"), replies);
    User user;
    pointAt(user, server);

    QCOMPARE(user.addDomain(QStringLiteral("a.cn\n\n \t\n  b.cn \r\n")), result);
    const QList<CapturedRequest> sent = server.requests();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).form.value("domain"), QStringLiteral("a.cn"));
    QCOMPARE(sent.at(1).form.value("domain"), QStringLiteral("b.cn"));
    QCOMPARE(sent.at(1).form.value("serviceID"), QStringLiteral("1000"));
    QCOMPARE(sent.at(1).form.value("months"), QStringLiteral("1"));
}

void TestDomainOps::delDomainS_data()
{
    QTest::addColumn<QString>("ids");
    QTest::addColumn<QList<CannedReply>>("replies");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<bool>("result");
    QTest::newRow("junk skipped, one fails")
        << QStringLiteral("12,,x,0,34,-1") << QList<CannedReply>{ok(), refused(2008)}
        << QStringList{"12", "34"} << QStringList{"34"} << true;
    QTest::newRow("empty text") << QString() << QList<CannedReply>{ok()} << QStringList{}
                                << QStringList{} << false;
    QTest::newRow("all fail") << QStringLiteral("5,6") << QList<CannedReply>{broken()}
                              << QStringList{"5", "6"} << QStringList{"5", "6"} << false;
}

void TestDomainOps::delDomainS()
{
    QFETCH(QString, ids);
    QFETCH(QList<CannedReply>, replies);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, failed);
    QFETCH(bool, result);
    TestHttpsServer server;
    const QString path = QStringLiteral("/api/domain/remove/");
    server.setReplies(path, replies);
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;

    QStringList errlist{QStringLiteral("earlier")};
    QCOMPARE(user.delDomainS(ids, errlist), result);
    QCOMPARE(sentValues(server, path, "domain"), sent);
    QCOMPARE(errlist, QStringList{QStringLiteral("earlier")} + failed);
}

void TestDomainOps::singleDomainOperations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("path");
    QTest::newRow("lock") << QStringLiteral("lock") << QStringLiteral("/api/domain/lock/");
    QTest::newRow("unlock") << QStringLiteral("unlock") << QStringLiteral("/api/domain/unlock/");
    QTest::newRow("pause") << QStringLiteral("pause") << QStringLiteral("/api/domain/pause/");
    QTest::newRow("start") << QStringLiteral("start") << QStringLiteral("/api/domain/start/");
    QTest::newRow("delete") << QStringLiteral("delete") << QStringLiteral("/api/domain/remove/");
}

void TestDomainOps::singleDomainOperations()
{
    QFETCH(QString, operation);
    QFETCH(QString, path);
    TestHttpsServer server;
    server.setReply(path, refused(2010, QStringLiteral("该域名处于锁定状态")));
    User user;
    pointAt(user, server);
    const QMap<QString, bool (User::*)(int)> ops{{QStringLiteral("lock"), &User::lockDomain},
                                                 {QStringLiteral("unlock"), &User::unlockDomain},
                                                 {QStringLiteral("pause"), &User::pauseDomain},
                                                 {QStringLiteral("start"), &User::startDomain},
                                                 {QStringLiteral("delete"), &User::delDomain}};
    QVERIFY(!(user.*ops.value(operation))(7));
    QCOMPARE(user.errorText, QStringLiteral("该域名处于锁定状态"));
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.path, path);
    QCOMPARE(sent.form.value("domain"), QStringLiteral("7"));
    QVERIFY(!sent.form.contains("domainID"));
}

void TestDomainOps::groups()
{
    TestHttpsServer server;
    server.setReply(
        QStringLiteral("/api/domain/getgrouplist/"),
        ok(QJsonArray{QJsonObject{{QStringLiteral("groupID"), 3},
                                  {QStringLiteral("displayOrder"), "2"},
                                  {QStringLiteral("groupName"), QStringLiteral("工作")}},
                      QJsonObject{{QStringLiteral("groupID"), 4}}}));
    User user;
    pointAt(user, server);
    QCOMPARE(user.getGroup(), 2);
    QCOMPARE(user.groups[0].groupID, 3);
    QCOMPARE(user.groups[0].displayOrder, 2);
    QCOMPARE(user.groups[0].groupName, QStringLiteral("工作"));
    QCOMPARE(user.groups[1].groupName, QString());
    QCOMPARE(user.groupIDtoName(3), QStringLiteral("工作"));
    QCOMPARE(user.groupIDtoName(99), QString());
}

void TestDomainOps::groupFailureKeepsList()
{
    TestHttpsServer server;
    server.setReplies(QStringLiteral("/api/domain/getgrouplist/"),
                      {refused(1), ok(QJsonObject{{QStringLiteral("groupID"), 2}})});
    User user;
    pointAt(user, server);
    user.groups.append(Group{1, 1, QStringLiteral("old")});
    const Group *held = &user.groups[0];
    for (int attempt = 0; attempt < 2; ++attempt) { // refused; then data that is not a list
        QCOMPARE(user.getGroup(), 0);
        QCOMPARE(user.groups.size(), 1);
        QCOMPARE(&user.groups[0], held);
    }
    QCOMPARE(user.errorText, QStringLiteral("服务器返回错误,请检查网络. 错误码:L366"));
}

void TestDomainOps::groupChanges()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    Group g{8, 1, QStringLiteral("old")};
    QVERIFY(user.addGroup(QStringLiteral("新组"), 5));
    QVERIFY(user.editGroup(&g, QStringLiteral("改名"), 6));
    QVERIFY(user.delGroup(&g));

    const QList<CapturedRequest> sent = server.requests();
    QCOMPARE(sent.at(0).path, QStringLiteral("/api/domain/editgroup/"));
    QVERIFY(!sent.at(0).form.contains("groupID")); // no id: the service creates a group
    QCOMPARE(sent.at(0).form.value("groupName"), QStringLiteral("新组"));
    QCOMPARE(sent.at(0).form.value("displayOrder"), QStringLiteral("5"));
    QCOMPARE(sent.at(1).path, QStringLiteral("/api/domain/editgroup/"));
    QCOMPARE(sent.at(1).form.value("groupID"), QStringLiteral("8"));
    QCOMPARE(sent.at(1).form.value("displayOrder"), QStringLiteral("6"));
    QCOMPARE(sent.at(2).path, QStringLiteral("/api/domain/delgroup/"));
    QCOMPARE(sent.at(2).form.value("groupID"), QStringLiteral("8"));
}

void TestDomainOps::moveIsQuiet()
{
    TestHttpsServer server;
    server.setReply(QStringLiteral("/api/domain/editdomaingroup/"), broken());
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    Domain dm;
    dm.id = 21;
    QVERIFY(!user.editDMGroup(&dm, 3));
    QVERIFY(user.errorText.startsWith(QStringLiteral("网络连接错误")));
    QVERIFY(boxes.contents().isEmpty());
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.form.value("domainID"), QStringLiteral("21"));
    QCOMPARE(sent.form.value("groupID"), QStringLiteral("3"));
}

void TestDomainOps::lookupsByName()
{
    User user;
    Domain a;
    a.id = 5;
    a.name = QStringLiteral(" Shop.cn ");
    a.groupID = 2;
    user.domains.append(a);
    QCOMPARE(user.domain2dmid(QStringLiteral("Shop.cn\t")), 5);
    QCOMPARE(user.domain2dmid(QStringLiteral("shop.cn")), -1);
    QCOMPARE(user.domain2ptr(QStringLiteral("nope.cn")), nullptr);
    QCOMPARE(user.getGroupDmNum(0), 1);
    QCOMPARE(user.getGroupDmNum(2), 1);
    QCOMPARE(user.getGroupDmNum(9), 0);
}

QTEST_GUILESS_MAIN(TestDomainOps)
#include "tst_domainops.moc"
