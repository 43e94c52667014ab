#include "manage/batch/BatchResultLines.h"

#include "client/LineTable.h"
#include "client/journal/JobRunner.h"
#include "client/plan/RecordJson.h"

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

namespace {

RecordLineText lineText(const QJsonObject &json, const QString &domain)
{
    const Record r = recordFromJson(json);
    // A record a plan creates carries its line's id only: named as the built-in table does.
    static const QMap<int, QString> names = buildViewNames();
    const QString line = r.viewName.isEmpty() ? names.value(r.lineID) : r.viewName;
    return {fullName(r.host, domain), r.type, r.value, line};
}

// MX as the rows show it: "-" for a type without a preference.
QString mxText(const QJsonObject &json)
{
    const Record r = recordFromJson(json);
    return r.type == QLatin1String("MX") ? QString::number(r.mx) : QStringLiteral("-");
}

QString ttlText(const QJsonObject &json)
{
    return QString::number(recordFromJson(json).ttl);
}

} // namespace

QStringList outcomeLines(const StepOutcome &outcome, bool &success)
{
    const PlanStep &s = outcome.step;
    success = outcome.status == StepStatus::Done;
    const QString reason = outcome.error.isEmpty() ? s.problem : outcome.error;
    const QString *error = success ? nullptr : &reason;
    const QString &domain = outcome.domain;
    if (s.op == StepOps::UnknownDomain)
        return {unknownDomainLine(domain)};
    if (!s.before.isEmpty() && !s.after.isEmpty()) {
        // A change, or one refused before it was sent.
        return {editOldLine(lineText(s.before, domain)),
                editNewLine(lineText(s.after, domain), mxText(s.after), ttlText(s.after), error)};
    }
    if (!s.after.isEmpty())
        return {addResultLine(lineText(s.after, domain), mxText(s.after), ttlText(s.after), error)};
    if (!s.before.isEmpty())
        return {recordOutcomeLine(lineText(s.before, domain),
                                  success ? QStringLiteral("删除成功") : reason)};
    return {QStringLiteral("%1  %2").arg(domain, reason)};
}
