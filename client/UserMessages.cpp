#include "User.h"

#include "JsonRead.h"
#include "NoticeHtml.h"
#include "ReplyReaders.h"

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
    DMsgList &list = *listFor(*this, type);
    if (type != DMsgInform)
        list.clear();

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
            return read;
        }
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
    msgsInform.clear();
    const int unread = getMsg(DMsgInform, DMsgUnread);
    return unread + getMsg(DMsgInform, DMsgRead);
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
