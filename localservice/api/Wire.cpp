#include "localservice/api/Wire.h"

#include <QJsonArray>

QJsonObject domainJson(const DomainRow &d)
{
    QJsonObject o;
    o.insert(QStringLiteral("domainsID"), d.id);
    o.insert(QStringLiteral("domains"), d.name);
    o.insert(QStringLiteral("state"), d.state);
    o.insert(QStringLiteral("userLock"), d.userLock);
    o.insert(QStringLiteral("groupID"), d.groupId);
    o.insert(QStringLiteral("view_type"), d.viewType);
    o.insert(QStringLiteral("serviceID"), d.serviceId);
    o.insert(QStringLiteral("created"), d.created);
    return o;
}

QJsonObject groupJson(const GroupRow &g)
{
    QJsonObject o;
    o.insert(QStringLiteral("groupID"), g.id);
    o.insert(QStringLiteral("groupName"), g.name);
    o.insert(QStringLiteral("displayOrder"), g.displayOrder);
    return o;
}

QJsonObject recordJson(const RecordRow &r, const QString &domainName)
{
    QJsonObject o;
    o.insert(QStringLiteral("recordID"), r.id);
    o.insert(QStringLiteral("domains"), domainName);
    o.insert(QStringLiteral("record"), r.host);
    o.insert(QStringLiteral("type"), r.type);
    o.insert(QStringLiteral("value"), r.value);
    o.insert(QStringLiteral("TTL"), r.ttl);
    o.insert(QStringLiteral("MX"), r.mx);
    o.insert(QStringLiteral("viewID"), r.viewId);
    o.insert(QStringLiteral("state"), r.state);
    return o;
}

QJsonObject newsListJson(const NewsRow &n, const QString &origin)
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), n.id);
    o.insert(QStringLiteral("title"), n.title);
    // Without a link of its own an item links to its page on this service.
    const QString url = n.url.isEmpty() ? QStringLiteral("/news/%1.html").arg(n.id) : n.url;
    o.insert(QStringLiteral("url"), absoluteUrl(url, origin));
    o.insert(QStringLiteral("publishDate"), n.publishDate);
    return o;
}

QJsonObject newsDetailJson(const NewsRow &n, const QString &origin)
{
    QJsonObject o = newsListJson(n, origin);
    o.insert(QStringLiteral("type"), n.kind);
    o.insert(QStringLiteral("content"), n.content);
    return o;
}

QJsonObject messageJson(const MessageRow &m)
{
    QJsonObject o;
    o.insert(QStringLiteral("msgID"), m.id);
    o.insert(QStringLiteral("state"), m.state);
    o.insert(QStringLiteral("title"), m.title);
    o.insert(QStringLiteral("content"), m.content);
    o.insert(QStringLiteral("created"), m.created);
    return o;
}

QJsonObject appInfoJson(const AppInfoRow &a, const QString &origin)
{
    QJsonObject o;
    o.insert(QStringLiteral("version_code"), a.versionCode); // a string on the wire
    o.insert(QStringLiteral("version_name"), a.versionName);
    o.insert(QStringLiteral("version_info"), a.versionInfo);
    o.insert(QStringLiteral("downurl"), absoluteUrl(a.downUrl, origin));
    return o;
}

QJsonObject accountDetailJson(const AccountRow &a, int domainCount)
{
    QJsonObject o;
    o.insert(QStringLiteral("userID"), a.id);
    o.insert(QStringLiteral("email"), a.email);
    o.insert(QStringLiteral("nickname"), a.nickname);
    o.insert(QStringLiteral("regTime"), a.created);
    o.insert(QStringLiteral("domainCount"), domainCount);
    o.insert(QStringLiteral("wxBound"), !a.wxOpenId.isEmpty());
    return o;
}

QJsonObject pageJson(const QJsonArray &entries, int total, int page, int pageSize)
{
    QJsonObject o;
    o.insert(QStringLiteral("recordCount"), total);
    o.insert(QStringLiteral("pageCount"), pageSize > 0 ? (total + pageSize - 1) / pageSize : 0);
    o.insert(QStringLiteral("page"), page);
    o.insert(QStringLiteral("pageSize"), pageSize);
    o.insert(QStringLiteral("data"), entries);
    return o;
}

QString absoluteUrl(const QString &link, const QString &origin)
{
    return link.startsWith(QLatin1Char('/')) ? origin + link : link;
}
