#include "localservice/api/ApiCall.h"
#include "localservice/api/RequestAuth.h"
#include "localservice/api/Validation.h"
#include "localservice/storage/ServiceLines.h"
#include "localservice/wechat/QrPng.h"

#include <QImage>
#include <QtTest>

// The stand-in's checks of what clients send, without a server.
class TestLocalServiceChecks : public QObject
{
    Q_OBJECT
private slots:
    void domainNames_data();
    void domainNames();
    void hostsAndAddresses_data();
    void hostsAndAddresses();
    void linesPerPackage();
    void formDecoding();
    void signedRequests_data();
    void signedRequests();
    void timestampWindow_data();
    void timestampWindow();
    void qrCodePicture_data();
    void qrCodePicture();
};

void TestLocalServiceChecks::domainNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("plain") << "example.com" << 0;
    QTest::newRow("two-part suffix") << "example.com.cn" << 0;
    QTest::newRow("hyphen inside") << "my-site.net" << 0;
    QTest::newRow("international") << "例子.中国" << 0;
    QTest::newRow("punycode suffix") << "example.xn--fiqs8s" << 0;
    QTest::newRow("one label") << "localhost" << 2024;
    QTest::newRow("empty label") << "a..com" << 2024;
    QTest::newRow("trailing dot") << "example.com." << 2024;
    QTest::newRow("leading hyphen") << "-bad.com" << 2024;
    QTest::newRow("underscore") << "bad_name.com" << 2024;
    QTest::newRow("numeric suffix") << "example.123" << 2024;
    QTest::newRow("space") << "exa mple.com" << 2024;
    QTest::newRow("65 bytes") << QString(61, QLatin1Char('a')) + ".com" << 0;
    QTest::newRow("66 bytes") << QString(62, QLatin1Char('a')) + ".com" << 2023;
}

void TestLocalServiceChecks::domainNames()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(checkDomainName(normaliseDomainName(name)), code);
}

void TestLocalServiceChecks::hostsAndAddresses_data()
{
    QTest::addColumn<QString>("check"); // host, ipv4, ipv6, target
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("apex") << "host"
                          << "@" << true;
    QTest::newRow("wildcard") << "host"
                              << "*" << true;
    QTest::newRow("wildcard label") << "host"
                                    << "*.dev" << true;
    QTest::newRow("service label") << "host"
                                   << "_dmarc" << true;
    QTest::newRow("nested") << "host"
                            << "a.b.c" << true;
    QTest::newRow("wildcard inside") << "host"
                                     << "a.*" << false;
    QTest::newRow("blank") << "host"
                           << "a b" << false;
    QTest::newRow("empty label") << "host"
                                 << "a..b" << false;
    QTest::newRow("long label") << "host" << QString(64, QLatin1Char('a')) << false;
    QTest::newRow("ipv4") << "ipv4"
                          << "192.0.2.1" << true;
    QTest::newRow("ipv4 edge") << "ipv4"
                               << "255.255.255.0" << true;
    QTest::newRow("ipv4 over 255") << "ipv4"
                                   << "256.1.1.1" << false;
    QTest::newRow("ipv4 three parts") << "ipv4"
                                      << "1.2.3" << false;
    QTest::newRow("ipv4 leading zero") << "ipv4"
                                       << "01.2.3.4" << false;
    QTest::newRow("ipv4 sign") << "ipv4"
                               << "+1.2.3.4" << false;
    QTest::newRow("ipv6") << "ipv6"
                          << "2001:db8::1" << true;
    QTest::newRow("ipv6 mapped") << "ipv6"
                                 << "::ffff:192.0.2.1" << true;
    QTest::newRow("ipv6 from ipv4") << "ipv6"
                                    << "192.0.2.1" << false;
    QTest::newRow("ipv6 two gaps") << "ipv6"
                                   << "1::2::3" << false;
    QTest::newRow("target") << "target"
                            << "cdn.example.net" << true;
    QTest::newRow("target with dot") << "target"
                                     << "cdn.example.net." << true;
    QTest::newRow("target single label") << "target"
                                         << "cdn" << false;
    QTest::newRow("target address") << "target"
                                    << "192.0.2.1" << false;
}

void TestLocalServiceChecks::hostsAndAddresses()
{
    QFETCH(QString, check);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    if (check == QLatin1String("host"))
        QCOMPARE(isValidHost(text), valid);
    else if (check == QLatin1String("ipv4"))
        QCOMPARE(isIPv4(text), valid);
    else if (check == QLatin1String("ipv6"))
        QCOMPARE(isIPv6(text), valid);
    else
        QCOMPARE(isTargetName(text), valid);
}

void TestLocalServiceChecks::linesPerPackage()
{
    const QSet<int> basic = allowedLineIds(QStringLiteral("1"));
    const QSet<int> provinces = allowedLineIds(QStringLiteral("1,2"));
    const QSet<int> all = allowedLineIds(QStringLiteral("1,2,3,4,5"));
    QCOMPARE(basic, QSet<int>({0, 0x11174100, 0x11174200, 0x11174400}));
    QCOMPARE(provinces.size(), 4 + 62);
    QVERIFY(provinces.contains(0x11174144));
    QVERIFY(all.contains(0x30000090));
    QVERIFY(all.contains(0x20000000));
    QVERIFY(!all.contains(0x21000000)); // sent in the object form: no package reaches it
    QCOMPARE(allowedLineIds(QString()), basic);
}

void TestLocalServiceChecks::formDecoding()
{
    ApiParams params;
    QVERIFY(parseForm("b=%E4%B8%AD%20x&a=1%2B1&c=+&d", &params));
    QCOMPARE(params.value("b"), QStringLiteral("中 x"));
    QCOMPARE(params.value("a"), QStringLiteral("1+1"));
    QCOMPARE(params.value("c"), QStringLiteral("+"));
    QVERIFY(params.contains("d"));
    QVERIFY(!parseForm("a=1&a=2", &params));
    // What the client encodes, the service decodes to the same values.
    ApiParams sent;
    sent.insert("value", QStringLiteral("v=spf1 & x=y 中文~"));
    QVERIFY(parseForm(encodeFormBody(sent), &params));
    QCOMPARE(params, sent);
}

void TestLocalServiceChecks::signedRequests_data()
{
    QTest::addColumn<QString>("tamper");
    QTest::addColumn<int>("code");
    QTest::newRow("as signed") << QString() << 0;
    QTest::newRow("value changed after signing") << "value" << 1;
    QTest::newRow("hash in capitals") << "upper" << 1;
    QTest::newRow("unknown key") << "key" << 1;
    QTest::newRow("stale") << "stale" << 3;
}

void TestLocalServiceChecks::signedRequests()
{
    QFETCH(QString, tamper);
    QFETCH(int, code);
    const qint64 now = 1700000000;
    ApiParams params;
    params.insert("domainID", QStringLiteral("7"));
    params.insert("value", QStringLiteral("a b&c"));
    prepareParams(params, true, tamper == QLatin1String("stale") ? now - 400 : now,
                  tamper == QLatin1String("key") ? QStringLiteral("other") : QStringLiteral("K"),
                  QStringLiteral("S"));
    if (tamper == QLatin1String("value"))
        params.insert("value", QStringLiteral("a b&d"));
    if (tamper == QLatin1String("upper"))
        params.insert("hash", params.value("hash").toUpper());
    const AccountByKey lookup = [](const QString &key, AccountRow *out) {
        if (key != QLatin1String("K"))
            return false;
        out->id = 9;
        out->apiKey = key;
        out->apiSecret = QStringLiteral("S");
        return true;
    };
    AccountRow account;
    QCOMPARE(verifySignedRequest(params, lookup, now, 300, &account).code, code);
    QCOMPARE(account.id, code == 0 ? 9 : 0);
}

// The edge of the window on a fixed clock: a live clock moves while the request travels.
void TestLocalServiceChecks::timestampWindow_data()
{
    QTest::addColumn<QString>("stamp"); // seconds from now; empty: none sent
    QTest::addColumn<int>("code");
    QTest::newRow("now") << QStringLiteral("0") << 0;
    QTest::newRow("300 s behind") << QStringLiteral("-300") << 0;
    QTest::newRow("301 s behind") << QStringLiteral("-301") << 3;
    QTest::newRow("300 s ahead") << QStringLiteral("300") << 0;
    QTest::newRow("301 s ahead") << QStringLiteral("301") << 3;
    QTest::newRow("none") << QString() << 3;
}

void TestLocalServiceChecks::timestampWindow()
{
    QFETCH(QString, stamp);
    QFETCH(int, code);
    const qint64 now = 1700000000;
    ApiParams params;
    if (!stamp.isEmpty())
        params.insert("timestamp", QString::number(now + stamp.toLongLong()));
    QCOMPARE(checkTimestamp(params, now, 300, true).code, code);
}

void TestLocalServiceChecks::qrCodePicture_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("moduleSize");
    QTest::addColumn<bool>("fits");
    const QString address =
        QStringLiteral("https://127.0.0.1:4443/connect/confirm?uuid=0a1B2c3D&do=scan");
    QTest::newRow("sign-in address") << address << 6 << true;
    QTest::newRow("small modules") << address << 3 << true;
    QTest::newRow("one character") << "x" << 6 << true;
    QTest::newRow("beyond a QR code") << QString(3000, QLatin1Char('x')) << 6 << false;
}

void TestLocalServiceChecks::qrCodePicture()
{
    QFETCH(QString, text);
    QFETCH(int, moduleSize);
    QFETCH(bool, fits);
    const QByteArray png = qrCodePng(text, moduleSize);
    QCOMPARE(!png.isEmpty(), fits);
    if (!fits)
        return;
    const QImage qr = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!qr.isNull());
    QCOMPARE(qr.width(), qr.height());
    QCOMPARE(qr.width() % moduleSize, 0);
    const int quiet = 4;
    const int modules = qr.width() / moduleSize - 2 * quiet;
    QCOMPARE((modules - 21) % 4, 0); // QR codes are 21, 25, 29, ... modules wide

    // Square modules of pure black or white, and a white quiet zone all round.
    const QRgb black = qRgb(0, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < qr.height(); ++y) {
        for (int x = 0; x < qr.width(); ++x) {
            const QRgb module = qr.pixel(x - x % moduleSize, y - y % moduleSize);
            QVERIFY(module == black || module == white);
            QCOMPARE(qr.pixel(x, y), module);
            const int mx = x / moduleSize - quiet;
            const int my = y / moduleSize - quiet;
            if (mx < 0 || my < 0 || mx >= modules || my >= modules)
                QCOMPARE(module, white);
        }
    }
    // The three finder patterns, upright: a black ring, a white ring, a black 3 x 3 centre.
    const QList<QPoint> corners{{0, 0}, {modules - 7, 0}, {0, modules - 7}};
    for (const QPoint &corner : corners) {
        for (int j = 0; j < 7; ++j) {
            for (int i = 0; i < 7; ++i) {
                const bool dark = qMax(qAbs(i - 3), qAbs(j - 3)) != 2;
                const QRgb shown = qr.pixel((corner.x() + i + quiet) * moduleSize,
                                            (corner.y() + j + quiet) * moduleSize);
                QCOMPARE(shown, dark ? black : white);
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestLocalServiceChecks)
#include "tst_localservice_checks.moc"
