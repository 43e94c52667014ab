#include "client/plan/ChangePlan.h"
#include "client/plan/HitEditPlanner.h"
#include "client/plan/RecordJson.h"
#include "tests/support/TestRecords.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<Record>)
Q_DECLARE_METATYPE(HitEdit)

namespace {

Record rec(int id, const QString &host, const QString &type, const QString &value, int line = 0,
           int ttl = 600, int state = 0)
{
    Record r = testRecord(id, host, type, value, line, ttl);
    r.state = state;
    return r;
}

// The hit a search over a copy holding r would have found.
CopyHit hitOf(const Record &r)
{
    CopyHit h;
    h.domainID = 7;
    h.domain = QStringLiteral("a.com");
    h.id = r.id;
    h.host = r.host;
    h.type = r.type;
    h.value = r.value;
    h.lineID = r.lineID;
    h.ttl = r.ttl;
    h.mx = r.mx;
    h.state = r.state;
    return h;
}

HitEdit edit(const QString &value, const QString &ttl, int line = -1)
{
    HitEdit e;
    e.newValue = value;
    e.newTtl = ttl;
    e.newLineID = line;
    if (line >= 0)
        e.newLineName = QStringLiteral("线路%1").arg(line);
    return e;
}

// "op id" for every step, and for a change also what it becomes.
QStringList describe(const DomainPlan &d)
{
    QStringList out;
    for (const PlanStep &s : d.steps) {
        QString text = s.op;
        if (!s.before.isEmpty())
            text += QLatin1Char(' ') + QString::number(s.before.value("id").toInt());
        if (s.op == StepOps::Change) {
            const Record a = recordFromJson(s.after);
            text += QStringLiteral(" -> %1 %2 %3 %4").arg(a.host, a.value).arg(a.lineID).arg(a.ttl);
        }
        out.append(text);
    }
    return out;
}

const Record kWww = rec(1, "www", "A", "192.0.2.1");
const Record kApi = rec(2, "api", "A", "192.0.2.1", 0, 300);
const Record kMail = rec(3, "mail", "A", "192.0.2.9");
const Record kAlias = rec(4, "cdn", "CNAME", "edge.example.net.", 5);
const Record kCdnA = rec(5, "cdn", "A", "192.0.2.5");

} // namespace

// The plan of a change to ticked search hits, as a pure function over a domain's live records.
class TestPlanHitEdit : public QObject
{
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void plan_data();
    void plan();
};

void TestPlanHitEdit::check_data()
{
    QTest::addColumn<HitEdit>("edit");
    QTest::addColumn<bool>("ok");
    QTest::newRow("nothing asked") << edit({}, {}) << false;
    QTest::newRow("value") << edit("192.0.2.7", {}) << true;
    QTest::newRow("ttl") << edit({}, "600") << true;
    QTest::newRow("default line") << edit({}, {}, 0) << true;
    QTest::newRow("ttl zero") << edit({}, "0") << false;
    QTest::newRow("ttl negative") << edit({}, "-5") << false;
    QTest::newRow("ttl not a number") << edit("192.0.2.7", "10m") << false;
}

void TestPlanHitEdit::check()
{
    QFETCH(HitEdit, edit);
    QFETCH(bool, ok);
    QString error;
    QCOMPARE(checkHitEdit(edit, error), ok);
    QCOMPARE(error.isEmpty(), ok);
}

void TestPlanHitEdit::plan_data()
{
    QTest::addColumn<QList<Record>>("live");
    QTest::addColumn<QList<Record>>("seen"); // the records as the search found them
    QTest::addColumn<HitEdit>("edit");
    QTest::addColumn<int>("domainState"); // 0 active, 1 locked, 2 paused, 3 not in the account
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("warnings");

    const QList<Record> live{kWww, kApi, kMail, kAlias, kCdnA};
    QTest::newRow("ttl of two, the third untouched")
        << live << QList<Record>{kWww, kApi} << edit({}, "60") << 0
        << QStringList{"change 1 -> www 192.0.2.1 0 60", "change 2 -> api 192.0.2.1 0 60"}
        << QStringList();
    QTest::newRow("value and line, ttl kept")
        << live << QList<Record>{kApi} << edit("192.0.2.8", {}, 3) << 0
        << QStringList{"change 2 -> api 192.0.2.8 3 300"} << QStringList();
    QTest::newRow("new fields equal the old")
        << live << QList<Record>{kWww, kApi} << edit("192.0.2.1", "300") << 0
        << QStringList{"change 1 -> www 192.0.2.1 0 300", "unchanged 2"} << QStringList();
    QTest::newRow("name written without its final dot")
        << live << QList<Record>{kAlias} << edit("EDGE.example.net", {}) << 0
        << QStringList{"unchanged 4"} << QStringList();
    QTest::newRow("ticked twice is one change")
        << live << QList<Record>{kMail, kMail} << edit({}, "60") << 0
        << QStringList{"change 3 -> mail 192.0.2.9 0 60"} << QStringList();
    QTest::newRow("changed since the search")
        << live << QList<Record>{rec(1, "www", "A", "192.0.2.77"), kApi} << edit({}, "60") << 0
        << QStringList{"conflict 1", "change 2 -> api 192.0.2.1 0 60"} << QStringList();
    QTest::newRow("paused since the search")
        << QList<Record>{rec(1, "www", "A", "192.0.2.1", 0, 600, 1)} << QList<Record>{kWww}
        << edit({}, "60") << 0 << QStringList{"conflict 1"} << QStringList();
    QTest::newRow("gone since the search")
        << QList<Record>{kApi} << QList<Record>{kWww, kApi} << edit({}, "60") << 0
        << QStringList{"not-found 1", "change 2 -> api 192.0.2.1 0 60"} << QStringList();
    QTest::newRow("a name is no A record's value")
        << live << QList<Record>{kWww, kAlias} << edit("edge2.example.net", {}) << 0
        << QStringList{"problem 1", "change 4 -> cdn edge2.example.net 5 600"} << QStringList();
    QTest::newRow("an address is no CNAME's value")
        << live << QList<Record>{kWww, kAlias} << edit("192.0.2.44", {}) << 0
        << QStringList{"change 1 -> www 192.0.2.44 0 600", "problem 4"} << QStringList();
    QTest::newRow("ttl over a week") << live << QList<Record>{kWww} << edit({}, "700000") << 0
                                     << QStringList{"problem 1"} << QStringList();
    // The service refuses a CNAME beside an A record (3008): nothing is sent.
    QTest::newRow("CNAME moved beside an A") << live << QList<Record>{kAlias} << edit({}, {}, 0)
                                             << 0 << QStringList{"problem 4"} << QStringList();
    QTest::newRow("locked domain") << live << QList<Record>{kWww} << edit({}, "60") << 1
                                   << QStringList{"locked"} << QStringList();
    QTest::newRow("paused domain") << live << QList<Record>{kWww} << edit({}, "60") << 2
                                   << QStringList{"paused"} << QStringList();
    QTest::newRow("domain gone") << live << QList<Record>{kWww} << edit({}, "60") << 3
                                 << QStringList{"unknown-domain"} << QStringList();
}

void TestPlanHitEdit::plan()
{
    QFETCH(QList<Record>, live);
    QFETCH(QList<Record>, seen);
    QFETCH(HitEdit, edit);
    QFETCH(int, domainState);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, warnings);

    Domain dm;
    dm.id = 7;
    dm.name = QStringLiteral("a.com");
    dm.userLock = domainState == 1;
    dm.state = domainState == 2;
    QList<CopyHit> hits;
    for (const Record &r : seen)
        hits.append(hitOf(r));
    const DomainPlan d =
        planHitEditDomain(hits, edit, dm.name, domainState == 3 ? nullptr : &dm, live);
    QCOMPARE(describe(d), steps);
    QStringList codes;
    for (const PlanWarning &w : planWarnings({d}))
        codes.append(w.code);
    QCOMPARE(codes, warnings);
}

QTEST_MAIN(TestPlanHitEdit)
#include "tst_planhitedit.moc"
