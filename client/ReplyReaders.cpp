#include "client/ReplyReaders.h"

#include "client/JsonRead.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <cmath>

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

QJsonArray entriesOf(const QJsonObject &page)
{
    return page.value(key("data")).toArray();
}

QDateTime fromEpochSeconds(const QJsonValue &value)
{
    return QDateTime::fromSecsSinceEpoch(readInt(value, 0), Qt::UTC);
}

// A text with a default of its own: a member of the wrong kind (an array or object) reads as
// absent, so the default applies rather than an empty text.
QString readText(const QJsonValue &value, const QString &def)
{
    return value.isArray() || value.isObject() ? def : readString(value, def);
}

// The service only knows three states; anything else is shown as not yet read.
DMsgState toMsgState(int state)
{
    return state == DMsgRead || state == DMsgDeleted ? DMsgState(state) : DMsgUnread;
}

DMsg readMessage(const QJsonObject &o, DMsgType type)
{
    DMsg m;
    m.type = type;
    m.title = readString(o.value(key("title")));
    if (type == DMsgInform) {
        m.id = readInt(o.value(key("msgID")), 0);
        // This one announcement stays marked unread whatever the service says.
        m.state = m.id == 90590 ? DMsgUnread : toMsgState(readInt(o.value(key("state")), 0));
        m.content = readString(o.value(key("content")));
        m.time = fromEpochSeconds(o.value(key("created")));
    } else {
        m.id = readInt(o.value(key("id")), 0);
        m.state = DMsgRead;
        m.url = readString(o.value(key("url")));
        m.time = fromEpochSeconds(o.value(key("publishDate")));
    }
    return m;
}

} // namespace

bool isPageData(const QJsonValue &data)
{
    if (!data.isObject())
        return false;
    const QJsonObject page = data.toObject();
    // A total no int can hold is no total: read as 0 it would empty the list.
    const QJsonValue total = page.value(key("recordCount"));
    if (!total.isUndefined() && !total.isNull() && readInt(total, 0) != readInt(total, 1))
        return false;
    const QJsonValue entries = page.value(key("data"));
    return entries.isUndefined() || entries.isNull() || entries.isArray();
}

bool isListData(const QJsonValue &data)
{
    return data.isArray() || data.isNull();
}

DomainPage readDomainPage(const QJsonValue &data)
{
    const QJsonObject page = data.toObject();
    DomainPage result;
    result.recordCount = readInt(page.value(key("recordCount")), 0);
    const QJsonArray entries = entriesOf(page);
    result.domains.reserve(entries.size());
    for (const QJsonValue &entry : entries) {
        const QJsonObject o = entry.toObject();
        Domain dm;
        dm.name = readString(o.value(key("domains")));
        dm.id = readInt(o.value(key("domainsID")), 0);
        dm.state = readInt(o.value(key("state")), 0);
        dm.userLock = readInt(o.value(key("userLock")), 0);
        dm.groupID = readInt(o.value(key("groupID")), 0);
        dm.viewType = readText(o.value(key("view_type")), QStringLiteral("1"));
        dm.json = o;
        result.domains.append(std::move(dm));
    }
    return result;
}

void readRecordFields(const QJsonObject &o, Record &r)
{
    r.host = readString(o.value(key("record")));
    r.id = readInt(o.value(key("recordID")), 0);
    r.state = readInt(o.value(key("state")), 0);
    r.type = readString(o.value(key("type")));
    r.mx = readInt(o.value(key("MX")), 0);
    r.ttl = readInt(o.value(key("TTL")), 0);
    r.value = readString(o.value(key("value")));
    r.setLine(readInt(o.value(key("viewID")), 0));
}

RecordListReply readRecordPage(const QJsonValue &data)
{
    const QJsonObject page = data.toObject();
    RecordListReply result;
    result.recordCount = readInt(page.value(key("recordCount")), 0);
    const QJsonArray entries = entriesOf(page);
    result.records.reserve(entries.size());
    for (const QJsonValue &entry : entries) {
        const QJsonObject o = entry.toObject();
        Record r;
        r.domainName = readString(o.value(key("domains")));
        readRecordFields(o, r);
        r.json = o;
        result.records.append(std::move(r));
    }
    return result;
}

QList<Group> readGroupList(const QJsonValue &data)
{
    QList<Group> groups;
    const QJsonArray entries = data.toArray();
    for (const QJsonValue &entry : entries) {
        const QJsonObject o = entry.toObject();
        Group g;
        g.groupID = readInt(o.value(key("groupID")), 0);
        g.displayOrder = readInt(o.value(key("displayOrder")), 0);
        g.groupName = readString(o.value(key("groupName")));
        groups.append(g);
    }
    return groups;
}

MessageListReply readMessagePage(const QJsonValue &data, DMsgType type)
{
    const QJsonObject page = data.toObject();
    MessageListReply result;
    result.recordCount = readInt(page.value(key("recordCount")), 0);
    result.pageCount = readInt(page.value(key("pageCount")), 0);
    const QJsonArray entries = entriesOf(page);
    for (const QJsonValue &entry : entries)
        result.messages.append(readMessage(entry.toObject(), type));
    return result;
}

AppInfo readAppInfo(const QJsonValue &data, const QString &defaultUrl)
{
    const QJsonObject o = data.toObject();
    AppInfo info;
    const QJsonValue code = o.value(key("version_code"));
    if (code.isString()) {
        bool ok = false;
        const double parsed = readString(code, QStringLiteral("0.0")).toDouble(&ok);
        // "inf" and "nan" parse, but no version is newer or older than every other.
        info.versionCode = ok && std::isfinite(parsed) ? parsed : 0;
    } else {
        info.versionCode = code.isDouble() ? code.toDouble() : readInt(code, 0);
    }
    info.versionName =
        readText(o.value(key("version_name")), QString::number(info.versionCode, 'g', 6));
    info.versionInfo = readString(o.value(key("version_info")));
    info.downloadUrl = readText(o.value(key("downurl")), defaultUrl);
    return info;
}
