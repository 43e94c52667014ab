#include "client/RecordIdentity.h"
#include "client/RecordValidation.h"
#include "tests/support/TestRecords.h"

#include <QtTest>

// The one answer to "is this the same record?". The rows are the cases where the local copy,
// the planners, the zone reader and validation used to answer apart.
class TestRecordIdentity : public QObject
{
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void hosts_data();
    void hosts();
    void asciiForms_data();
    void asciiForms();
    void values_data();
    void values();
    void records();
    void asciiFormIsTheSameName_data();
    void asciiFormIsTheSameName();
};

void TestRecordIdentity::names_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("international and ASCII forms") << "例子.com"
                                                   << "xn--fsqu00a.com" << true;
    QTest::newRow("international in upper case") << "BÜCHER.de"
                                                 << "xn--bcher-kva.DE." << true;
    QTest::newRow("final dot and case") << "www.example.com."
                                        << "WWW.example.com" << true;
    QTest::newRow("ideographic full stop") << "例子。com"
                                           << "xn--fsqu00a.com" << true;
    QTest::newRow("wildcard beside an international label") << "*.例子.com"
                                                            << "*.xn--fsqu00a.com" << true;
    QTest::newRow("underscore beside an international label") << "_dmarc.例子.com"
                                                              << "_dmarc.xn--fsqu00a.com" << true;
    QTest::newRow("no ASCII form: by its text") << "例 子.com"
                                                << "例 子.COM" << true;
    QTest::newRow("other label") << "a.example.com"
                                 << "b.example.com" << false;
    QTest::newRow("other international label") << "例子.com"
                                               << "工作.com" << false;
}

void TestRecordIdentity::names()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(normalizeName(a) == normalizeName(b), same);
    // A target is the same name: a CNAME pointing at either is one record's value.
    QCOMPARE(sameValue(QStringLiteral("CNAME"), a, b), same);
}

void TestRecordIdentity::hosts_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("key");
    QTest::newRow("apex by @") << "@"
                               << "@";
    QTest::newRow("apex by nothing") << " "
                                     << "@";
    QTest::newRow("final dot and case") << "WWW."
                                        << "www";
    QTest::newRow("international") << "邮件"
                                   << "xn--5nq051n";
    QTest::newRow("wildcard over an international label") << "*.邮件"
                                                          << "*.xn--5nq051n";
}

void TestRecordIdentity::hosts()
{
    QFETCH(QString, host);
    QFETCH(QString, key);
    QCOMPARE(hostKey(host), key);
    // Validation reads a host through the same ASCII form: valid in either script.
    if (key != QLatin1String("@") && !host.endsWith(QLatin1Char('.')))
        QVERIFY(isRecordHost(host));
}

void TestRecordIdentity::asciiForms_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ascii");
    QTest::newRow("case kept, final dot gone") << "WWW.例子.com."
                                               << "WWW.xn--fsqu00a.com";
    QTest::newRow("wildcard kept") << "*.例子"
                                   << "*.xn--fsqu00a";
    QTest::newRow("ASCII as written") << "_sip._tcp"
                                      << "_sip._tcp";
    QTest::newRow("no ASCII form") << "例 子.com"
                                   << "";
}

void TestRecordIdentity::asciiForms()
{
    QFETCH(QString, name);
    QFETCH(QString, ascii);
    QCOMPARE(asciiName(name), ascii);
}

void TestRecordIdentity::values_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("key"); // of a
    QTest::addColumn<bool>("same");
    QTest::newRow("ipv6 zeros and case") << "AAAA"
                                         << "2001:0DB8:0:0::0001"
                                         << "2001:db8::1"
                                         << "2001:db8::1" << true;
    QTest::newRow("ipv6 dotted tail") << "AAAA"
                                      << "::ffff:192.0.2.1"
                                      << "::ffff:c000:201"
                                      << "::ffff:c000:201" << true;
    QTest::newRow("ipv4 leading zeros") << "A"
                                        << "203.000.113.007"
                                        << "203.0.113.7"
                                        << "203.0.113.7" << true;
    QTest::newRow("ipv4 other address") << "A"
                                        << "1.2.3.4"
                                        << "1.2.3.5"
                                        << "1.2.3.4" << false;
    QTest::newRow("target: final dot and case") << "cname"
                                                << "Edge.CDN.net."
                                                << "edge.cdn.net"
                                                << "edge.cdn.net" << true;
    QTest::newRow("target: international") << "MX"
                                           << "邮件.example.com."
                                           << "xn--5nq051n.example.com"
                                           << "xn--5nq051n.example.com" << true;
    QTest::newRow("txt: case counts") << "TXT"
                                      << "Key=A"
                                      << "key=a"
                                      << "Key=A" << false;
    QTest::newRow("txt: blanks the service drops") << "TXT"
                                                   << " v=spf1 -all "
                                                   << "v=spf1 -all"
                                                   << "v=spf1 -all" << true;
    QTest::newRow("txt: a dot is text") << "TXT"
                                        << "a.example."
                                        << "a.example"
                                        << "a.example." << false;
}

void TestRecordIdentity::values()
{
    QFETCH(QString, type);
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, key);
    QFETCH(bool, same);
    QCOMPARE(valueKey(type, a), key);
    QCOMPARE(sameValue(type, a, b), same);
    QCOMPARE(sameValue(type, b, a), same);
}

void TestRecordIdentity::records()
{
    // One record written by the window (international host, target with its dot) and read back
    // from the service (ASCII forms, no dot): the same record to every part of the program.
    Record written = testRecord(1, QStringLiteral("邮件"), QStringLiteral("CNAME"),
                                QStringLiteral("Mail.例子.com."));
    Record listed = testRecord(9, QStringLiteral("xn--5nq051n"), QStringLiteral("CNAME"),
                               QStringLiteral("mail.xn--fsqu00a.com"));
    QVERIFY(sameRecord(written, listed));
    QVERIFY(sameLiveRecord(written, listed));
    listed.state = 1;
    QVERIFY(sameRecord(written, listed));
    QVERIFY(!sameLiveRecord(written, listed));
    listed.setLine(7);
    QVERIFY(!sameRecord(written, listed));
    QCOMPARE(listed.viewID, 7);
    QCOMPARE(listed.view.viewID, 7);
}

void TestRecordIdentity::asciiFormIsTheSameName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("international") << "例子.com";
    QTest::newRow("international in upper case") << "BÜCHER.de";
    // Qt's IDNA conversion leaves a Georgian capital as it is, while the name compares in lower
    // case: such a name has no ASCII form rather than one that reads back as another name.
    QTest::newRow("capital the conversion keeps") << "\u10AE\u4EF6.com";
    QTest::newRow("wildcard") << "*.例子.com";
}

// The form a zone file is written with reads back as the same name.
void TestRecordIdentity::asciiFormIsTheSameName()
{
    QFETCH(QString, name);
    const QString ascii = asciiName(name);
    if (!ascii.isEmpty())
        QCOMPARE(normalizeName(ascii), normalizeName(name));
}

QTEST_APPLESS_MAIN(TestRecordIdentity)
#include "tst_recordidentity.moc"
