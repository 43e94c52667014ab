#include "manage/batch/BatchResultLines.h"

// The arguments are padded first and substituted in one pass, so a "%1" inside a value is
// shown as it is instead of being replaced by a later argument.

QString padded(const QString &text, int width)
{
    return width < 0 ? text.leftJustified(-width) : text.rightJustified(width);
}

QString fullName(const QString &host, const QString &domain)
{
    return host + QLatin1Char('.') + domain;
}

namespace {

QString fqdnColumn(const RecordLineText &row)
{
    return padded(row.fqdn, -14);
}

QString typeColumn(const RecordLineText &row)
{
    return padded(row.type, -5);
}

QString valueColumn(const RecordLineText &row)
{
    return padded(row.value, -15);
}

QString lineColumn(const RecordLineText &row)
{
    return padded(row.line, -4);
}

} // namespace

QString addResultLine(const RecordLineText &row, const QString &mx, const QString &ttl,
                      const QString *error)
{
    const QString format =
        error ? QStringLiteral("%1 %2 %3 %4 %5 %6  %7") : QStringLiteral("%1 %2 %3 %4 %5 %6 %7");
    return format.arg(fqdnColumn(row), typeColumn(row), valueColumn(row), lineColumn(row),
                      padded(mx.isEmpty() ? QStringLiteral("-") : mx, -2), padded(ttl, -4),
                      error ? *error : QStringLiteral("成功"));
}

QString recordOutcomeLine(const RecordLineText &row, const QString &outcome)
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(fqdnColumn(row), typeColumn(row), valueColumn(row), lineColumn(row), outcome);
}

QString editOldLine(const RecordLineText &old)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(fqdnColumn(old), typeColumn(old), valueColumn(old), lineColumn(old));
}

QString editNewLine(const RecordLineText &row, const QString &mx, const QString &ttl,
                    const QString *error)
{
    if (!error) {
        return QStringLiteral("  -> %1 %2 %3 %4 %5 %6")
            .arg(fqdnColumn(row), typeColumn(row), valueColumn(row), lineColumn(row), mx, ttl);
    }
    return QStringLiteral("  -> %1 %2 %3 %4 %5 %6 %7")
        .arg(fqdnColumn(row), typeColumn(row), valueColumn(row), lineColumn(row), mx, ttl, *error);
}

QString unknownDomainLine(const QString &name)
{
    return QStringLiteral("找不到域名 %1").arg(name);
}
