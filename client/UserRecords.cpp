#include "client/User.h"

#include "client/IdList.h"
#include "client/ReplyReaders.h"

#include <QJsonObject>

bool User::told(int kind, const Domain *dm, int recordID)
{
    RecordChange change;
    change.kind = RecordChange::Kind(kind);
    change.domainID = dm->id;
    change.recordID = recordID;
    emit recordChanged(change);
    return true;
}

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
    emit recordsRead(dm, dm->records.size() >= page.recordCount);
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
    if (!ok)
        return false;
    Record created;
    if (okRec)
        created = *okRec; // fields the reply does not name are left as they were
    readRecordFields(data.toObject(), created);
    created.viewName = viewNames.value(created.viewID, QStringLiteral("未知"));
    if (okRec)
        *okRec = created;
    if (created.id > 0) {
        RecordChange change;
        change.kind = RecordChange::Added;
        change.domainID = dmid;
        change.recordID = created.id;
        change.record = created;
        emit recordChanged(change);
    }
    return true;
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
    return doAPI(paths.recordRemove, params) && told(RecordChange::Removed, dm, recordID);
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
    return doAPI(paths.recordPause, params) && told(RecordChange::Paused, dm, recordID);
}

bool User::startRecord(Domain *dm, int recordID)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("recordID", QString::number(recordID));
    return doAPI(paths.recordStart, params) && told(RecordChange::Started, dm, recordID);
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
    if (!doAPI(paths.recordModify, params))
        return false;
    RecordChange edit;
    edit.kind = RecordChange::Edited;
    edit.domainID = dm->id;
    edit.recordID = recordID;
    edit.newHost = newhost;
    edit.newType = newtype;
    edit.newValue = newvalue;
    edit.newTtl = newttl;
    edit.newMx = newmx;
    edit.newLineID = newviewID;
    emit recordChanged(edit);
    return true;
}
