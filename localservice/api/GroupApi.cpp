#include "localservice/api/ApiRouter.h"
#include "localservice/api/Wire.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/Storage.h"

#include <QJsonArray>

void addGroupRoutes(ApiRouter &router, ServiceContext &context)
{
    Storage *storage = &context.storage;

    router.add(QStringLiteral("/api/domain/getgrouplist/"), Access::Signed,
               [storage](const ApiCall &c) {
                   QJsonArray groups;
                   for (const GroupRow &g : storage->groups(c.account.id))
                       groups.append(groupJson(g));
                   return ok(groups);
               });

    // Without "groupID" this creates a group; with it, it renames and reorders one.
    router.add(QStringLiteral("/api/domain/editgroup/"), Access::Signed,
               [storage](const ApiCall &c) {
                   const QString name = c.value("groupName").trimmed();
                   const Refusal bad = checkGroupName(name);
                   if (bad.code)
                       return refuse(bad);
                   const int order = c.intValue("displayOrder", 0);
                   GroupRow g;
                   int code = 0;
                   if (c.has("groupID")) {
                       const qint64 id = c.idValue("groupID");
                       code = id ? storage->updateGroup(c.account.id, id, name, order, &g) : 3;
                   } else {
                       code = storage->createGroup(c.account.id, name, order, &g);
                   }
                   return code ? refuse(code) : ok(groupJson(g));
               });

    router.add(QStringLiteral("/api/domain/delgroup/"), Access::Signed,
               [storage](const ApiCall &c) {
                   const qint64 id = c.idValue("groupID");
                   const int code = id ? storage->removeGroup(c.account.id, id) : 3;
                   return code ? refuse(code) : ok();
               });
}
