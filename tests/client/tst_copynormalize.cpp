#include "client/RecordIdentity.h"
#include "client/copy/LocalCopy.h"
#include "client/copy/SearchForm.h"

#include <QtTest>

// How names, values and ranges compare: a search finds a record exactly when the forms meet.
class TestCopyNormalize : public QObject
{
    Q_OBJECT
private slots:
    void names_data();
    void names();
    void values_data();
    void values();
    void ranges_data();
    void ranges();
    void queries_data();
    void queries();
};

void TestCopyNormalize::names_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("expected");
    QTest::newRow("apex by @") << "@"
                               << "Example.COM."
                               << "example.com";
    QTest::newRow("apex by empty host") << ""
                                        << "example.com"
                                        << "example.com";
    QTest::newRow("host case") << "WWW"
                               << "example.com"
                               << "www.example.com";
    QTest::newRow("trailing dots") << "mail."
                                   << "example.com.."
                                   << "mail.example.com";
    QTest::newRow("blanks") << " www "
                            << " example.com "
                            << "www.example.com";
    QTest::newRow("wildcard") << "*"
                              << "example.com"
                              << "*.example.com";
    QTest::newRow("underscore label") << "_dmarc"
                                      << "example.com"
                                      << "_dmarc.example.com";
    QTest::newRow("idn domain") << "www"
                                << "工作.cn"
                                << "www.xn--2qq276a.cn";
    QTest::newRow("idn upper case") << "@"
                                    << "BÜCHER.de"
                                    << "xn--bcher-kva.de";
    QTest::newRow("ace stays") << "@"
                               << "XN--BCHER-KVA.de."
                               << "xn--bcher-kva.de";
    QTest::newRow("idn host") << "邮件"
                              << "example.com"
                              << "xn--5nq051n.example.com";
    QTest::newRow("blank before a host's dot") << "a ."
                                               << "example.com"
                                               << "a .example.com";
    QTest::newRow("blank before a domain's dot") << "www"
                                                 << "example.com ."
                                                 << "www.example.com";
    QTest::newRow("host only dots") << ".."
                                    << "example.com"
                                    << ".example.com";
}

void TestCopyNormalize::names()
{
    QFETCH(QString, host);
    QFETCH(QString, domain);
    QFETCH(QString, expected);
    QCOMPARE(normalizedFullName(host, domain), expected);
    // The same, with the domain's part normalized once for all its records.
    QCOMPARE(DomainNameForm(domain).fullName(host, normalizeName(host)), expected);
}

void TestCopyNormalize::values_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("ipv4");
    QTest::addColumn<bool>("ipv6");
    QTest::newRow("ipv4") << "A"
                          << " 203.0.113.7 "
                          << "203.0.113.7" << qint64(0xCB007107) << false;
    QTest::newRow("ipv4 leading zeros") << "a"
                                        << "203.000.113.007"
                                        << "203.0.113.7" << qint64(0xCB007107) << false;
    QTest::newRow("ipv4 edges") << "A"
                                << "255.255.255.255"
                                << "255.255.255.255" << qint64(0xFFFFFFFF) << false;
    QTest::newRow("not ipv4: octet") << "A"
                                     << "256.1.1.1"
                                     << "256.1.1.1" << qint64(-1) << false;
    QTest::newRow("not ipv4: three parts") << "A"
                                           << "10.1.1"
                                           << "10.1.1" << qint64(-1) << false;
    QTest::newRow("not ipv4: sign") << "A"
                                    << "+1.2.3.4"
                                    << "+1.2.3.4" << qint64(-1) << false;
    QTest::newRow("ipv6 upper, zeros") << "AAAA"
                                       << "2001:DB8:0:0:0:0:0:1"
                                       << "2001:db8::1" << qint64(-1) << true;
    QTest::newRow("ipv6 leading zeros") << "AAAA"
                                        << "2001:0db8:0000::0001"
                                        << "2001:db8::1" << qint64(-1) << true;
    QTest::newRow("ipv6 longest run") << "AAAA"
                                      << "2001:0:0:1:0:0:0:1"
                                      << "2001:0:0:1::1" << qint64(-1) << true;
    QTest::newRow("ipv6 tie: first run") << "AAAA"
                                         << "2001:db8:0:0:1:0:0:1"
                                         << "2001:db8::1:0:0:1" << qint64(-1) << true;
    QTest::newRow("ipv6 one zero group") << "AAAA"
                                         << "2001:db8:0:1:1:1:1:1"
                                         << "2001:db8:0:1:1:1:1:1" << qint64(-1) << true;
    QTest::newRow("ipv6 all zero") << "AAAA"
                                   << "0:0:0:0:0:0:0:0"
                                   << "::" << qint64(-1) << true;
    QTest::newRow("ipv6 loopback") << "AAAA"
                                   << "::1"
                                   << "::1" << qint64(-1) << true;
    QTest::newRow("ipv6 dotted tail") << "AAAA"
                                      << "::ffff:192.0.2.1"
                                      << "::ffff:c000:201" << qint64(-1) << true;
    QTest::newRow("ipv6 with zone is no address") << "AAAA"
                                                  << "fe80::1%eth0"
                                                  << "fe80::1%eth0" << qint64(-1) << false;
    QTest::newRow("ipv4 in AAAA is no address") << "AAAA"
                                                << "192.0.2.1"
                                                << "192.0.2.1" << qint64(-1) << false;
    QTest::newRow("cname as a name") << "CNAME"
                                     << "Target.Example.COM."
                                     << "target.example.com" << qint64(-1) << false;
    QTest::newRow("mx idn") << "MX"
                            << "邮件.example.com."
                            << "xn--5nq051n.example.com" << qint64(-1) << false;
    QTest::newRow("txt lower, dot kept") << "TXT"
                                         << "v=spf1 Include:x.example. -all"
                                         << "v=spf1 include:x.example. -all" << qint64(-1) << false;
}

void TestCopyNormalize::values()
{
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, text);
    QFETCH(qint64, ipv4);
    QFETCH(bool, ipv6);
    const NormalizedValue n = normalizeValue(type, value);
    QCOMPARE(n.text, text);
    QCOMPARE(n.ipv4, ipv4);
    QCOMPARE(n.ipv6.size(), ipv6 ? 16 : 0);
    if (ipv6)
        QCOMPARE(ipv6Text(n.ipv6), text);
}

void TestCopyNormalize::ranges_data()
{
    QTest::addColumn<QString>("cidr");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("first"); // as address text
    QTest::addColumn<QString>("last");
    QTest::newRow("/24") << "203.0.113.0/24" << true << "203.0.113.0"
                         << "203.0.113.255";
    QTest::newRow("host bits ignored") << "203.0.113.77/24" << true << "203.0.113.0"
                                       << "203.0.113.255";
    QTest::newRow("/32 one address") << "203.0.113.7/32" << true << "203.0.113.7"
                                     << "203.0.113.7";
    QTest::newRow("/0 everything") << "8.8.8.8/0" << true << "0.0.0.0"
                                   << "255.255.255.255";
    QTest::newRow("/31") << "10.0.0.3/31" << true << "10.0.0.2"
                         << "10.0.0.3";
    QTest::newRow("v6 /32") << "2001:DB8::/32" << true << "2001:db8::"
                            << "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff";
    QTest::newRow("v6 /127") << "2001:db8::3/127" << true << "2001:db8::2"
                             << "2001:db8::3";
    QTest::newRow("v6 /128") << "2001:db8::3/128" << true << "2001:db8::3"
                             << "2001:db8::3";
    QTest::newRow("v6 /0") << "::/0" << true << "::"
                           << "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff";
    QTest::newRow("v6 prefix off a byte") << "2001:db8:8000::/33" << true << "2001:db8:8000::"
                                          << "2001:db8:ffff:ffff:ffff:ffff:ffff:ffff";
    QTest::newRow("prefix too long") << "203.0.113.0/33" << false << ""
                                     << "";
    QTest::newRow("v6 prefix too long") << "2001:db8::/129" << false << ""
                                        << "";
    QTest::newRow("no prefix") << "203.0.113.0/" << false << ""
                               << "";
    QTest::newRow("negative prefix") << "203.0.113.0/-1" << false << ""
                                     << "";
    QTest::newRow("prefix not a number") << "203.0.113.0/2x" << false << ""
                                         << "";
    QTest::newRow("no address") << "/24" << false << ""
                                << "";
    QTest::newRow("name") << "example.com/24" << false << ""
                          << "";
    QTest::newRow("short address") << "203.0.113/24" << false << ""
                                   << "";
    QTest::newRow("two slashes") << "203.0.113.0/24/8" << false << ""
                                 << "";
}

void TestCopyNormalize::ranges()
{
    QFETCH(QString, cidr);
    QFETCH(bool, valid);
    QFETCH(QString, first);
    QFETCH(QString, last);
    AddressRange range;
    QString error;
    QCOMPARE(parseCidr(cidr, range, error), valid);
    if (!valid) {
        QVERIFY(error.contains(cidr));
        return;
    }
    if (range.isV6) {
        QCOMPARE(ipv6Text(range.v6First), first);
        QCOMPARE(ipv6Text(range.v6Last), last);
    } else {
        QCOMPARE(ipv4Text(range.v4First), first);
        QCOMPARE(ipv4Text(range.v4Last), last);
    }
}

void TestCopyNormalize::queries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("contains");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("blank") << "  " << true << false;
    QTest::newRow("bad range") << "203.0.113.0/33" << false << false;
    // A substring may hold a slash (a TXT value, a URL), so it is no range.
    QTest::newRow("slash in a substring") << "a/b" << true << true;
    QTest::newRow("value") << "203.0.113.7" << false << true;
}

void TestCopyNormalize::queries()
{
    QFETCH(QString, text);
    QFETCH(bool, contains);
    QFETCH(bool, valid);
    SearchQuery q;
    q.text = text;
    q.contains = contains;
    QString error;
    QCOMPARE(checkSearchQuery(q, error), valid);
    QCOMPARE(error.isEmpty(), valid);
}

QTEST_GUILESS_MAIN(TestCopyNormalize)
#include "tst_copynormalize.moc"
