#include "client/plan/RecordNormalize.h"

#include "client/plan/RecordMatch.h"

#include <QHostAddress>

QString normalizedName(const QString &name)
{
    QString n = name.trimmed().toLower();
    while (n.endsWith(QLatin1Char('.')))
        n.chop(1);
    return n;
}

QString normalizedHost(const QString &host)
{
    const QString n = normalizedName(host);
    return n.isEmpty() ? QStringLiteral("@") : n;
}

QString normalizedValue(const QString &type, const QString &value)
{
    if (typeTakesFinalDot(type))
        return normalizedName(value);
    if (type == QLatin1String("AAAA")) {
        QHostAddress address;
        if (address.setAddress(value.trimmed()) &&
            address.protocol() == QAbstractSocket::IPv6Protocol)
            return address.toString();
    }
    return value.trimmed();
}

bool sameRecord(const Record &a, const Record &b)
{
    if (a.type.toUpper() != b.type.toUpper() || a.lineID != b.lineID || a.ttl != b.ttl)
        return false;
    if (a.type.toUpper() == QLatin1String("MX") && a.mx != b.mx)
        return false;
    return normalizedHost(a.host) == normalizedHost(b.host) &&
           normalizedValue(a.type.toUpper(), a.value) == normalizedValue(b.type.toUpper(), b.value);
}

bool sameLiveRecord(const Record &a, const Record &b)
{
    return sameRecord(a, b) && (a.state != 0) == (b.state != 0);
}
