#include "client/JsonRead.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

bool toNumber(const QJsonValue &value, double &out)
{
    switch (value.type()) {
    case QJsonValue::Double:
        out = value.toDouble();
        return true;
    case QJsonValue::Bool:
        out = value.toBool() ? 1.0 : 0.0;
        return true;
    case QJsonValue::String: {
        bool ok = false;
        out = value.toString().trimmed().toDouble(&ok);
        return ok;
    }
    default:
        return false;
    }
}

} // namespace

int readInt(const QJsonValue &value, int def)
{
    double number = 0;
    if (!toNumber(value, number) || !std::isfinite(number))
        return def;
    const double truncated = std::trunc(number);
    // Casting a double outside int's range is undefined; such a value cannot be an int.
    if (truncated < double(std::numeric_limits<int>::min()) ||
        truncated > double(std::numeric_limits<int>::max()))
        return def;
    return int(truncated);
}

QString readString(const QJsonValue &value, const QString &def)
{
    switch (value.type()) {
    case QJsonValue::Undefined:
    case QJsonValue::Null:
        return def;
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return QString();
    }
}
