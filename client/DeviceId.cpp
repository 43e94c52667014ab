#include "client/DeviceId.h"

#include <QCryptographicHash>
#include <QStringList>
#include <QSysInfo>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#define HALVIK_HAVE_CPUID 1
#endif

namespace {

constexpr QNetworkInterface::InterfaceFlags kRequired =
    QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast |
    QNetworkInterface::CanMulticast;
constexpr QNetworkInterface::InterfaceFlags kExcluded =
    QNetworkInterface::IsLoopBack | QNetworkInterface::IsPointToPoint;

QString md5Hex(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString formatLeaf(quint32 a, quint32 b, quint32 c, quint32 d)
{
    return QString::asprintf("%.8x %.8x %.8x %.8x", a, b, c, d);
}

#ifndef HALVIK_HAVE_CPUID
// Four words per leaf from the machine's own id, so the result stays the same on one computer.
QString derivedFingerprint()
{
    const QByteArray seed =
        QSysInfo::machineUniqueId() + '|' + QSysInfo::currentCpuArchitecture().toUtf8();
    QString text;
    for (int leaf = 2; leaf <= 10; ++leaf) {
        const QByteArray h =
            QCryptographicHash::hash(seed + QByteArray::number(leaf), QCryptographicHash::Sha256);
        auto word = [&h](int i) {
            return quint32(quint8(h[i * 4])) << 24 | quint32(quint8(h[i * 4 + 1])) << 16 |
                   quint32(quint8(h[i * 4 + 2])) << 8 | quint32(quint8(h[i * 4 + 3]));
        };
        text += formatLeaf(word(0), word(1), word(2), word(3));
    }
    return text;
}
#endif

} // namespace

QList<AdapterEntry> systemAdapters()
{
    QList<AdapterEntry> adapters;
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &nic : all)
        adapters.append({nic.flags(), nic.hardwareAddress()});
    return adapters;
}

QString chooseAdapterAddress(const QList<AdapterEntry> &adapters)
{
    QStringList addresses;
    for (const AdapterEntry &adapter : adapters) {
        // An adapter without a hardware address would give every such computer the same id.
        if ((adapter.flags & kRequired) == kRequired && !(adapter.flags & kExcluded) &&
            !adapter.hardwareAddress.isEmpty())
            addresses.append(adapter.hardwareAddress);
    }
    addresses.sort(Qt::CaseSensitive);

    QString chosen;
    int fewest = 9999;
    for (const QString &address : qAsConst(addresses)) {
        const int zeros = address.count(QStringLiteral("00"));
        if (zeros < fewest) {
            fewest = zeros;
            chosen = address;
        }
    }
    return chosen;
}

QString cpuFingerprint()
{
#ifdef HALVIK_HAVE_CPUID
    QString text;
    for (unsigned leaf = 2; leaf <= 10; ++leaf) {
        unsigned a = 0, b = 0, c = 0, d = 0;
        __cpuid_count(leaf, 0, a, b, c, d);
        text += formatLeaf(a, b, c, d);
    }
    return text;
#else
    return derivedFingerprint();
#endif
}

QString deviceIdFrom(const QString &source)
{
    return md5Hex(QLatin1Char('a') + md5Hex(source) + QLatin1Char('1'));
}

QString computeDeviceId(const QList<AdapterEntry> &adapters)
{
    const QString address = chooseAdapterAddress(adapters);
    return deviceIdFrom(address.isEmpty() ? cpuFingerprint() : address);
}

QString computeDeviceId()
{
    return computeDeviceId(systemAdapters());
}
