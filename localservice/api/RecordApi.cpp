#include "localservice/api/ApiRouter.h"
#include "localservice/api/Wire.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/ServiceLines.h"
#include "localservice/storage/Storage.h"

#include <QJsonArray>

namespace {

// The request's value for key, or def when the request leaves it out or empty.
QString valueOr(const ApiCall &c, const char *key, const QString &def)
{
    const QString v = c.value(key);
    return v.isEmpty() ? def : v;
}

ApiReply listRecords(Storage &storage, const ApiCall &c)
{
    const qint64 domainId = c.idValue("domainID");
    if (!domainId)
        return refuse(2013);
    DomainRow d;
    if (const int code = storage.domain(c.account.id, domainId, &d))
        return refuse(code);
    const Paging p = paging(c, 20, 1000);
    int code = 0;
    const Page<RecordRow> page =
        storage.records(c.account.id, domainId, p.offset(), p.pageSize, &code);
    if (code)
        return refuse(code);
    QJsonArray entries;
    for (const RecordRow &r : page.rows)
        entries.append(recordJson(r, d.name));
    return ok(pageJson(entries, page.total, p.page, p.pageSize));
}

ApiReply createRecord(Storage &storage, const ApiCall &c)
{
    const qint64 domainId = c.idValue("domainID");
    if (!domainId)
        return refuse(2013);
    DomainRow d;
    if (const int code = storage.domain(c.account.id, domainId, &d))
        return refuse(code);
    RecordInput in;
    in.host = valueOr(c, "host", QStringLiteral("@"));
    in.type = c.value("type");
    in.value = c.value("value");
    in.ttl = valueOr(c, "ttl", QStringLiteral("600"));
    in.mx = valueOr(c, "mx", QStringLiteral("10"));
    in.viewId = valueOr(c, "viewID", QStringLiteral("0"));
    RecordRow r;
    const Refusal bad = checkRecordInput(in, allowedLineIds(d.viewType), 3001, &r);
    if (bad.code)
        return refuse(bad);
    if (const int code = storage.createRecord(c.account.id, domainId, r))
        return refuse(code);
    return ok(recordJson(r, d.name));
}

// Every "new..." member that is given replaces that field; the rest stays as it was.
ApiReply modifyRecord(Storage &storage, const ApiCall &c)
{
    const qint64 domainId = c.idValue("domainID");
    if (!domainId)
        return refuse(2013);
    DomainRow d;
    if (const int code = storage.domain(c.account.id, domainId, &d))
        return refuse(code);
    RecordRow r;
    if (const int code = storage.record(c.account.id, domainId, c.idValue("recordID"), &r))
        return refuse(code);
    RecordInput in;
    in.host = valueOr(c, "newhost", r.host);
    in.type = valueOr(c, "newtype", r.type);
    in.value = valueOr(c, "newvalue", r.value);
    in.ttl = valueOr(c, "newttl", QString::number(r.ttl));
    in.mx = valueOr(c, "newmx", QString::number(r.mx));
    in.viewId = valueOr(c, "newviewID", QString::number(r.viewId));
    const int typeCode = c.value("newtype").isEmpty() ? 3001 : 3011;
    const Refusal bad = checkRecordInput(in, allowedLineIds(d.viewType), typeCode, &r);
    if (bad.code)
        return refuse(bad);
    if (const int code = storage.updateRecord(c.account.id, domainId, r))
        return refuse(code);
    return ok(recordJson(r, d.name));
}

ApiReply recordOperation(Storage &storage, const ApiCall &c, int newState, bool remove)
{
    const qint64 domainId = c.idValue("domainID");
    if (!domainId)
        return refuse(2013);
    const qint64 recordId = c.idValue("recordID");
    DomainRow d;
    if (const int code = storage.domain(c.account.id, domainId, &d))
        return refuse(code);
    if (remove) {
        const int code = storage.removeRecord(c.account.id, domainId, recordId);
        return code ? refuse(code) : ok();
    }
    RecordRow r;
    const int code = storage.setRecordState(c.account.id, domainId, recordId, newState, &r);
    return code ? refuse(code) : ok(recordJson(r, d.name));
}

} // namespace

void addRecordRoutes(ApiRouter &router, ServiceContext &context)
{
    Storage *s = &context.storage;
    router.add(QStringLiteral("/api/record/list/"), Access::Signed,
               [s](const ApiCall &c) { return listRecords(*s, c); });
    router.add(QStringLiteral("/api/record/create/"), Access::Signed,
               [s](const ApiCall &c) { return createRecord(*s, c); });
    router.add(QStringLiteral("/api/record/modify/"), Access::Signed,
               [s](const ApiCall &c) { return modifyRecord(*s, c); });
    router.add(QStringLiteral("/api/record/pause/"), Access::Signed,
               [s](const ApiCall &c) { return recordOperation(*s, c, RecordPaused, false); });
    router.add(QStringLiteral("/api/record/start/"), Access::Signed,
               [s](const ApiCall &c) { return recordOperation(*s, c, RecordRunning, false); });
    router.add(QStringLiteral("/api/record/remove/"), Access::Signed,
               [s](const ApiCall &c) { return recordOperation(*s, c, RecordRunning, true); });
}
