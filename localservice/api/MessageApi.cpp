#include "localservice/api/ApiRouter.h"
#include "localservice/api/Wire.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/Storage.h"

#include <QJsonArray>

namespace {

ApiReply newsList(Storage &storage, const ApiCall &c)
{
    const int kind = c.intValue("type", -1);
    if (kind != 0 && kind != 1)
        return refuse(3);
    const Paging p = paging(c, 10, 100);
    const Page<NewsRow> page = storage.news(kind, p.offset(), p.pageSize);
    QJsonArray entries;
    for (const NewsRow &n : page.rows)
        entries.append(newsListJson(n, c.origin));
    return ok(pageJson(entries, page.total, p.page, p.pageSize));
}

ApiReply accountMessages(Storage &storage, const ApiCall &c)
{
    const int state = c.intValue("state", MessageUnread);
    if (state != MessageUnread && state != MessageRead)
        return refuse(1021);
    const Paging p = paging(c, 10, 100);
    const Page<MessageRow> page = storage.messages(c.account.id, state, p.offset(), p.pageSize);
    QJsonArray entries;
    for (const MessageRow &m : page.rows)
        entries.append(messageJson(m));
    return ok(pageJson(entries, page.total, p.page, p.pageSize));
}

} // namespace

void addMessageRoutes(ApiRouter &router, ServiceContext &context)
{
    Storage *storage = &context.storage;

    router.add(QStringLiteral("/api/news/getmsg/"), Access::Signed,
               [storage](const ApiCall &c) { return newsList(*storage, c); });

    router.add(QStringLiteral("/api/user/message/"), Access::Signed,
               [storage](const ApiCall &c) { return accountMessages(*storage, c); });

    router.add(QStringLiteral("/api/user/setmsgstate/"), Access::Signed,
               [storage](const ApiCall &c) {
                   const int state = c.intValue("state", -1);
                   if (state != MessageUnread && state != MessageRead && state != MessageDeleted)
                       return refuse(1021);
                   const qint64 id = c.idValue("msgID");
                   const int code = id ? storage->setMessageState(c.account.id, id, state) : 3;
                   return code ? refuse(code) : ok();
               });

    router.add(QStringLiteral("/api/news/detail/"), Access::Signed, [storage](const ApiCall &c) {
        NewsRow n;
        if (!storage->newsItem(c.idValue("newsID"), &n))
            return refuse(3);
        return ok(newsDetailJson(n, c.origin));
    });
}
