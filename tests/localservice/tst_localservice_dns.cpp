#include "client/LineSubnets.h"
#include "client/User.h"
#include "localservice/dns/NameServers.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

constexpr int kLiveWithinMs = 15000; // generous: the machine may be busy
const QString kDomain = QStringLiteral("halvik-demo.com");
const QString kTelecom = QStringLiteral("286736640");          // 电信
const QString kUnicom = QStringLiteral("286736896");           // 联通
const QString kGuangdongTelecom = QStringLiteral("286736708"); // 电信 广东, below 电信

// What one name server said: its status ("NOERROR", "NXDOMAIN", "REFUSED", "no answer") and
// the answer's data, sorted.
struct Answer
{
    Answer(const QString &s = QString(), const QStringList &d = QStringList()) : status(s), data(d)
    {}

    QString status;
    QStringList data;
    QStringList ttls; // of the answer's records, not compared

    bool operator==(const Answer &o) const { return status == o.status && data == o.data; }
};

char *toString(const Answer &a)
{
    return QTest::toString(a.status + QStringLiteral(": ") + a.data.join(QStringLiteral(" | ")));
}

Answer served(const QStringList &data)
{
    return {QStringLiteral("NOERROR"), data};
}

} // namespace

// The stand-in's name servers, asked with Knot's own kdig: every change reaches ns1 and ns2,
// each line's records go to its subnets, paused records and domains are not served, and ns2's
// faults hold changes back or stop its answers.
class TestLocalServiceDns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void changeReachesBothServers();
    void linesAnswerTheirSubnets_data();
    void linesAnswerTheirSubnets();
    void lineRules_data();
    void lineRules();
    void valuesAsServed_data();
    void valuesAsServed();
    void pausedIsNotServed();
    void longNameKeepsTheLines();
    void nameServersAreServed();
    void ns2LagHoldsChangesBack();
    void ns2StopAnswersNothing();

private:
    // Asks address (ns1 or ns2) once, with subnet as EDNS Client Subnet when given.
    Answer ask(const QString &address, const QString &name, const QString &type,
               const QString &subnet = QString());
    QString host(const QString &label) const { return label + QLatin1Char('.') + kDomain; }
    // An address inside the first subnet the service's line table gives lineId.
    QString addressOfLine(const QString &lineId) const;
    Record addRecord(const QString &label, const QString &type, const QString &value,
                     const QString &line = QStringLiteral("0"),
                     const QString &ttl = QStringLiteral("600"));

    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
    Domain *m_domain = nullptr;
    LineSubnets m_lines;
    QString m_kdig;
};

void TestLocalServiceDns::initTestCase()
{
    m_kdig = QStandardPaths::findExecutable(QStringLiteral("kdig"));
    QVERIFY2(!m_kdig.isEmpty(), "kdig (knot-dnsutils) is needed");
    m_boxes = std::make_unique<RecordingPresenter>();
    LocalServiceFixture::Options options;
    options.nameServers = true;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    QVERIFY(m_service->dnsPort() != 0);
    QFile table(m_service->dataDir() + QStringLiteral("/dns/line-subnets.txt"));
    QVERIFY(table.open(QIODevice::ReadOnly));
    QString error;
    QVERIFY2(parseLineSubnets(table.readAll(), &m_lines, &error), qPrintable(error));
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
    QVERIFY(m_user->getDomain() > 0);
    m_domain = m_user->domain2ptr(kDomain);
    QVERIFY(m_domain);
}

void TestLocalServiceDns::cleanupTestCase()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

void TestLocalServiceDns::cleanup()
{
    if (m_service && m_service->service().nameServers())
        m_service->service().nameServers()->setNs2Fault(Ns2Fault());
}

Answer TestLocalServiceDns::ask(const QString &address, const QString &name, const QString &type,
                                const QString &subnet)
{
    QStringList args = {QLatin1Char('@') + address,
                        QStringLiteral("-p"),
                        QString::number(m_service->dnsPort()),
                        QStringLiteral("+time=1"),
                        QStringLiteral("+retry=0"),
                        QStringLiteral("+norecurse"),
                        name,
                        type};
    if (!subnet.isEmpty())
        args.append(QStringLiteral("+subnet=") + subnet);
    QProcess kdig;
    kdig.start(m_kdig, args);
    if (!kdig.waitForFinished(10000))
        return {QStringLiteral("kdig hung"), {}};
    const QString out = QString::fromUtf8(kdig.readAllStandardOutput());
    const QRegularExpression status(QStringLiteral("status: (\\w+)"));
    const QRegularExpressionMatch m = status.match(out);
    if (!m.hasMatch())
        return {QStringLiteral("no answer"), {}};
    Answer a{m.captured(1), {}};
    const int section = out.indexOf(QLatin1String(";; ANSWER SECTION:"));
    if (section >= 0) {
        const QStringList lines = out.mid(section).split(QLatin1Char('\n')).mid(1);
        for (const QString &line : lines) {
            if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char(';')))
                break;
            a.data.append(line.section(QLatin1Char('\t'), -1).trimmed());
            a.ttls.append(line.section(QLatin1Char('\t'), 1, 1).trimmed());
        }
    }
    a.data.sort();
    return a;
}

QString TestLocalServiceDns::addressOfLine(const QString &lineId) const
{
    const QStringList subnets = m_lines.subnets.value(lineId.toInt());
    if (subnets.isEmpty())
        return QString();
    const QPair<QHostAddress, int> net = QHostAddress::parseSubnet(subnets.first());
    return QHostAddress(net.first.toIPv4Address() + 9).toString() + QStringLiteral("/32");
}

Record TestLocalServiceDns::addRecord(const QString &label, const QString &type,
                                      const QString &value, const QString &line, const QString &ttl)
{
    Record r;
    if (!m_user->addRecord(m_domain, value, type, line, label, ttl, QStringLiteral("10"), &r))
        qWarning("addRecord %s %s failed: %s", qPrintable(label), qPrintable(value),
                 qPrintable(m_user->errorText));
    return r;
}

void TestLocalServiceDns::changeReachesBothServers()
{
    const QString name = host(QStringLiteral("change"));
    const Record r =
        addRecord(QStringLiteral("change"), QStringLiteral("A"), QStringLiteral("192.0.2.1"));
    QVERIFY(r.id > 0);
    for (const QString &ns : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")})
        QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                                  served({QStringLiteral("192.0.2.1")}), kLiveWithinMs);

    QVERIFY(m_user->editRecord(m_domain, r.id, QString(), QString(), QStringLiteral("192.0.2.2")));
    for (const QString &ns : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")})
        QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                                  served({QStringLiteral("192.0.2.2")}), kLiveWithinMs);

    QVERIFY(m_user->delRecord(m_domain, r.id));
    for (const QString &ns : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")})
        QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                                  (Answer{QStringLiteral("NXDOMAIN"), {}}), kLiveWithinMs);
}

void TestLocalServiceDns::linesAnswerTheirSubnets_data()
{
    QTest::addColumn<QString>("line"); // whose subnet asks; empty: no client subnet
    QTest::addColumn<QString>("expected");
    QTest::newRow("电信 subnet: the 电信 record") << kTelecom << "192.0.2.11";
    QTest::newRow("广东电信 falls back to 电信") << kGuangdongTelecom << "192.0.2.11";
    QTest::newRow("联通 subnet: the default record") << kUnicom << "192.0.2.10";
    QTest::newRow("no client subnet: the default record") << QString() << "192.0.2.10";
}

void TestLocalServiceDns::linesAnswerTheirSubnets()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    const QString name = host(QStringLiteral("lines"));
    if (ask(QStringLiteral("127.0.0.1"), name, QStringLiteral("A")).data.isEmpty()) {
        QVERIFY(
            addRecord(QStringLiteral("lines"), QStringLiteral("A"), QStringLiteral("192.0.2.10"))
                .id > 0);
        QVERIFY(addRecord(QStringLiteral("lines"), QStringLiteral("A"),
                          QStringLiteral("192.0.2.11"), kTelecom)
                    .id > 0);
    }
    const QString subnet = line.isEmpty() ? QString() : addressOfLine(line);
    QVERIFY(line.isEmpty() || !subnet.isEmpty());
    for (const QString &ns : {QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")})
        QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A"), subnet), served({expected}),
                                  kLiveWithinMs);
}

void TestLocalServiceDns::lineRules_data()
{
    // Records as "line type value ttl", one per line of the text; the question is asked from a
    // subnet of line "from" and from no subnet.
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("expected"); // data and TTL as line "from" gets it
    QTest::addColumn<QString>("others");
    QTest::newRow("a type the line lacks comes from the default line")
        << "rule1"
        << "0 AAAA 2001:db8::a 600\n" + kTelecom + " A 192.0.2.60 600"
        << "AAAA" << kTelecom << "2001:db8::a 600"
        << "2001:db8::a 600";
    QTest::newRow("a type the province lacks comes from its carrier")
        << "rule5"
        << "0 AAAA 2001:db8::b 600\n" + kTelecom + " AAAA 2001:db8::c 600\n" + kGuangdongTelecom +
               " A 192.0.2.64 600"
        << "AAAA" << kGuangdongTelecom << "2001:db8::c 600"
        << "2001:db8::b 600";
    QTest::newRow("a CNAME of the line hides the default A")
        << "rule2"
        << "0 A 192.0.2.61 600\n" + kTelecom + " CNAME t.example.net 600"
        << "A" << kTelecom << "t.example.net. 600"
        << "192.0.2.61 600";
    QTest::newRow("the default CNAME does not stand beside the line's A")
        << "rule6"
        << "0 CNAME d.example.net 600\n" + kTelecom + " A 192.0.2.65 600"
        << "A" << kTelecom << "192.0.2.65 600"
        << "d.example.net. 600";
    QTest::newRow("each line's own TTL") << "rule3"
                                         << "0 A 192.0.2.62 300\n" + kTelecom + " A 192.0.2.63 120"
                                         << "A" << kTelecom << "192.0.2.63 120"
                                         << "192.0.2.62 300";
    QTest::newRow("a line-only name is unknown elsewhere") << "rule4" << kTelecom + " TXT only 600"
                                                           << "TXT" << kTelecom << "\"only\" 600"
                                                           << "NXDOMAIN";
}

void TestLocalServiceDns::lineRules()
{
    QFETCH(QString, label);
    QFETCH(QString, records);
    QFETCH(QString, type);
    QFETCH(QString, from);
    QFETCH(QString, expected);
    QFETCH(QString, others);
    for (const QString &line : records.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char(' '));
        QVERIFY(addRecord(label, f.at(1), f.at(2), f.at(0), f.at(3)).id > 0);
    }
    // "data ttl" of a one-record answer, or the status of an empty one.
    const auto seen = [&](const QString &subnet) {
        const Answer a = ask(QStringLiteral("127.0.0.2"), host(label), type, subnet);
        return a.data.size() == 1 ? a.data.first() + QLatin1Char(' ') + a.ttls.first()
               : a.data.isEmpty() ? a.status
                                  : a.data.join(QLatin1Char('|'));
    };
    QTRY_COMPARE_WITH_TIMEOUT(seen(addressOfLine(from)), expected, kLiveWithinMs);
    QTRY_COMPARE_WITH_TIMEOUT(seen(QString()), others, kLiveWithinMs);
}

void TestLocalServiceDns::valuesAsServed_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected"); // as kdig prints the data
    QTest::newRow("AAAA") << "v6"
                          << "AAAA"
                          << "2001:DB8:0:0::7"
                          << "2001:db8::7";
    QTest::newRow("CNAME without final dot") << "alias"
                                             << "CNAME"
                                             << "target.example.net"
                                             << "target.example.net.";
    QTest::newRow("MX") << "mail"
                        << "MX"
                        << "mx.example.net"
                        << "10 mx.example.net.";
    QTest::newRow("TXT with quotes, backslash and CJK")
        << "txt1"
        << "TXT" << QStringLiteral("say \"hi\" \\ 你好; #x")
        << "\"say \\\"hi\\\" \\\\ \\228\\189\\160\\229\\165\\189; #x\"";
    QTest::newRow("TXT of 256 bytes: two strings")
        << "txt2"
        << "TXT" << QString(170, QLatin1Char('a')) + QString(43, QChar(0x4e2d)) << QString();
}

void TestLocalServiceDns::valuesAsServed()
{
    QFETCH(QString, label);
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    if (expected.isEmpty()) {
        // 170 + 43 * 3 = 299 bytes: 255 in the first string, 44 in the second.
        const QString cjk = QStringLiteral("\\228\\184\\173");
        expected = QLatin1Char('"') + QString(170, QLatin1Char('a')) + cjk.repeated(28) +
                   QStringLiteral("\\228\" \"\\184\\173") + cjk.repeated(14) + QLatin1Char('"');
    }
    // The same value on the default line (the zone file) and on 电信 (the geoip module's file).
    QVERIFY(addRecord(label, type, value).id > 0);
    QVERIFY(addRecord(label, type, value, kTelecom).id > 0);
    for (const QString &subnet : {QString(), addressOfLine(kTelecom)})
        QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.1"), host(label), type, subnet),
                                  served({expected}), kLiveWithinMs);
}

void TestLocalServiceDns::pausedIsNotServed()
{
    const QString name = host(QStringLiteral("paused"));
    const Record r =
        addRecord(QStringLiteral("paused"), QStringLiteral("A"), QStringLiteral("192.0.2.30"));
    QVERIFY(r.id > 0);
    const QString ns = QStringLiteral("127.0.0.2");
    QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.30")}), kLiveWithinMs);
    QVERIFY(m_user->pauseRecord(m_domain, r.id));
    QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                              (Answer{QStringLiteral("NXDOMAIN"), {}}), kLiveWithinMs);
    QVERIFY(m_user->startRecord(m_domain, r.id));
    QTRY_COMPARE_WITH_TIMEOUT(ask(ns, name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.30")}), kLiveWithinMs);

    // A paused domain is not served at all; started, it is again.
    Domain *other = m_user->domain2ptr(QStringLiteral("harbor-demo.com"));
    QVERIFY(other);
    QVERIFY(m_user->pauseDomain(other->id));
    QTRY_COMPARE_WITH_TIMEOUT(
        ask(ns, QStringLiteral("harbor-demo.com"), QStringLiteral("SOA")).status,
        QStringLiteral("REFUSED"), kLiveWithinMs);
    QVERIFY(m_user->startDomain(other->id));
    QTRY_COMPARE_WITH_TIMEOUT(
        ask(ns, QStringLiteral("harbor-demo.com"), QStringLiteral("SOA")).status,
        QStringLiteral("NOERROR"), kLiveWithinMs);
}

void TestLocalServiceDns::longNameKeepsTheLines()
{
    // A name too long for the geoip module's file is left out of it, and only it.
    const QString longLabel =
        QString(63, QLatin1Char('a')) + QLatin1Char('.') + QString(60, QLatin1Char('b'));
    QVERIFY(addRecord(longLabel, QStringLiteral("A"), QStringLiteral("192.0.2.70"), kTelecom).id >
            0);
    QVERIFY(addRecord(QStringLiteral("short"), QStringLiteral("A"), QStringLiteral("192.0.2.71"),
                      kTelecom)
                .id > 0);
    const QString subnet = addressOfLine(kTelecom);
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.1"), host(QStringLiteral("short")),
                                  QStringLiteral("A"), subnet),
                              served({QStringLiteral("192.0.2.71")}), kLiveWithinMs);
    QCOMPARE(ask(QStringLiteral("127.0.0.1"), host(longLabel), QStringLiteral("A"), subnet).status,
             QStringLiteral("NXDOMAIN"));
}

void TestLocalServiceDns::nameServersAreServed()
{
    const QStringList ns = {QStringLiteral("ns1.halvik-local.test."),
                            QStringLiteral("ns2.halvik-local.test.")};
    QCOMPARE(ask(QStringLiteral("127.0.0.2"), kDomain, QStringLiteral("NS")), served(ns));
    QCOMPARE(ask(QStringLiteral("127.0.0.1"), QStringLiteral("ns2.halvik-local.test"),
                 QStringLiteral("A")),
             served({QStringLiteral("127.0.0.2")}));
    // A line's view does not hide the apex NS: the account's own NS records are not served.
    QCOMPARE(
        ask(QStringLiteral("127.0.0.1"), kDomain, QStringLiteral("NS"), addressOfLine(kTelecom)),
        served(ns));
}

void TestLocalServiceDns::ns2LagHoldsChangesBack()
{
    NameServers *dns = m_service->service().nameServers();
    const QString name = host(QStringLiteral("lag"));
    const Record r =
        addRecord(QStringLiteral("lag"), QStringLiteral("A"), QStringLiteral("192.0.2.40"));
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.40")}), kLiveWithinMs);

    // A lag far longer than the test: ns2 keeps the old value while ns1 has the new one...
    Ns2Fault lag;
    lag.lagSecs = 3600;
    dns->setNs2Fault(lag);
    QVERIFY(m_user->editRecord(m_domain, r.id, QString(), QString(), QStringLiteral("192.0.2.41")));
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.1"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.41")}), kLiveWithinMs);
    QCOMPARE(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")),
             served({QStringLiteral("192.0.2.40")}));
    // ...until the lag ends.
    dns->setNs2Fault(Ns2Fault());
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.41")}), kLiveWithinMs);

    // A short lag runs out by itself.
    lag.lagSecs = 1;
    dns->setNs2Fault(lag);
    QVERIFY(m_user->editRecord(m_domain, r.id, QString(), QString(), QStringLiteral("192.0.2.42")));
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.42")}), kLiveWithinMs);
}

void TestLocalServiceDns::ns2StopAnswersNothing()
{
    NameServers *dns = m_service->service().nameServers();
    const QString name = host(QStringLiteral("stop"));
    Ns2Fault stop;
    stop.stopped = true;
    dns->setNs2Fault(stop);
    QVERIFY(
        addRecord(QStringLiteral("stop"), QStringLiteral("A"), QStringLiteral("192.0.2.50")).id >
        0);
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.1"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.50")}), kLiveWithinMs);
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")).status,
                              QStringLiteral("no answer"), kLiveWithinMs);
    // Back, it serves what changed meanwhile.
    dns->setNs2Fault(Ns2Fault());
    QTRY_COMPARE_WITH_TIMEOUT(ask(QStringLiteral("127.0.0.2"), name, QStringLiteral("A")),
                              served({QStringLiteral("192.0.2.50")}), kLiveWithinMs);
}

QTEST_GUILESS_MAIN(TestLocalServiceDns)
#include "tst_localservice_dns.moc"
