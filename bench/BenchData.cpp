#include "bench/BenchData.h"

#include "client/LineTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kPageSize = 50;

QByteArray envelope(const QJsonValue &data)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("code"), 0},
                                     {QStringLiteral("message"), QString()},
                                     {QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}

QJsonObject page(int total, const QJsonArray &entries)
{
    return QJsonObject{{QStringLiteral("recordCount"), total},
                       {QStringLiteral("pageCount"), (total + kPageSize - 1) / kPageSize},
                       {QStringLiteral("data"), entries}};
}

} // namespace

QByteArray domainPageBody(int pageNumber, int total)
{
    const QString viewTypes[] = {QStringLiteral("1"), QStringLiteral("1,2"),
                                 QStringLiteral("1,2,3")};
    QJsonArray entries;
    const int first = (pageNumber - 1) * kPageSize + 1;
    for (int id = first; id < first + kPageSize && id <= total; ++id) {
        entries.append(
            QJsonObject{{QStringLiteral("domainsID"), id},
                        {QStringLiteral("domains"), QStringLiteral("domain-%1.cn").arg(id)},
                        {QStringLiteral("state"), id % 7 == 0 ? 1 : 0},
                        {QStringLiteral("userLock"), 0},
                        {QStringLiteral("groupID"), id % 5},
                        {QStringLiteral("view_type"), viewTypes[id % 3]},
                        {QStringLiteral("serviceName"), QStringLiteral("免费版")},
                        {QStringLiteral("created"), 1500000000 + id}});
    }
    return envelope(page(total, entries));
}

QByteArray recordListBody(int count, int total)
{
    const char *types[] = {"A", "CNAME", "MX", "TXT"};
    QJsonArray entries;
    for (int id = 1; id <= count; ++id) {
        entries.append(
            QJsonObject{{QStringLiteral("recordID"), id},
                        {QStringLiteral("domains"), QStringLiteral("example.cn")},
                        {QStringLiteral("record"), QStringLiteral("host%1").arg(id)},
                        {QStringLiteral("type"), QString::fromLatin1(types[id % 4])},
                        {QStringLiteral("value"), QStringLiteral("192.0.2.%1").arg(id % 250)},
                        {QStringLiteral("TTL"), 600},
                        {QStringLiteral("MX"), id % 4 == 2 ? 10 : 0},
                        {QStringLiteral("state"), 0},
                        {QStringLiteral("viewID"), id % 2 ? 0 : 286736640}});
    }
    return envelope(page(total, entries));
}

QByteArray allViewsBody()
{
    const QMap<int, QString> names = buildViewNames();
    auto line = [&names](int id, int areaType) {
        return QJsonObject{{QStringLiteral("viewID"), id},
                           {QStringLiteral("areaType"), areaType},
                           {QStringLiteral("viewName"), names.value(id)}};
    };
    QJsonObject all;
    int key = 0;
    auto add = [&all, &key](const QJsonObject &top) {
        all.insert(QStringLiteral("v%1").arg(++key, 2, 10, QLatin1Char('0')), top);
    };
    add(line(0, 1));
    for (int carrier = 1; carrier <= 6; ++carrier) {
        const int whole = 0x11174000 + (carrier << 8);
        QJsonObject top = line(whole, 1);
        QJsonArray subs;
        for (auto it = names.lowerBound(whole + 1); it != names.end() && it.key() < whole + 0x100;
             ++it)
            subs.append(line(it.key(), 1));
        top.insert(QStringLiteral("subViews"), subs);
        add(top);
    }
    auto named = [&names](int from, int to) {
        QJsonObject subs;
        for (auto it = names.lowerBound(from); it != names.end() && it.key() <= to; ++it)
            subs.insert(QString::number(it.key()), it.value());
        return subs;
    };
    QJsonObject overseas = line(0x20000000, 2);
    overseas.insert(QStringLiteral("subViews"), named(0x21000000, 0x26000000));
    add(overseas);
    QJsonObject seo = line(0x30000000, 3);
    seo.insert(QStringLiteral("subViews"), named(0x30000001, 0x300000ff));
    add(seo);
    return envelope(all);
}
