#include "manage/records/RecordRowText.h"

QString recordTypeName(const QStringList &names, const QStringList &codes, const QString &type)
{
    if (type.isEmpty())
        return QString();
    for (int i = 0; i < codes.size() && i < names.size(); ++i) {
        if (codes.at(i).startsWith(type, Qt::CaseInsensitive))
            return names.at(i);
    }
    return QString();
}

QString recordMxText(const Record &record)
{
    return record.type == QLatin1String("MX") ? QString::number(record.mx) : QStringLiteral("-");
}

QString recordLineText(const View &line)
{
    return line.viewName.isEmpty() ? QStringLiteral("未知") : line.viewName;
}

int operationsColumnWidth(int rowCount)
{
    return rowCount > 10 ? 89 : 130;
}
