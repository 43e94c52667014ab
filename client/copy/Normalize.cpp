#include "client/copy/Normalize.h"

#include <QHostAddress>
#include <QUrl>

namespace copynorm {

namespace {

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return false;
    }
    return true;
}

// Record types whose value is one DNS name.
bool holdsName(const QString &type)
{
    static const QStringList types = {QStringLiteral("CNAME"), QStringLiteral("NS"),
                                      QStringLiteral("MX"),    QStringLiteral("PTR"),
                                      QStringLiteral("DNAME"), QStringLiteral("ANAME"),
                                      QStringLiteral("ALIAS")};
    return types.contains(type.trimmed().toUpper());
}

QByteArray maskedV6(const QByteArray &address, int prefix, bool fillHostBits)
{
    QByteArray out = address;
    for (int i = 0; i < 16; ++i) {
        const int bitsHere = qBound(0, prefix - i * 8, 8);
        const unsigned char keep =
            bitsHere == 0 ? 0 : static_cast<unsigned char>(0xff << (8 - bitsHere));
        unsigned char b = static_cast<unsigned char>(out.at(i)) & keep;
        if (fillHostBits)
            b |= static_cast<unsigned char>(~keep);
        out[i] = static_cast<char>(b);
    }
    return out;
}

} // namespace

QString normalizeName(const QString &name)
{
    QString n = name.trimmed().toLower();
    while (n.endsWith(QLatin1Char('.')))
        n.chop(1);
    if (n.isEmpty() || isAscii(n))
        return n;
    // IDNA also maps the ideographic full stop and other dots; a name without a valid ASCII
    // form (a wildcard label, a stray character) still compares in lower case.
    const QString ace = QString::fromLatin1(QUrl::toAce(n));
    return ace.isEmpty() ? n : ace;
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

NormalizedValue normalizeValue(const QString &type, const QString &value)
{
    NormalizedValue n;
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("A")) {
        quint32 v4 = 0;
        if (parseIpv4(value, v4)) {
            n.ipv4 = v4;
            n.text = ipv4Text(v4);
            return n;
        }
    } else if (t == QLatin1String("AAAA")) {
        QByteArray v6;
        if (parseIpv6(value, v6)) {
            n.ipv6 = v6;
            n.text = ipv6Text(v6);
            return n;
        }
    } else if (holdsName(t)) {
        n.text = normalizeName(value);
        return n;
    }
    n.text = value.trimmed().toLower();
    return n;
}

bool looksLikeCidr(const QString &text)
{
    return text.contains(QLatin1Char('/'));
}

bool parseCidr(const QString &text, AddressRange &range, QString &error)
{
    const QString t = text.trimmed();
    const int slash = t.indexOf(QLatin1Char('/'));
    const QString address = t.left(slash);
    const QString prefixText = t.mid(slash + 1);
    bool prefixOk = !prefixText.isEmpty();
    for (const QChar c : prefixText)
        prefixOk = prefixOk && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    const int prefix = prefixOk && prefixText.size() <= 3 ? prefixText.toInt() : -1;
    if (slash < 0 || prefix < 0) {
        error = QStringLiteral("“%1”不是地址段，请写成 203.0.113.0/24 或 2001:db8::/32 的形式")
                    .arg(text);
        return false;
    }
    quint32 v4 = 0;
    QByteArray v6;
    if (parseIpv4(address, v4)) {
        if (prefix > 32) {
            error = QStringLiteral("“%1”：IPv4 前缀长度应为 0 到 32").arg(text);
            return false;
        }
        const quint32 mask = prefix == 0 ? 0 : ~quint32(0) << (32 - prefix);
        range = AddressRange();
        range.v4First = v4 & mask;
        range.v4Last = range.v4First | ~mask;
        return true;
    }
    if (parseIpv6(address, v6)) {
        if (prefix > 128) {
            error = QStringLiteral("“%1”：IPv6 前缀长度应为 0 到 128").arg(text);
            return false;
        }
        range = AddressRange();
        range.isV6 = true;
        range.v6First = maskedV6(v6, prefix, false);
        range.v6Last = maskedV6(v6, prefix, true);
        return true;
    }
    error = QStringLiteral("“%1”不是地址段：“%2”不是 IPv4 或 IPv6 地址").arg(text, address);
    return false;
}

} // namespace copynorm
