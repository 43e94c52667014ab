#include "client/User.h"

#include "client/JsonRead.h"
#include "client/NoticeHtml.h"
#include "client/ReplyReaders.h"

#include <QJsonObject>

namespace {

DMsgList *listFor(User &user, DMsgType type)
{
    switch (type) {
    case DMsgPublic0:
        return &user.msgsPublic0;
    case DMsgPublic1:
        return &user.msgsPublic1;
    case DMsgInform:
        break;
    }
    return &user.msgsInform;
}

} // namespace

int User::getMsg(DMsgType type, DMsgState state)
{
    return readMsgPages(type, state, type != DMsgInform, nullptr);
}

// The list is emptied only once the first page has arrived: a request that fails at once
// leaves the messages known so far in place.
int User::readMsgPages(DMsgType type, DMsgState state, bool replace, bool *failedAtOnce)
{
    DMsgList &list = *listFor(*this, type);
    if (failedAtOnce)
        *failedAtOnce = false;

    ApiParams params;
    if (type != DMsgInform)
        params.insert("type", QString::number(int(type)));
    params.insert("state", QString::number(int(state)));
    params.insert("pageSize", QStringLiteral("10"));
    const QString &path = type == DMsgInform ? paths.userMessages : paths.newsList;

    int pagesAsked = 0;
    int read = 0;
    int total = 0;
    int pageCount = 0;
    do {
        params.insert("page", QString::number(++pagesAsked));
        QJsonValue data;
        bool ok = doAPI(path, params, data);
        if (ok && !isPageData(data))
            ok = refuseReplyData();
        if (!ok) {
            showMsgBox(errorText, QString(), 1);
            if (failedAtOnce)
                *failedAtOnce = pagesAsked == 1;
            return read;
        }
        if (replace && pagesAsked == 1)
            list.clear();
        const MessageListReply page = readMessagePage(data, type);
        if (total == 0)
            total = page.recordCount;
        if (pageCount == 0)
            pageCount = page.pageCount;
        for (const DMsg &m : page.messages)
            list.append(m);
        read += page.messages.size();
        if (type == DMsgPublic0)
            list.stableSort([](const DMsg &a, const DMsg &b) { return a.time > b.time; });
    } while (read < total && pagesAsked < pageCount);
    return read;
}

int User::getMsg_inform()
{
    bool failedAtOnce = false;
    const int unread = readMsgPages(DMsgInform, DMsgUnread, true, &failedAtOnce);
    if (failedAtOnce)
        return 0;
    return unread + readMsgPages(DMsgInform, DMsgRead, false, nullptr);
}

bool User::updateMsg(int msgID, int state)
{
    ApiParams params;
    params.insert("msgID", QString::number(msgID));
    params.insert("state", QString::number(state));
    return doAPI(paths.messageState, params);
}

QString User::getDetail(DMsg *m)
{
    ApiParams params;
    params.insert("newsID", QString::number(m->id));
    QJsonValue data;
    if (!doAPI(paths.newsDetail, params, data))
        return QString();
    const QString content =
        data.isObject() ? readString(data.toObject().value(QLatin1String("content"))) : QString();
    return rewriteNoticeHtml(content, baseUrl);
}
