#include "client/plan/RecordJson.h"

QJsonObject recordToJson(const Record &r)
{
    return QJsonObject{
        {QStringLiteral("id"), r.id},         {QStringLiteral("host"), r.host},
        {QStringLiteral("type"), r.type},     {QStringLiteral("value"), r.value},
        {QStringLiteral("lineID"), r.viewID}, {QStringLiteral("lineName"), r.viewName},
        {QStringLiteral("ttl"), r.ttl},       {QStringLiteral("mx"), r.mx},
        {QStringLiteral("state"), r.state},   {QStringLiteral("paused"), r.state != 0}};
}

Record recordFromJson(const QJsonObject &o)
{
    Record r;
    r.id = o.value(QStringLiteral("id")).toInt();
    r.host = o.value(QStringLiteral("host")).toString();
    r.type = o.value(QStringLiteral("type")).toString();
    r.value = o.value(QStringLiteral("value")).toString();
    r.setLine(o.value(QStringLiteral("lineID")).toInt());
    r.viewName = o.value(QStringLiteral("lineName")).toString();
    r.ttl = o.value(QStringLiteral("ttl")).toInt();
    r.mx = o.value(QStringLiteral("mx")).toInt();
    r.state = o.value(QStringLiteral("state")).toInt();
    return r;
}
