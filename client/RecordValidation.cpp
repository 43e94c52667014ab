#include "client/RecordValidation.h"

#include "client/RecordIdentity.h"

#include <QStringList>

namespace {

bool isLabelChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('_');
}

bool isLabel(const QString &label)
{
    if (label.isEmpty() || label.size() > 63)
        return false;
    for (const QChar c : label) {
        if (!isLabelChar(c))
            return false;
    }
    return true;
}

bool isAllDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

bool isHexGroup(const QString &group)
{
    if (group.isEmpty() || group.size() > 4)
        return false;
    for (const QChar c : group) {
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                         (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                         (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex)
            return false;
    }
    return true;
}

// Number of valid groups in a run of colon-separated groups, -1 when one is not valid.
int hexGroups(const QString &run)
{
    if (run.isEmpty())
        return 0;
    const QStringList groups = run.split(QLatin1Char(':'));
    for (const QString &g : groups) {
        if (!isHexGroup(g))
            return -1;
    }
    return groups.size();
}

// A non-negative decimal number of at most max, digits only.
bool isNumberUpTo(const QString &text, int min, int max)
{
    if (!isAllDigits(text) || text.size() > 10)
        return false;
    const qint64 value = text.toLongLong();
    return value >= min && value <= max;
}

QString valueProblem(const QString &type, const QString &value)
{
    if (value.size() > kMaxRecordValue)
        return QStringLiteral("记录值长度超过255");
    if (type == QLatin1String("A") && !isIPv4Address(value))
        return QStringLiteral("IP格式有误");
    if (type == QLatin1String("AAAA") && !isIPv6Address(value))
        return QStringLiteral("IP格式有误");
    const bool named = type == QLatin1String("CNAME") || type == QLatin1String("MX") ||
                       type == QLatin1String("NS");
    if (named && !isRecordTarget(value))
        return QStringLiteral("记录值格式错误");
    return QString();
}

} // namespace

bool isIPv4Address(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &part : parts) {
        if (!isAllDigits(part) || part.size() > 3 ||
            (part.size() > 1 && part.startsWith(QLatin1Char('0'))) || part.toInt() > 255)
            return false;
    }
    return true;
}

bool isIPv6Address(const QString &text)
{
    if (!text.contains(QLatin1Char(':')) || text.size() > 45)
        return false;
    QString groups = text;
    int tailGroups = 0;
    const int lastColon = groups.lastIndexOf(QLatin1Char(':'));
    if (groups.indexOf(QLatin1Char('.'), lastColon) > lastColon) {
        // A dotted-quad tail stands for the last two groups.
        if (!isIPv4Address(groups.mid(lastColon + 1)))
            return false;
        groups.truncate(lastColon + 1);
        if (!groups.endsWith(QLatin1String("::")))
            groups.chop(1);
        tailGroups = 2;
    }
    const int gap = groups.indexOf(QLatin1String("::"));
    if (gap < 0) {
        return hexGroups(groups) + tailGroups == 8;
    }
    if (groups.indexOf(QLatin1String("::"), gap + 1) >= 0)
        return false;
    const int head = hexGroups(groups.left(gap));
    const int rest = hexGroups(groups.mid(gap + 2));
    // The gap stands for at least one zero group.
    return head >= 0 && rest >= 0 && head + rest + tailGroups <= 7;
}

bool isRecordHost(const QString &host)
{
    if (host == QLatin1String("@") || host == QLatin1String("*"))
        return true;
    const QString ascii = asciiLabels(host);
    if (ascii.isEmpty() || ascii.size() > 253)
        return false;
    const QStringList labels = ascii.split(QLatin1Char('.'));
    for (int i = 0; i < labels.size(); ++i) {
        if (i == 0 && labels.at(i) == QLatin1String("*"))
            continue;
        if (!isLabel(labels.at(i)))
            return false;
    }
    return true;
}

bool isRecordTarget(const QString &name)
{
    QString ascii = asciiLabels(name);
    if (ascii.endsWith(QLatin1Char('.')))
        ascii.chop(1);
    if (ascii.isEmpty() || ascii.size() > 253)
        return false;
    const QStringList labels = ascii.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString &label : labels) {
        if (!isLabel(label))
            return false;
    }
    return !isAllDigits(labels.last());
}

QString recordDraftProblem(const RecordDraft &draft, RecordField *field)
{
    RecordField ignored = RecordField::None;
    RecordField &at = field ? *field : ignored;
    static const QStringList types = {QStringLiteral("A"),  QStringLiteral("CNAME"),
                                      QStringLiteral("MX"), QStringLiteral("TXT"),
                                      QStringLiteral("NS"), QStringLiteral("AAAA")};
    const QString type = draft.type.trimmed().toUpper();
    at = RecordField::Type;
    if (!types.contains(type))
        return QStringLiteral("记录类型不存在");

    at = RecordField::Host;
    const QString host = draft.host.trimmed();
    if (!host.isEmpty() && !isRecordHost(host))
        return QStringLiteral("主机头格式错误");

    // A change without a value keeps the record's value; the service checks that one.
    at = RecordField::Value;
    const QString value = draft.value.trimmed();
    if (value.isEmpty() && draft.isNew)
        return QStringLiteral("记录值不为空");
    if (!value.isEmpty()) {
        const QString problem = valueProblem(type, value);
        if (!problem.isEmpty())
            return problem;
    }

    at = RecordField::Ttl;
    const QString ttl = draft.ttl.trimmed();
    if (!ttl.isEmpty() && !isNumberUpTo(ttl, 1, kMaxRecordTtl))
        return QStringLiteral("TTL须为1到%1之间的整数").arg(kMaxRecordTtl);

    // Only an MX record reads its priority; other types may carry anything there.
    at = RecordField::Mx;
    const QString mx = draft.mx.trimmed();
    if (type == QLatin1String("MX") && !mx.isEmpty() && !isNumberUpTo(mx, 0, kMaxRecordMx))
        return QStringLiteral("MX优先级须为0到%1之间的整数").arg(kMaxRecordMx);
    at = RecordField::None;
    return QString();
}
