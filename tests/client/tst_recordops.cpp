#include "tests/support/ApiTestUtil.h"

#include <QtTest>

using namespace apitest;

namespace {

const QString kList = QStringLiteral("/api/record/list/");
const QString kRemove = QStringLiteral("/api/record/remove/");

CannedReply recordList(int total, int listed)
{
    QJsonArray entries;
    for (int id = 1; id <= listed; ++id) {
        entries.append(QJsonObject{{QStringLiteral("recordID"), id},
                                   {QStringLiteral("record"), QStringLiteral("h%1").arg(id)},
                                   {QStringLiteral("type"), QStringLiteral("A")},
                                   {QStringLiteral("value"), QStringLiteral("192.0.2.1")},
                                   {QStringLiteral("TTL"), 600},
                                   // the domain's second line, then one it does not have
                                   {QStringLiteral("viewID"), id % 2 ? 286736640 : 42}});
    }
    return ok(
        QJsonObject{{QStringLiteral("recordCount"), total}, {QStringLiteral("data"), entries}});
}

Domain domainWithLines()
{
    Domain dm;
    dm.id = 77;
    dm.name = QStringLiteral("a.cn");
    dm.views = {View{QStringLiteral("默认"), 0, 1, {}},
                View{QStringLiteral("电信"), 286736640, 2, {}}};
    return dm;
}

} // namespace

// Record operations against a real HTTPS server.
class TestRecordOps : public QObject
{
    Q_OBJECT
private slots:
    void listsFirst999OfMore();
    void failedListKeepsRecords();
    void addWithDefaults();
    void addFillsCreatedRecord();
    void editSendsOnlyWhatChanged();
    void delRecordS_data();
    void delRecordS();
    void pauseAndStart();
};

void TestRecordOps::listsFirst999OfMore()
{
    TestHttpsServer server;
    server.setReply(kList, recordList(1200, 999));
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();

    QCOMPARE(user.getRecord(&dm), 1200);
    QCOMPARE(dm.records.size(), 999);
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.form.value("domainID"), QStringLiteral("77"));
    QCOMPARE(sent.form.value("page"), QStringLiteral("1"));
    QCOMPARE(sent.form.value("pageSize"), QStringLiteral("999"));
    QCOMPARE(server.requests().size(), 1); // no further pages

    const Record &first = dm.records[0];
    QCOMPARE(first.id, 1);
    QCOMPARE(first.domain, &dm);
    QCOMPARE(first.viewName, QStringLiteral("电信"));
    QCOMPARE(first.view.areaType, 2);
    const Record &second = dm.records[1];
    QCOMPARE(second.viewName, QStringLiteral("未知"));
    QCOMPARE(second.view.areaType, kAbsent);
}

void TestRecordOps::failedListKeepsRecords()
{
    TestHttpsServer server;
    server.setReply(kList, refused(2005));
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();
    dm.records.append(Record{});
    QCOMPARE(user.getRecord(&dm), 0);
    QCOMPARE(dm.records.size(), 1);
}

void TestRecordOps::addWithDefaults()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();
    QVERIFY(user.addRecord(&dm, QStringLiteral("192.0.2.7")));
    const CapturedRequest sent = server.requests().value(0);
    QCOMPARE(sent.path, QStringLiteral("/api/record/create/"));
    QCOMPARE(sent.form.value("domainID"), QStringLiteral("77"));
    QCOMPARE(sent.form.value("value"), QStringLiteral("192.0.2.7"));
    QCOMPARE(sent.form.value("type"), QStringLiteral("A"));
    QCOMPARE(sent.form.value("host"), QStringLiteral("@"));
    QCOMPARE(sent.form.value("viewID"), QStringLiteral("0"));
    QCOMPARE(sent.form.value("ttl"), QStringLiteral("600"));
    QCOMPARE(sent.form.value("mx"), QStringLiteral("10"));
}

void TestRecordOps::addFillsCreatedRecord()
{
    TestHttpsServer server;
    const QString create = QStringLiteral("/api/record/create/");
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();

    auto created = [](int viewID) {
        return ok(QJsonObject{{QStringLiteral("record"), QStringLiteral("mail")},
                              {QStringLiteral("recordID"), "501"},
                              {QStringLiteral("type"), QStringLiteral("MX")},
                              {QStringLiteral("MX"), 5},
                              {QStringLiteral("TTL"), 300},
                              {QStringLiteral("value"), QStringLiteral("mx.a.cn")},
                              {QStringLiteral("viewID"), viewID}});
    };
    server.setReply(create, created(0x11174211)); // a built-in line
    Record rec;
    rec.json = QJsonObject{{QStringLiteral("left"), 1}};
    QVERIFY(user.addRecord(&dm, QStringLiteral("mx.a.cn"), QStringLiteral("MX"),
                           QStringLiteral("286736913"), QStringLiteral("mail"),
                           QStringLiteral("300"), QStringLiteral("5"), &rec));
    QCOMPARE(rec.id, 501);
    QCOMPARE(rec.host, QStringLiteral("mail"));
    QCOMPARE(rec.mx, 5);
    QCOMPARE(rec.ttl, 300);
    QCOMPARE(rec.viewID, 0x11174211);
    QCOMPARE(rec.viewName, QStringLiteral("北京联通"));
    QCOMPARE(rec.domain, &dm);
    QCOMPARE(rec.domainName, QStringLiteral("a.cn"));
    QCOMPARE(rec.json.value(QStringLiteral("left")).toInt(), 1); // other fields as they were

    server.setReply(create, created(12345));
    Record unknownLine;
    QVERIFY(user.addRecord(dm.id, QStringLiteral("x"), QStringLiteral("A"), QStringLiteral("0"),
                           QStringLiteral("@"), QStringLiteral("600"), QStringLiteral("10"),
                           &unknownLine));
    QCOMPARE(unknownLine.viewName, QStringLiteral("未知"));
    QCOMPARE(unknownLine.domain, nullptr);
}

void TestRecordOps::editSendsOnlyWhatChanged()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();
    QVERIFY(user.editRecord(&dm, 9, QString(), QString(), QStringLiteral("192.0.2.9")));
    QVERIFY(user.editRecord(&dm, 9, QStringLiteral("www"), QStringLiteral("CNAME"),
                            QStringLiteral("b.cn"), QStringLiteral("60"), QStringLiteral("1"),
                            QStringLiteral("286736640")));
    const QList<CapturedRequest> sent = server.requests();
    QCOMPARE(sent.at(0).path, QStringLiteral("/api/record/modify/"));
    QCOMPARE(sent.at(0).keys, (QList<QByteArray>{"domainID", "newvalue", "recordID", "timestamp"}));
    QCOMPARE(sent.at(1).keys,
             (QList<QByteArray>{"domainID", "newhost", "newmx", "newttl", "newtype", "newvalue",
                                "newviewID", "recordID", "timestamp"}));
    QCOMPARE(sent.at(1).form.value("newviewID"), QStringLiteral("286736640"));
}

void TestRecordOps::delRecordS_data()
{
    QTest::addColumn<QString>("ids");
    QTest::addColumn<QList<CannedReply>>("replies");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<bool>("result");
    QTest::newRow("one of three fails, junk skipped")
        << QStringLiteral("5,,x,0,6,7") << QList<CannedReply>{ok(), refused(3010), ok()}
        << QStringList{"5", "6", "7"} << QStringList{"6"} << false;
    QTest::newRow("empty text") << QString() << QList<CannedReply>{ok()} << QStringList{}
                                << QStringList{} << true;
    QTest::newRow("only junk") << QStringLiteral(",0,-3,a") << QList<CannedReply>{ok()}
                               << QStringList{} << QStringList{} << true;
    QTest::newRow("all deleted") << QStringLiteral("8,9") << QList<CannedReply>{ok()}
                                 << QStringList{"8", "9"} << QStringList{} << true;
}

void TestRecordOps::delRecordS()
{
    QFETCH(QString, ids);
    QFETCH(QList<CannedReply>, replies);
    QFETCH(QStringList, sent);
    QFETCH(QStringList, failed);
    QFETCH(bool, result);
    TestHttpsServer server;
    server.setReplies(kRemove, replies);
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();

    QStringList errlist{QStringLiteral("earlier")};
    QStringList msglist{QStringLiteral("earlier")};
    QCOMPARE(user.delRecordS(&dm, ids, errlist, msglist), result);
    QCOMPARE(sentValues(server, kRemove, "recordID"), sent);
    for (const QString &domainID : sentValues(server, kRemove, "domainID"))
        QCOMPARE(domainID, QStringLiteral("77"));
    QCOMPARE(errlist, QStringList{QStringLiteral("earlier")} + failed);
    QCOMPARE(msglist.size(), errlist.size());
    for (int i = 1; i < msglist.size(); ++i)
        QCOMPARE(msglist.at(i), QStringLiteral("操作失败"));
}

void TestRecordOps::pauseAndStart()
{
    TestHttpsServer server;
    User user;
    pointAt(user, server);
    Domain dm = domainWithLines();
    QVERIFY(user.pauseRecord(&dm, 3));
    QVERIFY(user.startRecord(&dm, 4));
    const QList<CapturedRequest> sent = server.requests();
    QCOMPARE(sent.at(0).path, QStringLiteral("/api/record/pause/"));
    QCOMPARE(sent.at(0).form.value("recordID"), QStringLiteral("3"));
    QCOMPARE(sent.at(1).path, QStringLiteral("/api/record/start/"));
    QCOMPARE(sent.at(1).form.value("domainID"), QStringLiteral("77"));
}

QTEST_GUILESS_MAIN(TestRecordOps)
#include "tst_recordops.moc"
