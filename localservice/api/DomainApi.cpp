#include "localservice/api/ApiRouter.h"
#include "localservice/api/Wire.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/Storage.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// The service packages a new domain may be given, with the line families each includes.
QString packageViewType(int serviceId)
{
    switch (serviceId) {
    case 1000:
        return QStringLiteral("1");
    case 1001:
        return QStringLiteral("1,2");
    case 1002:
        return QStringLiteral("1,2,3,4,5");
    default:
        return QString();
    }
}

ApiReply domainReply(int code, const DomainRow &d)
{
    return code ? refuse(code) : ok(domainJson(d));
}

// The five single-domain operations name the domain by id under "domain".
void addDomainOperation(ApiRouter &router, const QString &path,
                        const std::function<int(qint64, qint64, DomainRow *)> &operation)
{
    router.add(path, Access::Signed, [operation](const ApiCall &c) {
        const qint64 id = c.idValue("domain");
        if (!id)
            return refuse(2013);
        DomainRow d;
        return domainReply(operation(c.account.id, id, &d), d);
    });
}

ApiReply batchDelete(Storage &storage, const ApiCall &c)
{
    QJsonArray deleted;
    QJsonArray failed;
    const QStringList ids = c.value("domainIDs").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &piece : ids) {
        bool isNumber = false;
        const qint64 id = piece.trimmed().toLongLong(&isNumber);
        if (!isNumber || id <= 0)
            continue;
        const int code = storage.removeDomain(c.account.id, id);
        if (code == 0) {
            deleted.append(id);
            continue;
        }
        QJsonObject f;
        f.insert(QStringLiteral("domainID"), id);
        f.insert(QStringLiteral("code"), code);
        f.insert(QStringLiteral("message"), resultText(code));
        failed.append(f);
    }
    if (deleted.isEmpty() && failed.isEmpty())
        return refuse(2013);
    QJsonObject o;
    o.insert(QStringLiteral("deleted"), deleted);
    o.insert(QStringLiteral("failed"), failed);
    return ok(o);
}

} // namespace

void addDomainRoutes(ApiRouter &router, ServiceContext &context)
{
    Storage *storage = &context.storage;

    router.add(QStringLiteral("/api/domain/list/"), Access::Signed, [storage](const ApiCall &c) {
        const Paging p = paging(c, 20, 1000);
        const Page<DomainRow> page = storage->domains(c.account.id, p.offset(), p.pageSize);
        QJsonArray entries;
        for (const DomainRow &d : page.rows)
            entries.append(domainJson(d));
        return ok(pageJson(entries, page.total, p.page, p.pageSize));
    });

    router.add(QStringLiteral("/api/domain/create/"), Access::Signed, [storage](const ApiCall &c) {
        const QString name = normaliseDomainName(c.value("domain"));
        if (const int code = checkDomainName(name))
            return refuse(code);
        const int serviceId = c.intValue("serviceID", 1000);
        const QString viewType = packageViewType(serviceId);
        if (viewType.isEmpty())
            return refuse(4010);
        DomainRow d;
        return domainReply(storage->createDomain(c.account.id, name, serviceId, viewType, &d), d);
    });

    addDomainOperation(router, QStringLiteral("/api/domain/lock/"),
                       [storage](qint64 account, qint64 id, DomainRow *d) {
                           return storage->setDomainLock(account, id, true, d);
                       });
    addDomainOperation(router, QStringLiteral("/api/domain/unlock/"),
                       [storage](qint64 account, qint64 id, DomainRow *d) {
                           return storage->setDomainLock(account, id, false, d);
                       });
    addDomainOperation(router, QStringLiteral("/api/domain/pause/"),
                       [storage](qint64 account, qint64 id, DomainRow *d) {
                           return storage->setDomainState(account, id, DomainPaused, d);
                       });
    addDomainOperation(router, QStringLiteral("/api/domain/start/"),
                       [storage](qint64 account, qint64 id, DomainRow *d) {
                           return storage->setDomainState(account, id, DomainRunning, d);
                       });
    addDomainOperation(router, QStringLiteral("/api/domain/remove/"),
                       [storage](qint64 account, qint64 id, DomainRow *d) {
                           const int code = storage->domain(account, id, d);
                           return code ? code : storage->removeDomain(account, id);
                       });

    router.add(QStringLiteral("/api/domain/batchdelete/"), Access::Signed,
               [storage](const ApiCall &c) { return batchDelete(*storage, c); });

    router.add(QStringLiteral("/api/domain/editdomaingroup/"), Access::Signed,
               [storage](const ApiCall &c) {
                   const qint64 id = c.idValue("domainID");
                   if (!id)
                       return refuse(2013);
                   bool isNumber = false;
                   const qint64 groupId = c.value("groupID").trimmed().toLongLong(&isNumber);
                   if (!isNumber || groupId < 0)
                       return refuse(3);
                   DomainRow d;
                   return domainReply(storage->setDomainGroup(c.account.id, id, groupId, &d), d);
               });
}
