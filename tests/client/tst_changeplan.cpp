#include "client/RecordIdentity.h"
#include "client/plan/BatchPlanner.h"
#include "client/plan/ChangePlan.h"
#include "client/plan/RecordJson.h"
#include "tests/support/TestRecords.h"

#include <QtTest>

Q_DECLARE_METATYPE(Record)

namespace {

Record rec(int id, const QString &host, const QString &type, const QString &value, int line = 0,
           int ttl = 600, int mx = 0)
{
    Record r = testRecord(id, host, type, value, line, ttl);
    r.mx = mx;
    return r;
}

QStringList opsOf(const DomainPlan &d)
{
    QStringList ops;
    for (const PlanStep &s : d.steps)
        ops.append(s.op);
    return ops;
}

QStringList warningCodes(const QList<PlanWarning> &warnings)
{
    QStringList codes;
    for (const PlanWarning &w : warnings)
        codes.append(w.code);
    return codes;
}

} // namespace

// Plans, as pure functions over a domain's live records.
class TestChangePlan : public QObject
{
    Q_OBJECT
private slots:
    void identical_data();
    void identical();
    void batchPlan_data();
    void batchPlan();
    void editKeepsOmittedFields();
    void serviceRefusals_data();
    void serviceRefusals();
    void refusalsFollowEarlierSteps();
    void warnings_data();
    void warnings();
};

void TestChangePlan::identical_data()
{
    QTest::addColumn<Record>("a");
    QTest::addColumn<Record>("b");
    QTest::addColumn<bool>("same");
    const Record a = rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("1.2.3.4"));
    QTest::newRow("host case and trailing dot")
        << a << rec(2, QStringLiteral("WWW."), QStringLiteral("A"), QStringLiteral("1.2.3.4"))
        << true;
    QTest::newRow("ttl differs") << a
                                 << rec(1, QStringLiteral("www"), QStringLiteral("A"),
                                        QStringLiteral("1.2.3.4"), 0, 300)
                                 << false;
    QTest::newRow("line differs") << a
                                  << rec(1, QStringLiteral("www"), QStringLiteral("A"),
                                         QStringLiteral("1.2.3.4"), 7)
                                  << false;
    QTest::newRow("value differs")
        << a << rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("1.2.3.5"))
        << false;
    QTest::newRow("cname name case and dot")
        << rec(1, QStringLiteral("@"), QStringLiteral("CNAME"), QStringLiteral("Edge.CDN.net."))
        << rec(2, QStringLiteral("@"), QStringLiteral("CNAME"), QStringLiteral("edge.cdn.net"))
        << true;
    QTest::newRow("txt value case counts")
        << rec(1, QStringLiteral("@"), QStringLiteral("TXT"), QStringLiteral("Key=A"))
        << rec(2, QStringLiteral("@"), QStringLiteral("TXT"), QStringLiteral("key=a")) << false;
    QTest::newRow("ipv6 written two ways")
        << rec(1, QStringLiteral("@"), QStringLiteral("AAAA"), QStringLiteral("2001:DB8:0:0::1"))
        << rec(2, QStringLiteral("@"), QStringLiteral("AAAA"), QStringLiteral("2001:db8::1"))
        << true;
    QTest::newRow("mx counts for MX")
        << rec(1, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx.a.cn"), 0, 600, 5)
        << rec(2, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx.a.cn"), 0, 600, 10)
        << false;
    QTest::newRow("mx ignored for A")
        << rec(1, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("1.1.1.1"), 0, 600, 5)
        << rec(2, QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("1.1.1.1"), 0, 600, 10)
        << true;
}

void TestChangePlan::identical()
{
    QFETCH(Record, a);
    QFETCH(Record, b);
    QFETCH(bool, same);
    QCOMPARE(sameRecord(a, b), same);
    QCOMPARE(sameRecord(b, a), same);
}

void TestChangePlan::batchPlan_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("newValue");
    QTest::addColumn<int>("domainState"); // 0 running, 1 paused, 2 locked, 3 unknown
    QTest::addColumn<QStringList>("ops");

    const QString a = QStringLiteral("A");
    const QStringList create{StepOps::Create};
    QTest::newRow("add new") << int(BatchRequest::Add) << QStringLiteral("new") << a
                             << QStringLiteral("9.9.9.9") << QString() << 0 << create;
    QTest::newRow("add identical exists")
        << int(BatchRequest::Add) << QStringLiteral("WWW") << a << QStringLiteral("1.2.3.4")
        << QString() << 0 << QStringList{StepOps::Unchanged};
    QTest::newRow("add beside other value")
        << int(BatchRequest::Add) << QStringLiteral("www") << a << QStringLiteral("1.2.3.5")
        << QString() << 0 << create;
    // The first change leaves a record identical to what the second would make: the service
    // refuses the second.
    QTest::newRow("edit every match")
        << int(BatchRequest::Edit) << QStringLiteral("dup") << a << QStringLiteral("5.5.5.5")
        << QStringLiteral("6.6.6.6") << 0 << QStringList{StepOps::Change, StepOps::Problem};
    QTest::newRow("edit to the same value")
        << int(BatchRequest::Edit) << QStringLiteral("www") << a << QStringLiteral("1.2.3.4")
        << QStringLiteral("1.2.3.4") << 0 << QStringList{StepOps::Unchanged};
    QTest::newRow("delete every match")
        << int(BatchRequest::Delete) << QStringLiteral("dup") << a << QStringLiteral("5.5.5.5")
        << QString() << 0 << QStringList{StepOps::Delete, StepOps::Delete};
    QTest::newRow("delete cname without its dot")
        << int(BatchRequest::Delete) << QStringLiteral("cdn") << QStringLiteral("CNAME")
        << QStringLiteral("edge.cdn.net") << QString() << 0 << QStringList{StepOps::Delete};
    QTest::newRow("host is exact for matching")
        << int(BatchRequest::Delete) << QStringLiteral("WWW") << a << QStringLiteral("1.2.3.4")
        << QString() << 0 << QStringList{StepOps::NotFound};
    QTest::newRow("type is exact")
        << int(BatchRequest::Delete) << QStringLiteral("www") << QStringLiteral("AAAA")
        << QStringLiteral("1.2.3.4") << QString() << 0 << QStringList{StepOps::NotFound};
    QTest::newRow("paused domain")
        << int(BatchRequest::Delete) << QStringLiteral("www") << a << QStringLiteral("1.2.3.4")
        << QString() << 1 << QStringList{StepOps::Paused};
    QTest::newRow("locked domain")
        << int(BatchRequest::Add) << QStringLiteral("www") << a << QStringLiteral("1.2.3.4")
        << QString() << 2 << QStringList{StepOps::Locked};
    QTest::newRow("unknown domain")
        << int(BatchRequest::Edit) << QStringLiteral("www") << a << QStringLiteral("1.2.3.4")
        << QString() << 3 << QStringList{StepOps::UnknownDomain};
}

void TestChangePlan::batchPlan()
{
    QFETCH(int, kind);
    QFETCH(QString, host);
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, newValue);
    QFETCH(int, domainState);
    QFETCH(QStringList, ops);

    const QList<Record> live{
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("1.2.3.4")),
        rec(2, QStringLiteral("dup"), QStringLiteral("A"), QStringLiteral("5.5.5.5")),
        rec(3, QStringLiteral("dup"), QStringLiteral("A"), QStringLiteral("5.5.5.5")),
        rec(4, QStringLiteral("dup"), QStringLiteral("A"), QStringLiteral("5.5.5.5"), 7),
        rec(5, QStringLiteral("cdn"), QStringLiteral("CNAME"), QStringLiteral("edge.cdn.net."))};
    Domain dm;
    dm.id = 42;
    dm.name = QStringLiteral("a.cn");
    dm.state = domainState == 1 ? 1 : 0;
    dm.userLock = domainState == 2 ? 1 : 0;

    BatchRequest request;
    request.kind = BatchRequest::Kind(kind);
    request.match = RecordPattern{type, host, 0, value};
    request.newValue = newValue;
    const DomainPlan plan =
        planBatchDomain(request, dm.name, domainState == 3 ? nullptr : &dm, live);
    QCOMPARE(opsOf(plan), ops);
    QCOMPARE(plan.domainID, domainState == 3 ? -1 : 42);
    for (const PlanStep &s : plan.steps) {
        // Changes and deletes name the record they act on; creates carry what is sent.
        if (s.op == StepOps::Change || s.op == StepOps::Delete)
            QVERIFY(recordFromJson(s.before).id > 0);
        if (s.op == StepOps::Create)
            QCOMPARE(recordFromJson(s.after).value, value);
    }
}

void TestChangePlan::editKeepsOmittedFields()
{
    const QList<Record> live{
        rec(9, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx1.a.cn."), 3, 900, 5)};
    Domain dm;
    dm.id = 1;
    BatchRequest request;
    request.kind = BatchRequest::Edit;
    request.match =
        RecordPattern{QStringLiteral("MX"), QStringLiteral("@"), 3, QStringLiteral("mx1.a.cn")};
    request.newValue = QStringLiteral("mx2.a.cn.");
    const DomainPlan plan = planBatchDomain(request, QStringLiteral("a.cn"), &dm, live);
    QCOMPARE(opsOf(plan), QStringList{StepOps::Change});
    const Record after = recordFromJson(plan.steps.first().after);
    QCOMPARE(after.id, 9);
    QCOMPARE(after.value, QStringLiteral("mx2.a.cn."));
    QCOMPARE(after.ttl, 900);
    QCOMPARE(after.mx, 5);
    QCOMPARE(after.lineID, 3);
    QCOMPARE(after.host, QStringLiteral("@"));
}

void TestChangePlan::serviceRefusals_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("newHost"); // edit: what the matched record becomes
    QTest::addColumn<QString>("op");

    const int add = BatchRequest::Add;
    const int edit = BatchRequest::Edit;
    const QString cname = QStringLiteral("CNAME");
    const QString a = QStringLiteral("A");
    QTest::newRow("A beside a CNAME")
        << add << QStringLiteral("cdn") << a << QStringLiteral("9.9.9.9") << 0 << QString()
        << StepOps::Problem;
    QTest::newRow("CNAME beside an A, host in other case")
        << add << QStringLiteral("WWW") << cname << QStringLiteral("x.cn.") << 0 << QString()
        << StepOps::Problem;
    QTest::newRow("CNAME beside a CNAME")
        << add << QStringLiteral("cdn") << cname << QStringLiteral("other.cdn.net.") << 0
        << QString() << StepOps::Problem;
    QTest::newRow("CNAME on another line")
        << add << QStringLiteral("www") << cname << QStringLiteral("x.cn.") << 7 << QString()
        << StepOps::Create;
    // The service takes these; the plan warns of them.
    QTest::newRow("CNAME beside an MX")
        << add << QStringLiteral("mail") << cname << QStringLiteral("x.cn.") << 0 << QString()
        << StepOps::Create;
    QTest::newRow("TXT beside a CNAME")
        << add << QStringLiteral("cdn") << QStringLiteral("TXT") << QStringLiteral("hello") << 0
        << QString() << StepOps::Create;
    QTest::newRow("edit an A onto a CNAME's host")
        << edit << QStringLiteral("www") << a << QStringLiteral("1.2.3.4") << 0
        << QStringLiteral("cdn") << StepOps::Problem;
    QTest::newRow("edit a CNAME keeping its host")
        << edit << QStringLiteral("cdn") << cname << QStringLiteral("edge.cdn.net") << 0
        << QStringLiteral("cdn") << StepOps::Change;
}

void TestChangePlan::serviceRefusals()
{
    QFETCH(int, kind);
    QFETCH(QString, host);
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(int, line);
    QFETCH(QString, newHost);
    QFETCH(QString, op);

    const QList<Record> live{
        rec(1, QStringLiteral("www"), QStringLiteral("A"), QStringLiteral("1.2.3.4")),
        rec(2, QStringLiteral("cdn"), QStringLiteral("CNAME"), QStringLiteral("edge.cdn.net.")),
        rec(3, QStringLiteral("mail"), QStringLiteral("MX"), QStringLiteral("mx.a.cn."), 0, 600,
            10)};
    Domain dm;
    dm.id = 1;
    BatchRequest request;
    request.kind = BatchRequest::Kind(kind);
    request.match = RecordPattern{type, host, line, value};
    request.newHost = newHost;
    request.newTtl = QStringLiteral("300");
    const DomainPlan plan = planBatchDomain(request, QStringLiteral("a.cn"), &dm, live);
    QCOMPARE(opsOf(plan), QStringList{op});
    const PlanStep &s = plan.steps.first();
    if (op == StepOps::Problem) {
        QCOMPARE(s.problem,
                 QStringLiteral("解析记录已存在或者存在相同主机头，相同线路的A记录或者CNAME记录"));
        // Still shows what was asked for.
        QCOMPARE(recordFromJson(s.after).type,
                 kind == BatchRequest::Add ? type : QStringLiteral("A"));
    }
    // A refusal is not also a warning.
    for (const PlanWarning &w : planWarnings({plan}))
        QVERIFY(op != StepOps::Problem || w.code != QLatin1String("cname-beside-others"));
}

void TestChangePlan::refusalsFollowEarlierSteps()
{
    // Rows of one job run in order: a later row meets what an earlier one created or deleted.
    DomainPlan d;
    d.domain = QStringLiteral("a.cn");
    d.live = {rec(1, QStringLiteral("old"), QStringLiteral("CNAME"), QStringLiteral("x.cn."))};
    const auto step = [](const QString &op, const Record &before, const Record &after) {
        PlanStep s;
        s.op = op;
        if (!before.type.isEmpty())
            s.before = recordToJson(before);
        if (!after.type.isEmpty())
            s.after = recordToJson(after);
        return s;
    };
    const Record none;
    d.steps = {
        step(StepOps::Create, none,
             rec(0, QStringLiteral("new"), QStringLiteral("CNAME"), QStringLiteral("y.cn."))),
        step(StepOps::Create, none,
             rec(0, QStringLiteral("new"), QStringLiteral("A"), QStringLiteral("1.1.1.1"))),
        step(StepOps::Delete, d.live.first(), none),
        step(StepOps::Create, none,
             rec(0, QStringLiteral("old"), QStringLiteral("A"), QStringLiteral("1.1.1.1")))};
    markServiceRefusals(d);
    QCOMPARE(opsOf(d),
             (QStringList{StepOps::Create, StepOps::Problem, StepOps::Delete, StepOps::Create}));
}

void TestChangePlan::warnings_data()
{
    QTest::addColumn<int>("liveCount"); // plain A records on hosts h0, h1, ...
    QTest::addColumn<QList<Record>>("extraLive");
    QTest::addColumn<int>("deletes"); // deletes of the first plain records
    QTest::addColumn<QList<Record>>("creates");
    QTest::addColumn<QStringList>("codes");

    const QList<Record> none;
    QTest::newRow("cname beside an A record")
        << 1 << none << 0
        << QList<Record>{rec(0, QStringLiteral("h0"), QStringLiteral("CNAME"),
                             QStringLiteral("x.cn"))}
        << QStringList{QStringLiteral("cname-beside-others")};
    QTest::newRow("cname beside the same host in its ASCII form")
        << 0
        << QList<Record>{rec(92, QStringLiteral("xn--5nq051n"), QStringLiteral("A"),
                             QStringLiteral("1.1.1.1"))}
        << 0
        << QList<Record>{rec(0, QStringLiteral("邮件"), QStringLiteral("CNAME"),
                             QStringLiteral("x.cn"))}
        << QStringList{QStringLiteral("cname-beside-others")};
    QTest::newRow("cname on another line is fine")
        << 1 << none << 0
        << QList<Record>{rec(0, QStringLiteral("h0"), QStringLiteral("CNAME"),
                             QStringLiteral("x.cn"), 5)}
        << QStringList();
    QTest::newRow("an old conflict the plan leaves alone")
        << 1
        << QList<Record>{rec(90, QStringLiteral("h0"), QStringLiteral("CNAME"),
                             QStringLiteral("x.cn"))}
        << 0
        << QList<Record>{rec(0, QStringLiteral("other"), QStringLiteral("A"),
                             QStringLiteral("1.1.1.1"))}
        << QStringList();
    QTest::newRow("ns at the apex")
        << 0 << none << 0
        << QList<Record>{rec(0, QStringLiteral("@"), QStringLiteral("NS"),
                             QStringLiteral("ns1.x.cn"))}
        << QStringList{QStringLiteral("ns-at-apex")};
    QTest::newRow("ns below the apex")
        << 0 << none << 0
        << QList<Record>{rec(0, QStringLiteral("sub"), QStringLiteral("NS"),
                             QStringLiteral("ns1.x.cn"))}
        << QStringList();
    QTest::newRow("second spf") << 0
                                << QList<Record>{rec(91, QStringLiteral("@"), QStringLiteral("TXT"),
                                                     QStringLiteral("v=spf1 include:a.cn ~all"))}
                                << 0
                                << QList<Record>{rec(0, QStringLiteral("@"), QStringLiteral("TXT"),
                                                     QStringLiteral("\"v=spf1 -all\""))}
                                << QStringList{QStringLiteral("second-spf")};
    QTest::newRow("spf beside another txt")
        << 0
        << QList<Record>{rec(91, QStringLiteral("@"), QStringLiteral("TXT"),
                             QStringLiteral("google-site-verification=x"))}
        << 0
        << QList<Record>{rec(0, QStringLiteral("@"), QStringLiteral("TXT"),
                             QStringLiteral("v=spf1 -all"))}
        << QStringList();
    QTest::newRow("3 of 10 deleted") << 10 << none << 3 << none << QStringList();
    QTest::newRow("4 of 10 deleted")
        << 10 << none << 4 << none << QStringList{QStringLiteral("large-change")};
    // Deletions count at any size: a small domain emptied is as lost as a large one.
    QTest::newRow("5 of 9 deleted")
        << 9 << none << 5 << none << QStringList{QStringLiteral("large-change")};
    QTest::newRow("all 4 deleted")
        << 4 << none << 4 << none << QStringList{QStringLiteral("large-change")};
    QTest::newRow("the only record deleted")
        << 1 << none << 1 << none << QStringList{QStringLiteral("large-change")};
    QTest::newRow("1 of 4 deleted") << 4 << none << 1 << none << QStringList();
}

void TestChangePlan::warnings()
{
    QFETCH(int, liveCount);
    QFETCH(QList<Record>, extraLive);
    QFETCH(int, deletes);
    QFETCH(QList<Record>, creates);
    QFETCH(QStringList, codes);

    DomainPlan d;
    d.domain = QStringLiteral("a.cn");
    d.liveKnown = true;
    for (int i = 0; i < liveCount; ++i)
        d.live.append(rec(i + 1, QStringLiteral("h%1").arg(i), QStringLiteral("A"),
                          QStringLiteral("10.0.0.%1").arg(i)));
    d.live.append(extraLive);
    const auto step = [](const QString &op, const QJsonObject &before, const QJsonObject &after) {
        PlanStep s;
        s.op = op;
        s.before = before;
        s.after = after;
        return s;
    };
    for (int i = 0; i < deletes; ++i)
        d.steps.append(step(StepOps::Delete, recordToJson(d.live.at(i)), {}));
    for (const Record &r : creates)
        d.steps.append(step(StepOps::Create, {}, recordToJson(r)));
    QCOMPARE(warningCodes(planWarnings({d})), codes);
}

QTEST_GUILESS_MAIN(TestChangePlan)
#include "tst_changeplan.moc"
