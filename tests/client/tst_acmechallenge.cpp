#include "client/acme/AcmeChallenge.h"
#include "client/plan/RecordJson.h"
#include "tests/support/TestRecords.h"

#include <QtTest>

Q_DECLARE_METATYPE(Record)

namespace {

// Values as ACME clients make them: 43 characters of unpadded base64url.
const QString kValue = QStringLiteral("yKCpIwd8grCPx6ek3mUonv_l6POtsau4dF_HPMMg3FE");
const QString kOther = QStringLiteral("-mQcfohIZCtKmLR1cMThc9SkMYO4aqEgIPE-o9hjXLY");

QProcessEnvironment certbotEnvironment(const QStringList &pairs)
{
    QProcessEnvironment env;
    for (int i = 0; i + 1 < pairs.size(); i += 2)
        env.insert(pairs.at(i), pairs.at(i + 1));
    return env;
}

} // namespace

// What ACME clients hand to their hooks, where it lands in the account, and what a present or a
// cleanup changes there.
class TestAcmeChallenge : public QObject
{
    Q_OBJECT
private slots:
    void lego_data();
    void lego();
    void certbot_data();
    void certbot();
    void place_data();
    void place();
    void steps_data();
    void steps();
};

void TestAcmeChallenge::lego_data()
{
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<QString>("fqdn"); // empty: refused
    QTest::addColumn<QString>("error");
    QTest::newRow("default mode, final dot")
        << QStringList{QStringLiteral("_acme-challenge.www.example.com."), kValue}
        << QStringLiteral("_acme-challenge.www.example.com") << QString();
    QTest::newRow("value starting with a dash")
        << QStringList{QStringLiteral("_acme-challenge.example.com."), kOther}
        << QStringLiteral("_acme-challenge.example.com") << QString();
    QTest::newRow("where a CNAME leads, in capitals")
        << QStringList{QStringLiteral("Example-COM.Acme.Example.NET."), kValue}
        << QStringLiteral("example-com.acme.example.net") << QString();
    QTest::newRow("internationalized")
        << QStringList{QStringLiteral("_acme-challenge.例子.cn."), kValue}
        << QStringLiteral("_acme-challenge.xn--fsqu00a.cn") << QString();
    QTest::newRow("raw mode") << QStringList{QStringLiteral("--"), QStringLiteral("example.com"),
                                             QStringLiteral("token"), QStringLiteral("token.key")}
                              << QString() << QStringLiteral("EXEC_MODE");
    QTest::newRow("padded value") << QStringList{QStringLiteral("_acme-challenge.example.com."),
                                                 kValue.left(42) + QLatin1Char('=')}
                                  << QString() << QStringLiteral("base64url");
    QTest::newRow("short value") << QStringList{QStringLiteral("_acme-challenge.example.com."),
                                                kValue.left(20)}
                                 << QString() << QStringLiteral("43 characters");
    QTest::newRow("quote in value") << QStringList{QStringLiteral("_acme-challenge.example.com."),
                                                   kValue.left(42) + QLatin1Char('"')}
                                    << QString() << QStringLiteral("base64url");
    QTest::newRow("empty label") << QStringList{QStringLiteral("_acme-challenge..example.com."),
                                                kValue}
                                 << QString() << QStringLiteral("not a DNS name");
    QTest::newRow("blank inside") << QStringList{QStringLiteral("_acme-challenge.exa mple.com."),
                                                 kValue}
                                  << QString() << QStringLiteral("not a DNS name");
    QTest::newRow("wildcard label") << QStringList{QStringLiteral("*.example.com."), kValue}
                                    << QString() << QStringLiteral("not a DNS name");
    QTest::newRow("label over 63")
        << QStringList{QString(64, QLatin1Char('a')) + QStringLiteral(".example.com."), kValue}
        << QString() << QStringLiteral("not a DNS name");
    QTest::newRow("single label") << QStringList{QStringLiteral("localhost."), kValue} << QString()
                                  << QStringLiteral("not a DNS name");
}

void TestAcmeChallenge::lego()
{
    QFETCH(QStringList, operands);
    QFETCH(QString, fqdn);
    QFETCH(QString, error);
    AcmeChallenge c;
    QString why;
    QCOMPARE(legoChallenge(operands, c, why), !fqdn.isEmpty());
    QCOMPARE(c.fqdn, fqdn);
    if (fqdn.isEmpty())
        QVERIFY2(why.contains(error), qPrintable(why));
    else
        QCOMPARE(c.value, operands.at(1));
}

void TestAcmeChallenge::certbot_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("fqdn"); // empty: refused
    QTest::addColumn<QString>("error");
    const QString domain = QStringLiteral("CERTBOT_DOMAIN");
    const QString validation = QStringLiteral("CERTBOT_VALIDATION");
    QTest::newRow("name") << QStringList{domain, QStringLiteral("www.example.com"), validation,
                                         kValue}
                          << QStringLiteral("_acme-challenge.www.example.com") << QString();
    QTest::newRow("wildcard at the name it covers")
        << QStringList{domain, QStringLiteral("*.example.com"), validation, kValue}
        << QStringLiteral("_acme-challenge.example.com") << QString();
    QTest::newRow("cleanup's extra variables")
        << QStringList{domain,
                       QStringLiteral("example.com"),
                       validation,
                       kValue,
                       QStringLiteral("CERTBOT_AUTH_OUTPUT"),
                       QStringLiteral("job 3"),
                       QStringLiteral("CERTBOT_REMAINING_CHALLENGES"),
                       QStringLiteral("0")}
        << QStringLiteral("_acme-challenge.example.com") << QString();
    QTest::newRow("http-01")
        << QStringList{domain, QStringLiteral("example.com"),   validation,
                       kValue, QStringLiteral("CERTBOT_TOKEN"), QStringLiteral("abc")}
        << QString() << QStringLiteral("--preferred-challenges dns");
    QTest::newRow("not run by certbot")
        << QStringList{} << QString() << QStringLiteral("--manual-auth-hook");
    QTest::newRow("no validation") << QStringList{domain, QStringLiteral("example.com")}
                                   << QString() << QStringLiteral("CERTBOT_VALIDATION");
    QTest::newRow("bad name") << QStringList{domain, QStringLiteral("example.com;rm"), validation,
                                             kValue}
                              << QString() << QStringLiteral("not a DNS name");
    QTest::newRow("bad value") << QStringList{domain, QStringLiteral("example.com"), validation,
                                              QStringLiteral("x")}
                               << QString() << QStringLiteral("base64url");
}

void TestAcmeChallenge::certbot()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, fqdn);
    QFETCH(QString, error);
    AcmeChallenge c;
    QString why;
    QCOMPARE(certbotChallenge(certbotEnvironment(environment), c, why), !fqdn.isEmpty());
    QCOMPARE(c.fqdn, fqdn);
    if (fqdn.isEmpty())
        QVERIFY2(why.contains(error), qPrintable(why));
    else
        QCOMPARE(c.value, kValue);
}

void TestAcmeChallenge::place_data()
{
    QTest::addColumn<QString>("fqdn");
    QTest::addColumn<QString>("domain"); // empty: outside the account
    QTest::addColumn<QString>("host");
    QTest::newRow("host in a domain")
        << QStringLiteral("_acme-challenge.www.example.com") << QStringLiteral("example.com")
        << QStringLiteral("_acme-challenge.www");
    QTest::newRow("longest suffix wins")
        << QStringLiteral("_acme-challenge.shop.example.com") << QStringLiteral("shop.example.com")
        << QStringLiteral("_acme-challenge");
    QTest::newRow("the domain itself")
        << QStringLiteral("example.org") << QStringLiteral("Example.ORG.") << QStringLiteral("@");
    QTest::newRow("internationalized domain")
        << QStringLiteral("_acme-challenge.xn--fsqu00a.cn") << QStringLiteral("例子.cn")
        << QStringLiteral("_acme-challenge");
    QTest::newRow("suffix but not on a label boundary")
        << QStringLiteral("_acme-challenge.myexample.com") << QString() << QString();
    QTest::newRow("outside the account")
        << QStringLiteral("_acme-challenge.example.net") << QString() << QString();
    QTest::newRow("a parent of a domain") << QStringLiteral("com") << QString() << QString();
}

void TestAcmeChallenge::place()
{
    QFETCH(QString, fqdn);
    QFETCH(QString, domain);
    QFETCH(QString, host);
    const QStringList domains{QStringLiteral("example.com"), QStringLiteral("shop.example.com"),
                              QStringLiteral("Example.ORG."), QStringLiteral("例子.cn"), QString()};
    ChallengePlace place;
    QCOMPARE(placeName(domains, fqdn, place), !domain.isEmpty());
    QCOMPARE(domains.value(place.domain), domain);
    QCOMPARE(place.host, host);
}

// A present adds its record beside any other challenge on the name; a cleanup removes its own
// record and nothing else.
void TestAcmeChallenge::steps_data()
{
    QTest::addColumn<bool>("cleanup");
    QTest::addColumn<QList<Record>>("live");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("recordID"); // the record the step is about, 0 for a new one
    const QString host = QStringLiteral("_acme-challenge");
    const QString txt = QStringLiteral("TXT");
    const Record mine = testRecord(7, host, txt, kValue, 0, 60);
    const Record wildcards = testRecord(8, host, txt, kOther, 0, 60);
    const Record otherLine = testRecord(9, host, txt, kValue, 285, 60);
    const Record elsewhere = testRecord(10, QStringLiteral("_acme-challenge.www"), txt, kValue);
    QTest::newRow("present on an empty name")
        << false << QList<Record>{elsewhere, otherLine} << QStringLiteral("create") << 0;
    QTest::newRow("present beside the wildcard's challenge")
        << false << QList<Record>{wildcards} << QStringLiteral("create") << 0;
    QTest::newRow("present again")
        << false << QList<Record>{wildcards, mine} << QStringLiteral("unchanged") << 7;
    QTest::newRow("cleanup leaves the wildcard's challenge")
        << true << QList<Record>{wildcards, mine, otherLine, elsewhere} << QStringLiteral("delete")
        << 7;
    QTest::newRow("cleanup of a record already gone")
        << true << QList<Record>{wildcards, otherLine, elsewhere} << QStringLiteral("not-found")
        << 0;
}

void TestAcmeChallenge::steps()
{
    QFETCH(bool, cleanup);
    QFETCH(QList<Record>, live);
    QFETCH(QString, op);
    QFETCH(int, recordID);
    Domain dm;
    dm.id = 3;
    dm.name = QStringLiteral("example.com");
    const AcmeChallenge c{QStringLiteral("_acme-challenge.example.com"), kValue};
    const DomainPlan plan = planBatchDomain(
        challengeRequest(QStringLiteral("_acme-challenge"), c, cleanup), dm.name, &dm, live);
    QCOMPARE(plan.steps.size(), 1);
    const PlanStep &step = plan.steps.first();
    QCOMPARE(step.op, op);
    QCOMPARE(recordFromJson(step.before).id, recordID);
    if (op == QLatin1String("create")) {
        const Record made = recordFromJson(step.after);
        QCOMPARE(made.type, QStringLiteral("TXT"));
        QCOMPARE(made.value, kValue);
        QCOMPARE(made.lineID, 0);
        QCOMPARE(made.ttl, kChallengeTtl);
    }
}

QTEST_GUILESS_MAIN(TestAcmeChallenge)
#include "tst_acmechallenge.moc"
