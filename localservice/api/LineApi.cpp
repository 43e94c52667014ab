#include "localservice/api/ApiRouter.h"
#include "localservice/storage/ServiceLines.h"

void addLineRoutes(ApiRouter &router, ServiceContext &)
{
    router.add(QStringLiteral("/api/service/allviews/"), Access::Signed,
               [](const ApiCall &) { return ok(serviceLinesJson()); });
}
