#include "client/ApiRequest.h"

#include <QtTest>

// Signing and encoding of a request, without a network.
class TestApiRequest : public QObject
{
    Q_OBJECT
private slots:
    void signsInKeyOrderWithKeyAndTimestamp();
    void signsRawButSendsPercentEncoded();
    void unsignedBeforeSignIn();
};

void TestApiRequest::signsInKeyOrderWithKeyAndTimestamp()
{
    ApiParams p;
    p.insert("pageSize", QStringLiteral("50"));
    p.insert("domainID", QStringLiteral("5"));
    p.insert("page", QStringLiteral("2"));
    prepareParams(p, true, 1700000000, QStringLiteral("KEY"), QStringLiteral("SECRET"));

    QCOMPARE(p.value("hash"), QStringLiteral("1be7990e6379a611d0ebb67925e46393"));
    QCOMPARE(encodeFormBody(p),
             QByteArray("apiKey=KEY&domainID=5&hash=1be7990e6379a611d0ebb67925e46393&page=2"
                        "&pageSize=50&timestamp=1700000000"));
}

void TestApiRequest::signsRawButSendsPercentEncoded()
{
    ApiParams p;
    p.insert("note", QStringLiteral("a b&c=d中"));
    QCOMPARE(signatureBase(p, QStringLiteral("S")), QStringLiteral("note=a b&c=d中S"));

    prepareParams(p, true, 1700000000, QStringLiteral("KEY"), QStringLiteral("SECRET"));
    QCOMPARE(p.value("hash"), QStringLiteral("865908fdf14c6da0820dd51faac356ad"));
    QVERIFY(encodeFormBody(p).contains("&note=a%20b%26c%3Dd%E4%B8%AD&"));
    QCOMPARE(QString::fromLatin1(encodeFormBody(p)).count(QLatin1Char('+')), 0);

    ApiParams unreserved;
    unreserved.insert("v", QStringLiteral("AZaz09-._~+/"));
    QCOMPARE(encodeFormBody(unreserved), QByteArray("v=AZaz09-._~%2B%2F"));
}

void TestApiRequest::unsignedBeforeSignIn()
{
    ApiParams p;
    p.insert("email", QStringLiteral("a@b.c"));
    prepareParams(p, false, 1700000000, QString(), QString());
    QCOMPARE(p.keys(), QList<QByteArray>{"email"});
}

QTEST_GUILESS_MAIN(TestApiRequest)
#include "tst_apirequest.moc"
