#include "fuzz/FuzzSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstdlib>

QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

QJsonValue fuzzReplyData(const QByteArray &body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isArray())
        return document.array();
    if (!document.isObject())
        return QJsonValue(QJsonValue::Undefined);
    const QJsonObject envelope = document.object();
    const QString data = QStringLiteral("data");
    return envelope.contains(data) ? envelope.value(data) : QJsonValue(envelope);
}

void fuzzCheck(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "Property does not hold: %s\n", property);
    std::abort();
}
