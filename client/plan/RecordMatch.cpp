#include "client/plan/RecordMatch.h"

bool typeTakesFinalDot(const QString &type)
{
    return type == QLatin1String("CNAME") || type == QLatin1String("MX") ||
           type == QLatin1String("NS");
}

QString withFinalDot(const QString &value)
{
    if (value.isEmpty() || value.endsWith(QLatin1Char('.')))
        return value;
    return value + QLatin1Char('.');
}

bool recordMatches(const Record &record, const RecordPattern &pattern)
{
    if (record.type != pattern.type || record.host != pattern.host ||
        record.lineID != pattern.lineID)
        return false;
    if (typeTakesFinalDot(pattern.type))
        return withFinalDot(record.value) == withFinalDot(pattern.value);
    return record.value == pattern.value;
}

QList<QSharedPointer<Record>> matchingRecords(const RecordList &records,
                                              const RecordPattern &pattern)
{
    QList<QSharedPointer<Record>> found;
    for (int i = 0; i < records.size(); ++i) {
        if (recordMatches(records.at(i), pattern))
            found.append(records.shared(i));
    }
    return found;
}
