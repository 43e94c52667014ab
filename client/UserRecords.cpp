#include "client/User.h"

#include "client/IdList.h"
#include "client/JsonRead.h"
#include "client/ReplyReaders.h"

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

} // namespace

int User::getRecord(Domain *dm)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("page", QStringLiteral("1"));
    params.insert("pageSize", QStringLiteral("999"));
    QJsonValue data;
    if (!doAPI(paths.recordList, params, data))
        return 0;
    if (!isPageData(data)) {
        refuseReplyData();
        return 0;
    }

    dm->records.clear();
    RecordListReply page = readRecordPage(data);
    for (Record &r : page.records) {
        r.view = getVID2V(dm->views, r.lineID);
        r.viewName = r.view.viewName.isEmpty() ? QStringLiteral("未知") : r.view.viewName;
        r.domain = dm;
        dm->records.append(std::move(r));
    }
    return page.recordCount;
}

bool User::addRecord(int dmid, const QString &value, const QString &type, const QString &viewID,
                     const QString &host, const QString &TTL, const QString &MX, Record *okRec)
{
    ApiParams params;
    params.insert("domainID", QString::number(dmid));
    params.insert("type", type);
    params.insert("viewID", viewID);
    params.insert("host", host);
    params.insert("value", value);
    params.insert("ttl", TTL);
    params.insert("mx", MX);
    QJsonValue data;
    const bool ok = doAPI(paths.recordCreate, params, data);
    if (ok && okRec) {
        const QJsonObject o = data.toObject();
        okRec->host = readString(o.value(key("record")));
        okRec->id = readInt(o.value(key("recordID")), 0);
        okRec->state = readInt(o.value(key("state")), 0);
        okRec->type = readString(o.value(key("type")));
        okRec->mx = readInt(o.value(key("MX")), 0);
        okRec->ttl = readInt(o.value(key("TTL")), 0);
        okRec->value = readString(o.value(key("value")));
        okRec->viewID = readInt(o.value(key("viewID")), 0);
        okRec->viewName = viewNames.value(okRec->viewID, QStringLiteral("未知"));
    }
    return ok;
}

bool User::addRecord(int dmid, const QString &value, const QString &type, const QString &viewID,
                     const QString &host, const QString &TTL, const QString &MX)
{
    return addRecord(dmid, value, type, viewID, host, TTL, MX, nullptr);
}

bool User::addRecord(Domain *dm, const QString &value, const QString &type, const QString &viewID,
                     const QString &host, const QString &TTL, const QString &MX, Record *okRec)
{
    const bool ok = addRecord(dm->id, value, type, viewID, host, TTL, MX, okRec);
    if (okRec) {
        okRec->domain = dm;
        okRec->domainName = dm->name;
    }
    return ok;
}

bool User::addRecord(Domain *dm, const QString &value, const QString &type, const QString &viewID,
                     const QString &host, const QString &TTL, const QString &MX)
{
    return addRecord(dm, value, type, viewID, host, TTL, MX, nullptr);
}

bool User::delRecord(Domain *dm, int recordID)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("recordID", QString::number(recordID));
    return doAPI(paths.recordRemove, params);
}

bool User::delRecordS(Domain *dm, const QString &recordS, QStringList &errlist,
                      QStringList &msglist)
{
    bool allDeleted = true;
    for (const IdPiece &piece : positiveIds(recordS)) {
        if (!delRecord(dm, piece.id)) {
            allDeleted = false;
            errlist.append(piece.text);
            msglist.append(QStringLiteral("操作失败"));
        }
    }
    return allDeleted;
}

bool User::pauseRecord(Domain *dm, int recordID)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("recordID", QString::number(recordID));
    return doAPI(paths.recordPause, params);
}

bool User::startRecord(Domain *dm, int recordID)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("recordID", QString::number(recordID));
    return doAPI(paths.recordStart, params);
}

bool User::editRecord(Domain *dm, int recordID, const QString &newhost, const QString &newtype,
                      const QString &newvalue, const QString &newttl, const QString &newmx,
                      const QString &newviewID)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("recordID", QString::number(recordID));
    const QPair<const char *, const QString *> changes[] = {
        {"newhost", &newhost}, {"newtype", &newtype}, {"newvalue", &newvalue},
        {"newttl", &newttl},   {"newmx", &newmx},     {"newviewID", &newviewID}};
    for (const auto &change : changes) {
        if (!change.second->isEmpty())
            params.insert(change.first, *change.second);
    }
    return doAPI(paths.recordModify, params);
}
