#include "localservice/storage/ServiceLines.h"

#include "client/LineTable.h"

#include <QJsonArray>
#include <QStringList>

namespace {

constexpr int kTelecom = 0x11174100;
constexpr int kUnicom = 0x11174200;
constexpr int kEducation = 0x11174300;
constexpr int kMobile = 0x11174400;
constexpr int kTietong = 0x11174500;
constexpr int kDrPeng = 0x11174600;
constexpr int kOverseas = 0x20000000;
constexpr int kSeo = 0x30000000;

ServiceLine line(const QMap<int, QString> &names, int id, int areaType)
{
    ServiceLine l;
    l.viewId = id;
    l.areaType = areaType;
    l.name = names.value(id);
    return l;
}

// Every named line whose id lies in [first, last], as sub-lines of the given area type.
QList<ServiceLine> linesBetween(const QMap<int, QString> &names, int first, int last, int areaType)
{
    QList<ServiceLine> out;
    for (auto it = names.lowerBound(first); it != names.cend() && it.key() <= last; ++it)
        out.append(line(names, it.key(), areaType));
    return out;
}

QList<ServiceLine> buildLines()
{
    const QMap<int, QString> names = buildViewNames();
    QList<ServiceLine> lines;
    lines.append(line(names, 0, 1));
    for (int carrier : {kTelecom, kUnicom}) {
        ServiceLine l = line(names, carrier, 1);
        l.subLines = linesBetween(names, carrier + 1, carrier + 0xff, 2);
        lines.append(l);
    }
    lines.append(line(names, kMobile, 1));
    for (int carrier : {kEducation, kTietong, kDrPeng})
        lines.append(line(names, carrier, 3));
    ServiceLine overseas = line(names, kOverseas, 4);
    overseas.subLines = linesBetween(names, kOverseas + 1, kSeo - 1, 4);
    overseas.subLinesAsObject = true;
    lines.append(overseas);
    ServiceLine seo = line(names, kSeo, 5);
    seo.subLines = linesBetween(names, kSeo + 1, kSeo + 0xff, 5);
    lines.append(seo);
    return lines;
}

QJsonObject lineJson(const ServiceLine &l)
{
    QJsonObject o;
    o.insert(QStringLiteral("viewID"), l.viewId);
    o.insert(QStringLiteral("areaType"), l.areaType);
    o.insert(QStringLiteral("viewName"), l.name);
    return o;
}

} // namespace

const QList<ServiceLine> &serviceLines()
{
    static const QList<ServiceLine> lines = buildLines();
    return lines;
}

QJsonObject serviceLinesJson()
{
    QJsonObject data;
    for (const ServiceLine &l : serviceLines()) {
        QJsonObject o = lineJson(l);
        if (l.subLinesAsObject) {
            QJsonObject subs;
            for (const ServiceLine &s : l.subLines)
                subs.insert(QString::number(s.viewId), s.name);
            o.insert(QStringLiteral("subViews"), subs);
        } else {
            QJsonArray subs;
            for (const ServiceLine &s : l.subLines)
                subs.append(lineJson(s));
            o.insert(QStringLiteral("subViews"), subs);
        }
        data.insert(QString::number(l.viewId), o);
    }
    return data;
}

QSet<int> allowedLineIds(const QString &viewType)
{
    QStringList allowed = viewType.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (allowed.isEmpty())
        allowed.append(QStringLiteral("1"));
    QSet<int> ids;
    for (const ServiceLine &l : serviceLines()) {
        if (!allowed.contains(QString::number(l.areaType)))
            continue;
        ids.insert(l.viewId);
        // Sub-lines sent in the object form carry no area type, so no package reaches them.
        if (l.subLinesAsObject)
            continue;
        for (const ServiceLine &s : l.subLines) {
            if (allowed.contains(QString::number(s.areaType)))
                ids.insert(s.viewId);
        }
    }
    return ids;
}
