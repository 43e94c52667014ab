#include "localservice/api/Validation.h"

#include <QStringList>
#include <QUrl>

#include <arpa/inet.h>

namespace {

bool isLabelChar(QChar c, bool allowUnderscore)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           (allowUnderscore && c == QLatin1Char('_'));
}

bool isLabel(const QString &label, bool allowUnderscore)
{
    if (label.isEmpty() || label.size() > 63)
        return false;
    for (const QChar c : label) {
        if (!isLabelChar(c, allowUnderscore))
            return false;
    }
    return true;
}

bool isAllLetters(const QString &text)
{
    for (const QChar c : text) {
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
              (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return false;
    }
    return !text.isEmpty();
}

// The ASCII form of a name that may hold non-ASCII labels; empty when it has none.
QString asciiForm(const QString &name)
{
    bool ascii = true;
    for (const QChar c : name) {
        if (c.unicode() > 0x7f)
            ascii = false;
    }
    return ascii ? name : QString::fromLatin1(QUrl::toAce(name));
}

bool isTopLevel(const QString &label)
{
    return (label.size() >= 2 && isAllLetters(label)) ||
           (label.startsWith(QLatin1String("xn--")) && label.size() > 4);
}

bool parseInt(const QString &text, int *value)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        *value = v;
    return ok;
}

} // namespace

QString normaliseDomainName(const QString &name)
{
    return name.trimmed().toLower();
}

int checkDomainName(const QString &normalisedName)
{
    if (normalisedName.toUtf8().size() > 65)
        return 2023;
    const QString ascii = asciiForm(normalisedName);
    if (ascii.isEmpty() || ascii.size() > 253)
        return 2024;
    const QStringList labels = ascii.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return 2024;
    for (const QString &label : labels) {
        if (!isLabel(label, false) || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return 2024;
    }
    return isTopLevel(labels.last()) ? 0 : 2024;
}

bool isIPv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3 ||
            (part.size() > 1 && part.startsWith(QLatin1Char('0'))))
            return false;
        int value = 0;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            value = value * 10 + (c.unicode() - '0');
        }
        if (value > 255)
            return false;
    }
    return true;
}

bool isIPv6(const QString &text)
{
    if (!text.contains(QLatin1Char(':')))
        return false;
    unsigned char buffer[16];
    return inet_pton(AF_INET6, text.toLatin1().constData(), buffer) == 1;
}

bool isValidHost(const QString &host)
{
    if (host == QLatin1String("@") || host == QLatin1String("*"))
        return true;
    const QString ascii = asciiForm(host);
    if (ascii.isEmpty() || ascii.size() > 253)
        return false;
    const QStringList labels = ascii.split(QLatin1Char('.'));
    for (int i = 0; i < labels.size(); ++i) {
        if (i == 0 && labels.at(i) == QLatin1String("*"))
            continue;
        if (!isLabel(labels.at(i), true))
            return false;
    }
    return true;
}

bool isTargetName(const QString &name)
{
    QString ascii = asciiForm(name);
    if (ascii.endsWith(QLatin1Char('.')))
        ascii.chop(1);
    if (ascii.isEmpty() || ascii.size() > 253)
        return false;
    const QStringList labels = ascii.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString &label : labels) {
        if (!isLabel(label, true))
            return false;
    }
    return isTopLevel(labels.last());
}

QString canonicalRecordType(const QString &type)
{
    static const QStringList types = {QStringLiteral("A"),  QStringLiteral("CNAME"),
                                      QStringLiteral("MX"), QStringLiteral("TXT"),
                                      QStringLiteral("NS"), QStringLiteral("AAAA")};
    const QString upper = type.trimmed().toUpper();
    return types.contains(upper) ? upper : QString();
}

Refusal checkRecordInput(const RecordInput &in, const QSet<int> &allowedLines, int typeCode,
                         RecordRow *out)
{
    RecordRow r = *out;
    r.type = canonicalRecordType(in.type);
    if (r.type.isEmpty())
        return {typeCode, QString()};
    r.host = in.host.trimmed();
    if (!isValidHost(r.host))
        return {3002, QString()};
    r.value = in.value.trimmed();
    if (r.value.isEmpty())
        return {3012, QString()};
    if (r.value.size() > 255)
        return {3004, QString()};
    if (r.type == QLatin1String("A") && !isIPv4(r.value))
        return {3013, QString()};
    if (r.type == QLatin1String("AAAA") && !isIPv6(r.value))
        return {3013, QString()};
    const bool named = r.type == QLatin1String("CNAME") || r.type == QLatin1String("NS") ||
                       r.type == QLatin1String("MX");
    if (named && !isTargetName(r.value))
        return {3003, QString()};
    if (!parseInt(in.viewId, &r.viewId) || !allowedLines.contains(r.viewId))
        return {3007, QString()};
    if (!parseInt(in.ttl, &r.ttl) || r.ttl > kMaxTtl)
        return {3, QString()};
    if (r.ttl < kMinTtl)
        return {3014, QStringLiteral("当前版本限制TTL最小必须是%1").arg(kMinTtl)};
    int mx = r.mx;
    const bool mxOk = parseInt(in.mx, &mx) && mx >= 0 && mx <= 65535;
    if (r.type == QLatin1String("MX") && !mxOk)
        return {3, QString()};
    if (mxOk)
        r.mx = mx;
    *out = r;
    return {};
}

Refusal checkGroupName(const QString &name)
{
    if (name.trimmed().isEmpty())
        return {3, QString()};
    if (name.size() > kMaxGroupName)
        return {3, QStringLiteral("分组名长度超过系统限制(9)")};
    return {};
}
