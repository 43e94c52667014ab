#include "client/PackageLines.h"
#include "client/RecordValidation.h"
#include "manage/records/RecordRowText.h"

#include <QtTest>

namespace {

QStringList names(const QList<View> &lines)
{
    QStringList out;
    for (const View &v : lines)
        out.append(v.viewName);
    return out;
}

View line(const QString &name, int id, int area, const QList<View> &subs = {})
{
    return View{name, id, area, subs};
}

} // namespace

// What the record page decides without a window: which values it refuses before sending,
// which lines its chooser offers, and what a row's cells say.
class TestRecordLogic : public QObject
{
    Q_OBJECT
private slots:
    void draftChecks_data();
    void draftChecks();
    void ipv6Forms_data();
    void ipv6Forms();

    void lineTreeGreysWhatThePackageLacks();
    void lineTreeWithoutServiceList();
    void lineTypeFallbacks();

    void typeNames_data();
    void typeNames();
    void mxAndLineTexts();
    void operationsColumnNarrowsPastTenRows();
};

void TestRecordLogic::draftChecks_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("ttl");
    QTest::addColumn<QString>("mx");
    QTest::addColumn<bool>("isNew");
    QTest::addColumn<QString>("problem");

    const QString ok;
    const QString badIp = QStringLiteral("IP格式有误");
    const QString badHost = QStringLiteral("主机头格式错误");
    const QString badTarget = QStringLiteral("记录值格式错误");
    const QString badTtl = QStringLiteral("TTL须为1到604800之间的整数");
    const QString badMx = QStringLiteral("MX优先级须为0到65535之间的整数");
    const QString a = QStringLiteral("A");
    const QString ip = QStringLiteral("192.0.2.1");
    const QString ttl = QStringLiteral("600");

    // Valid values, none of which may be refused.
    QTest::newRow("A apex") << a << "@" << ip << ttl << "" << true << ok;
    QTest::newRow("A lowest") << a << "www"
                              << "0.0.0.0" << ttl << "" << true << ok;
    QTest::newRow("A highest") << a << "www"
                               << "255.255.255.255" << ttl << "" << true << ok;
    QTest::newRow("A padded") << a << " www "
                              << " 192.0.2.1 "
                              << " 600 "
                              << "" << true << ok;
    QTest::newRow("wildcard") << a << "*" << ip << ttl << "" << true << ok;
    QTest::newRow("wildcard label") << a << "*.a" << ip << ttl << "" << true << ok;
    QTest::newRow("underscore") << "TXT"
                                << "_dmarc"
                                << "v=DMARC1; p=none" << ttl << "" << true << ok;
    QTest::newRow("underscores inside") << a << "a_b.c_d" << ip << ttl << "" << true << ok;
    QTest::newRow("upper case host") << a << "WWW" << ip << ttl << "" << true << ok;
    QTest::newRow("host in Chinese") << a << "中文" << ip << ttl << "" << true << ok;
    QTest::newRow("empty host of new") << a << "" << ip << ""
                                       << "" << true << ok;
    QTest::newRow("AAAA") << "AAAA"
                          << "v6"
                          << "2001:db8::10" << ttl << "" << true << ok;
    QTest::newRow("CNAME") << "CNAME"
                           << "www"
                           << "cdn.example.net" << ttl << "" << true << ok;
    QTest::newRow("CNAME final dot") << "CNAME"
                                     << "www"
                                     << "cdn.example.net." << ttl << "" << true << ok;
    QTest::newRow("CNAME in Chinese") << "CNAME"
                                      << "www"
                                      << "例子.中国" << ttl << "" << true << ok;
    QTest::newRow("NS final dot") << "NS"
                                  << "sub"
                                  << "ns1.example.net." << ttl << "" << true << ok;
    QTest::newRow("MX") << "MX"
                        << "@"
                        << "mx.example.com" << ttl << "10" << true << ok;
    QTest::newRow("MX final dot") << "MX"
                                  << "@"
                                  << "mx.example.com." << ttl << "0" << true << ok;
    QTest::newRow("MX highest") << "MX"
                                << "@"
                                << "mx.example.com" << ttl << "65535" << true << ok;
    QTest::newRow("MX left empty") << "MX"
                                   << "@"
                                   << "mx.example.com" << ttl << "" << false << ok;
    QTest::newRow("A ignores MX") << a << "@" << ip << ttl << "-" << true << ok;
    QTest::newRow("TXT anything") << "TXT"
                                  << "@"
                                  << "任何 文本; \"quoted\" 'x' =+/" << ttl << "" << true << ok;
    QTest::newRow("TXT 255") << "TXT"
                             << "@" << QString(255, QLatin1Char('x')) << ttl << "" << true << ok;
    QTest::newRow("TTL 1") << a << "@" << ip << "1"
                           << "" << true << ok;
    QTest::newRow("TTL 604800") << a << "@" << ip << "604800"
                                << "" << true << ok;
    QTest::newRow("change keeps value") << a << "www"
                                        << ""
                                        << ""
                                        << "" << false << ok;
    QTest::newRow("lower-case type") << "cname"
                                     << "www"
                                     << "cdn.example.net" << ttl << "" << false << ok;

    // Refused before sending, with the service's words where it has them.
    QTest::newRow("A three parts") << a << "@"
                                   << "1.2.3" << ttl << "" << true << badIp;
    QTest::newRow("A 256") << a << "@"
                           << "256.1.1.1" << ttl << "" << true << badIp;
    QTest::newRow("A leading zero") << a << "@"
                                    << "01.2.3.4" << ttl << "" << true << badIp;
    QTest::newRow("A five parts") << a << "@"
                                  << "1.2.3.4.5" << ttl << "" << true << badIp;
    QTest::newRow("A letters") << a << "@"
                               << "a.b.c.d" << ttl << "" << true << badIp;
    QTest::newRow("A with IPv6") << a << "@"
                                 << "2001:db8::1" << ttl << "" << false << badIp;
    QTest::newRow("AAAA with IPv4") << "AAAA"
                                    << "@" << ip << ttl << "" << true << badIp;
    QTest::newRow("CNAME one label") << "CNAME"
                                     << "www"
                                     << "localhost" << ttl << "" << true << badTarget;
    QTest::newRow("CNAME address") << "CNAME"
                                   << "www"
                                   << "1.2.3.4" << ttl << "" << true << badTarget;
    QTest::newRow("CNAME empty label") << "CNAME"
                                       << "www"
                                       << "a..example.com" << ttl << "" << true << badTarget;
    QTest::newRow("NS with blank") << "NS"
                                   << "@"
                                   << "ns 1.example.net" << ttl << "" << true << badTarget;
    QTest::newRow("MX two dots") << "MX"
                                 << "@"
                                 << "mx.example.com.." << ttl << "10" << true << badTarget;
    QTest::newRow("host wildcard last") << a << "a.*" << ip << ttl << "" << true << badHost;
    QTest::newRow("host blank") << a << "a b" << ip << ttl << "" << true << badHost;
    QTest::newRow("host final dot") << a << "www." << ip << ttl << "" << true << badHost;
    QTest::newRow("host leading dot") << a << ".www" << ip << ttl << "" << true << badHost;
    QTest::newRow("host apex label") << a << "@.a" << ip << ttl << "" << true << badHost;
    QTest::newRow("host label 64")
        << a << QString(64, QLatin1Char('h')) << ip << ttl << "" << true << badHost;
    QTest::newRow("TTL letters") << a << "@" << ip << "abc"
                                 << "" << true << badTtl;
    QTest::newRow("TTL zero") << a << "@" << ip << "0"
                              << "" << true << badTtl;
    QTest::newRow("TTL above a week") << a << "@" << ip << "604801"
                                      << "" << false << badTtl;
    QTest::newRow("TTL negative") << a << "@" << ip << "-5"
                                  << "" << true << badTtl;
    QTest::newRow("TTL exponent") << a << "@" << ip << "1e3"
                                  << "" << true << badTtl;
    QTest::newRow("TTL huge") << a << "@" << ip << "99999999999999"
                              << "" << true << badTtl;
    QTest::newRow("MX letters") << "MX"
                                << "@"
                                << "mx.example.com" << ttl << "abc" << true << badMx;
    QTest::newRow("MX too high") << "MX"
                                 << "@"
                                 << "mx.example.com" << ttl << "65536" << false << badMx;
    QTest::newRow("MX negative") << "MX"
                                 << "@"
                                 << "mx.example.com" << ttl << "-1" << true << badMx;
    QTest::newRow("TXT 256") << "TXT"
                             << "@" << QString(256, QLatin1Char('x')) << ttl << "" << true
                             << QStringLiteral("记录值长度超过255");
    QTest::newRow("new without value") << a << "@"
                                       << "" << ttl << "" << true << QStringLiteral("记录值不为空");
    QTest::newRow("unknown type") << "SRV"
                                  << "@"
                                  << "x" << ttl << "" << true << QStringLiteral("记录类型不存在");
}

void TestRecordLogic::draftChecks()
{
    QFETCH(QString, type);
    QFETCH(QString, host);
    QFETCH(QString, value);
    QFETCH(QString, ttl);
    QFETCH(QString, mx);
    QFETCH(bool, isNew);
    QFETCH(QString, problem);
    QCOMPARE(recordDraftProblem(RecordDraft{host, type, value, ttl, mx, isNew}), problem);
}

void TestRecordLogic::ipv6Forms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("loopback") << "::1" << true;
    QTest::newRow("unspecified") << "::" << true;
    QTest::newRow("full") << "1:2:3:4:5:6:7:8" << true;
    QTest::newRow("gap for one group") << "1:2:3:4:5:6:7::" << true;
    QTest::newRow("upper case") << "FE80::ABCD" << true;
    QTest::newRow("IPv4 tail") << "::ffff:192.0.2.1" << true;
    QTest::newRow("IPv4 tail full") << "1:2:3:4:5:6:192.0.2.1" << true;
    QTest::newRow("nine groups") << "1:2:3:4:5:6:7:8:9" << false;
    QTest::newRow("seven groups") << "1:2:3:4:5:6:7" << false;
    QTest::newRow("two gaps") << "1::2::3" << false;
    QTest::newRow("triple colon") << "2001:db8:::1" << false;
    QTest::newRow("five digits") << "12345::1" << false;
    QTest::newRow("not hex") << "g::1" << false;
    QTest::newRow("zone") << "fe80::1%eth0" << false;
    QTest::newRow("leading colon") << ":1:2:3:4:5:6:7" << false;
    QTest::newRow("bad IPv4 tail") << "::ffff:192.0.2.256" << false;
    QTest::newRow("IPv4 tail too many groups") << "1:2:3:4:5:6:7:192.0.2.1" << false;
    QTest::newRow("IPv4 alone") << "192.0.2.1" << false;
}

void TestRecordLogic::ipv6Forms()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QCOMPARE(isIPv6Address(text), valid);
}

void TestRecordLogic::lineTreeGreysWhatThePackageLacks()
{
    const View telecom = line(QStringLiteral("电信"), 0x11174100, 1,
                              {line(QStringLiteral("北京电信"), 0x11174111, 2),
                               line(QStringLiteral("上海电信"), 0x11174131, 2)});
    const View education = line(QStringLiteral("教育网"), 0x11174300, 3);
    const View overseas = line(QStringLiteral("国外"), 0x20000000, 4,
                               {line(QStringLiteral("亚洲"), 0x21000000, kAbsent)});
    const QList<View> all = {line(QStringLiteral("默认"), 0, 1), telecom, education, overseas};

    // Package "1,2": the default and telecom lines with the provinces; the rest greyed.
    const QList<View> package = {line(QStringLiteral("默认"), 0, 1),
                                 line(QStringLiteral("电信"), 0x11174100, 1),
                                 telecom.subViews.at(0), telecom.subViews.at(1)};
    const QList<View> tree = packageLineTree(all, package);
    QCOMPARE(names(tree), QStringList({"默认", "电信", "教育网", "国外"}));
    QCOMPARE(tree.at(0).viewID, 0);
    QCOMPARE(tree.at(1).viewID, 0x11174100);
    QCOMPARE(names(tree.at(1).subViews), QStringList({"北京电信", "上海电信"}));
    QCOMPARE(tree.at(2).viewID, kLineNotInPackage);
    QCOMPARE(tree.at(3).viewID, kLineNotInPackage);
    QVERIFY(tree.at(3).subViews.isEmpty());

    // Package "1": telecom without its provinces.
    const QList<View> basic = packageLineTree(all, package.mid(0, 2));
    QVERIFY(basic.at(1).subViews.isEmpty());
    QCOMPARE(basic.at(1).viewID, 0x11174100);
}

void TestRecordLogic::lineTreeWithoutServiceList()
{
    const QList<View> package = {line(QStringLiteral("默认"), 0, 1),
                                 line(QStringLiteral("电信"), 0x11174100, 1)};
    QCOMPARE(names(packageLineTree({}, package)), names(package));
    const QList<View> fallback = packageLineTree({}, {});
    QCOMPARE(names(fallback), QStringList({"默认"}));
    QCOMPARE(fallback.at(0).viewID, 0);
}

void TestRecordLogic::lineTypeFallbacks()
{
    Domain own;
    own.viewType = QStringLiteral("1,2");
    Domain other;
    other.viewType = QStringLiteral("1,5");
    Record record;
    record.domain = &own;
    QCOMPARE(lineTypeFor(&record, &other, true), QStringLiteral("1,2"));
    record.domain = nullptr;
    QCOMPARE(lineTypeFor(&record, &other, true), QStringLiteral("1,5"));
    QCOMPARE(lineTypeFor(nullptr, nullptr, true), QStringLiteral("1,2,3,4,5"));
    QCOMPARE(lineTypeFor(nullptr, nullptr, false), QStringLiteral("1"));
}

void TestRecordLogic::typeNames_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("A") << "A"
                       << "A";
    QTest::newRow("AAAA not A") << "AAAA"
                                << "AAAA";
    QTest::newRow("lower case") << "mx"
                                << "MX";
    QTest::newRow("prefix") << "CN"
                            << "CNAME";
    QTest::newRow("unknown") << "SRV"
                             << "";
    QTest::newRow("none") << ""
                          << "";
}

void TestRecordLogic::typeNames()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    const QStringList codes = {"A", "CNAME", "MX", "TXT", "NS", "AAAA"};
    QCOMPARE(recordTypeName(codes, codes, type), name);
}

void TestRecordLogic::mxAndLineTexts()
{
    Record r;
    r.type = QStringLiteral("A");
    r.mx = 10;
    QCOMPARE(recordMxText(r), QStringLiteral("-"));
    r.type = QStringLiteral("MX");
    r.mx = 20;
    QCOMPARE(recordMxText(r), QStringLiteral("20"));
    QCOMPARE(recordLineText(View{}), QStringLiteral("未知"));
    QCOMPARE(recordLineText(View{QStringLiteral("电信"), 1, 1, {}}), QStringLiteral("电信"));
}

void TestRecordLogic::operationsColumnNarrowsPastTenRows()
{
    QCOMPARE(operationsColumnWidth(0), 130);
    QCOMPARE(operationsColumnWidth(10), 130);
    QCOMPARE(operationsColumnWidth(11), 89);
}

QTEST_APPLESS_MAIN(TestRecordLogic)
#include "tst_recordlogic.moc"
