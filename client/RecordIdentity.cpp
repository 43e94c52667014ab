#include "client/RecordIdentity.h"

#include <QHostAddress>
#include <QStringList>
#include <QUrl>

namespace {

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

QString withoutFinalDots(const QString &name)
{
    QString n = name.trimmed();
    while (n.endsWith(QLatin1Char('.')))
        n.chop(1);
    return n;
}

// Record types whose value is one DNS name (a target): CNAME, MX, NS and their kin.
bool typeHoldsName(const QString &type)
{
    static const QStringList types = {QStringLiteral("CNAME"), QStringLiteral("NS"),
                                      QStringLiteral("MX"),    QStringLiteral("PTR"),
                                      QStringLiteral("DNAME"), QStringLiteral("ANAME"),
                                      QStringLiteral("ALIAS")};
    return types.contains(type.trimmed().toUpper());
}

} // namespace

QString asciiLabels(const QString &name)
{
    if (isAscii(name))
        return name;
    QString dotted = name;
    // The dots IDNA reads as label separators.
    for (const QChar dot : {QChar(0x3002), QChar(0xff0e), QChar(0xff61)})
        dotted.replace(dot, QLatin1Char('.'));
    QStringList labels = dotted.split(QLatin1Char('.'));
    for (QString &label : labels) {
        if (isAscii(label))
            continue;
        // Mapped to lower case first, as IDNA maps a label: Qt's conversion leaves some capitals
        // (Georgian) as they are, which would give one name two ASCII forms.
        label = QString::fromLatin1(QUrl::toAce(label.toLower()));
        if (label.isEmpty())
            return QString();
    }
    return labels.join(QLatin1Char('.'));
}

QString asciiName(const QString &name)
{
    return asciiLabels(withoutFinalDots(name));
}

QString normalizeName(const QString &name)
{
    const QString n = withoutFinalDots(name).toLower();
    if (isAscii(n))
        return n;
    const QString ace = asciiLabels(n);
    return ace.isEmpty() ? n : ace.toLower();
}

QString hostKey(const QString &host)
{
    const QString h = host.trimmed();
    if (h.isEmpty() || h == QLatin1String("@"))
        return QStringLiteral("@");
    const QString key = normalizeName(h);
    return key.isEmpty() ? QStringLiteral("@") : key;
}

QString normalizedFullName(const QString &host, const QString &domain)
{
    const QString h = host.trimmed();
    if (h.isEmpty() || h == QLatin1String("@"))
        return normalizeName(domain);
    return normalizeName(normalizeName(h) + QLatin1Char('.') + normalizeName(domain));
}

DomainNameForm::DomainNameForm(const QString &domain)
    : m_domain(domain), m_normalized(normalizeName(domain))
{
    // A name left ending in a blank ("example.com .") loses it once it is no longer last.
    m_joinable = !m_normalized.isEmpty() && isAscii(m_normalized) &&
                 !m_normalized.back().isSpace() && m_normalized.back() != QLatin1Char('.');
}

QString DomainNameForm::fullName(const QString &host, const QString &hostNormalized) const
{
    const QString h = host.trimmed();
    if (h.isEmpty() || h == QLatin1String("@"))
        return m_normalized;
    // Both parts trimmed, in lower case and ASCII: normalizing the joined name changes nothing.
    if (m_joinable && !hostNormalized.isEmpty() && isAscii(hostNormalized))
        return hostNormalized + QLatin1Char('.') + m_normalized;
    return normalizedFullName(host, m_domain);
}

bool parseIpv4(const QString &text, quint32 &address)
{
    // The refs point into this string: it must outlive them.
    const QString trimmed = text.trimmed();
    const QVector<QStringRef> parts = trimmed.splitRef(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    quint32 value = 0;
    for (const QStringRef &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return false;
        uint octet = 0;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            octet = octet * 10 + uint(c.unicode() - '0');
        }
        if (octet > 255)
            return false;
        value = (value << 8) | octet;
    }
    address = value;
    return true;
}

QString ipv4Text(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

bool parseIpv6(const QString &text, QByteArray &address)
{
    const QString t = text.trimmed();
    if (!t.contains(QLatin1Char(':')) || t.contains(QLatin1Char('%')) ||
        t.contains(QLatin1Char('/')) || t.contains(QLatin1Char('[')))
        return false;
    QHostAddress parsed;
    if (!parsed.setAddress(t) || parsed.protocol() != QAbstractSocket::IPv6Protocol)
        return false;
    const Q_IPV6ADDR bytes = parsed.toIPv6Address();
    address = QByteArray(reinterpret_cast<const char *>(bytes.c), 16);
    return true;
}

QString ipv6Text(const QByteArray &address)
{
    if (address.size() != 16)
        return QString();
    quint16 groups[8];
    for (int i = 0; i < 8; ++i)
        groups[i] = quint16((uchar(address.at(2 * i)) << 8) | uchar(address.at(2 * i + 1)));
    int bestStart = -1;
    int bestLength = 1; // a single zero group is written out
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0)
            ++j;
        if (j - i > bestLength) {
            bestStart = i;
            bestLength = j - i;
        }
        i = j;
    }
    QString out;
    for (int i = 0; i < 8; ++i) {
        if (i == bestStart) {
            out += QLatin1String("::");
            i += bestLength - 1;
            continue;
        }
        if (!out.isEmpty() && !out.endsWith(QLatin1Char(':')))
            out += QLatin1Char(':');
        out += QString::number(groups[i], 16);
    }
    return out;
}

QString valueKey(const QString &type, const QString &value)
{
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("A")) {
        quint32 v4 = 0;
        if (parseIpv4(value, v4))
            return ipv4Text(v4);
    } else if (t == QLatin1String("AAAA")) {
        QByteArray v6;
        if (parseIpv6(value, v6))
            return ipv6Text(v6);
    } else if (typeHoldsName(t)) {
        return normalizeName(value);
    }
    return value.trimmed();
}

bool sameValue(const QString &type, const QString &a, const QString &b)
{
    return valueKey(type, a) == valueKey(type, b);
}

bool sameIdentity(const Record &a, const Record &b)
{
    const QString type = a.type.trimmed().toUpper();
    return type == b.type.trimmed().toUpper() && a.lineID == b.lineID &&
           hostKey(a.host) == hostKey(b.host) && sameValue(type, a.value, b.value);
}

bool sameRecord(const Record &a, const Record &b)
{
    if (!sameIdentity(a, b) || a.ttl != b.ttl)
        return false;
    return a.type.trimmed().toUpper() != QLatin1String("MX") || a.mx == b.mx;
}

bool sameLiveRecord(const Record &a, const Record &b)
{
    return sameRecord(a, b) && (a.state != 0) == (b.state != 0);
}
