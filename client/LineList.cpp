#include "client/LineList.h"

#include "client/JsonRead.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

View readLine(const QJsonObject &o, int defaultAreaType)
{
    View v;
    v.viewID = readInt(o.value(key("viewID")), 0);
    v.areaType = readInt(o.value(key("areaType")), defaultAreaType);
    v.viewName = readString(o.value(key("viewName")));
    return v;
}

QList<View> readSubLines(const QJsonValue &subViews)
{
    QList<View> subs;
    if (subViews.isArray()) {
        const QJsonArray entries = subViews.toArray();
        for (const QJsonValue &entry : entries) {
            if (entry.isObject())
                subs.append(readLine(entry.toObject(), kAbsent));
        }
    } else if (subViews.isObject()) {
        const QJsonObject named = subViews.toObject();
        for (auto it = named.begin(); it != named.end(); ++it) {
            bool ok = false;
            const int id = it.key().toInt(&ok, 10);
            if (ok)
                subs.append(View{readString(it.value()), id, kAbsent, {}});
        }
    }
    return subs;
}

} // namespace

QList<View> readAllViews(const QJsonValue &data)
{
    QList<View> views;
    const QJsonObject lines = data.toObject();
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        if (!it.value().isObject())
            continue;
        const QJsonObject o = it.value().toObject();
        View top = readLine(o, 0);
        top.subViews = readSubLines(o.value(key("subViews")));
        views.append(top);
    }
    return views;
}

QList<View> filterViewsByType(const QList<View> &allViews, const QString &viewTypeStr)
{
    const QStringList allowed = viewTypeStr.split(QLatin1Char(','), Qt::SkipEmptyParts);
    QList<View> result;
    for (const View &top : allViews) {
        if (!allowed.contains(QString::number(top.areaType)))
            continue;
        result.append(View{top.viewName, top.viewID, top.areaType, {}});
        for (const View &sub : top.subViews) {
            if (allowed.contains(QString::number(sub.areaType)))
                result.append(sub);
        }
    }
    return result;
}

View findView(const QList<View> &vlist, int vid)
{
    for (const View &v : vlist) {
        if (v.viewID == vid)
            return v;
        for (const View &sub : v.subViews) {
            if (sub.viewID == vid)
                return sub;
        }
    }
    return View{QString(), 0, kAbsent, {}};
}
