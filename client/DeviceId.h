#pragma once

#include <QList>
#include <QNetworkInterface>
#include <QString>

// One network adapter as the device id sees it.
struct AdapterEntry
{
    QNetworkInterface::InterfaceFlags flags;
    QString hardwareAddress; // the toolkit's form: "3C:97:0E:12:34:56"
};

// The adapters of this computer.
QList<AdapterEntry> systemAdapters();

// The hardware address this computer is known by: of the adapters that are up, running,
// broadcast- and multicast-capable and neither loopback nor point-to-point, the one with the
// fewest "00"; on a tie the first in sorted order. Empty when none qualifies.
QString chooseAdapterAddress(const QList<AdapterEntry> &adapters);

// The processor leaves 2 to 10 (sub-leaf 0), each as "%.8x %.8x %.8x %.8x" (EAX EBX ECX EDX),
// concatenated. Without those leaves, words of the same shape derived from the machine id.
QString cpuFingerprint();

// 32 lower-case hex digits: MD5 of "a" + hex MD5 of source + "1".
QString deviceIdFrom(const QString &source);

// The device id: from the chosen adapter, else from the processor fingerprint.
QString computeDeviceId(const QList<AdapterEntry> &adapters);
QString computeDeviceId();
