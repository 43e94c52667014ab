#include "client/copy/SearchForm.h"

#include "client/RecordIdentity.h"

namespace {

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

NormalizedValue normalizeValue(const QString &type, const QString &value)
{
    NormalizedValue n;
    const QString t = type.trimmed().toUpper();
    quint32 v4 = 0;
    QByteArray v6;
    if (t == QLatin1String("A") && parseIpv4(value, v4))
        n.ipv4 = v4;
    else if (t == QLatin1String("AAAA") && parseIpv6(value, v6))
        n.ipv6 = v6;
    n.text = valueKey(t, value).toLower();
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
