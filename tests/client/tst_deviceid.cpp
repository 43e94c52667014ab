#include "client/DeviceId.h"

#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(QList<AdapterEntry>)

namespace {

using F = QNetworkInterface::InterfaceFlag;
const QNetworkInterface::InterfaceFlags kEthernet =
    F::IsUp | F::IsRunning | F::CanBroadcast | F::CanMulticast;

AdapterEntry nic(const QString &address, QNetworkInterface::InterfaceFlags flags = kEthernet)
{
    return {flags, address};
}

} // namespace

// Which adapter identifies this computer, and the two ways the id is built.
class TestDeviceId : public QObject
{
    Q_OBJECT
private slots:
    void choosesAdapter_data();
    void choosesAdapter();
    void idFromAddressIsKnownMd5();
    void fingerprintFormatAndStable();
    void noAdapterFallsBackToProcessor();
};

void TestDeviceId::choosesAdapter_data()
{
    QTest::addColumn<QList<AdapterEntry>>("adapters");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("fewest 00 wins")
        << QList<AdapterEntry>{nic("00:50:56:C0:00:08"), nic("3C:97:0E:12:34:56")}
        << "3C:97:0E:12:34:56";
    QTest::newRow("tie: first in sorted order")
        << QList<AdapterEntry>{nic("B0:00:11:22:33:44"), nic("A0:00:11:22:33:44")}
        << "A0:00:11:22:33:44";
    QTest::newRow("sorting is case-sensitive")
        << QList<AdapterEntry>{nic("a0:11:22:33:44:55"), nic("B0:11:22:33:44:55")}
        << "B0:11:22:33:44:55";
    QTest::newRow("down adapter skipped")
        << QList<AdapterEntry>{nic("3C:97:0E:12:34:56",
                                   kEthernet & ~QNetworkInterface::InterfaceFlags(F::IsUp)),
                               nic("00:50:56:C0:00:08")}
        << "00:50:56:C0:00:08";
    QTest::newRow("not running skipped")
        << QList<AdapterEntry>{nic("3C:97:0E:12:34:56",
                                   F::IsUp | F::CanBroadcast | F::CanMulticast)}
        << QString();
    QTest::newRow("no broadcast skipped")
        << QList<AdapterEntry>{nic("3C:97:0E:12:34:56", F::IsUp | F::IsRunning | F::CanMulticast)}
        << QString();
    QTest::newRow("no multicast skipped")
        << QList<AdapterEntry>{nic("3C:97:0E:12:34:56", F::IsUp | F::IsRunning | F::CanBroadcast)}
        << QString();
    QTest::newRow("loopback and point-to-point skipped")
        << QList<AdapterEntry>{nic("3C:97:0E:12:34:56", kEthernet | F::IsLoopBack),
                               nic("3C:97:0E:12:34:57", kEthernet | F::IsPointToPoint)}
        << QString();
    QTest::newRow("no hardware address skipped")
        << QList<AdapterEntry>{nic(QString()), nic("00:00:00:00:00:01")} << "00:00:00:00:00:01";
    QTest::newRow("none at all") << QList<AdapterEntry>{} << QString();
}

void TestDeviceId::choosesAdapter()
{
    QFETCH(QList<AdapterEntry>, adapters);
    QFETCH(QString, chosen);
    QCOMPARE(chooseAdapterAddress(adapters), chosen);
    if (!chosen.isEmpty())
        QCOMPARE(computeDeviceId(adapters), deviceIdFrom(chosen));
}

void TestDeviceId::idFromAddressIsKnownMd5()
{
    // md5("a" + md5("3C:97:0E:12:34:56") + "1"), computed outside the program.
    QCOMPARE(deviceIdFrom(QStringLiteral("3C:97:0E:12:34:56")),
             QStringLiteral("bf7d71698893fcb4ebb1f7115d5991cd"));
}

void TestDeviceId::fingerprintFormatAndStable()
{
    const QString fingerprint = cpuFingerprint();
    static const QRegularExpression shape(
        QStringLiteral("^(?:[0-9a-f]{8} [0-9a-f]{8} [0-9a-f]{8} [0-9a-f]{8}){9}$"));
    QVERIFY2(shape.match(fingerprint).hasMatch(), qPrintable(fingerprint));
    QCOMPARE(cpuFingerprint(), fingerprint);
}

void TestDeviceId::noAdapterFallsBackToProcessor()
{
    const QList<AdapterEntry> onlyLoopback{nic("00:00:00:00:00:00", kEthernet | F::IsLoopBack)};
    const QString id = computeDeviceId(onlyLoopback);
    QCOMPARE(id, deviceIdFrom(cpuFingerprint()));
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(id).hasMatch());
}

QTEST_GUILESS_MAIN(TestDeviceId)
#include "tst_deviceid.moc"
