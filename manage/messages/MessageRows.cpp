#include "manage/messages/MessageRows.h"

QList<QSharedPointer<DMsg>> listedMessages(const DMsgList &list, bool unreadOnly)
{
    QList<QSharedPointer<DMsg>> listed;
    for (int i = 0; i < list.size(); ++i) {
        if (!unreadOnly || list.at(i).state == DMsgUnread)
            listed.append(list.shared(i));
    }
    return listed;
}

int markReadInList(const DMsgList &list, int id)
{
    int wereUnread = 0;
    for (DMsg &m : list) {
        if (m.id != id)
            continue;
        if (m.state == DMsgUnread)
            ++wereUnread;
        m.state = DMsgRead;
    }
    return wereUnread;
}

QString messageCheckStyle()
{
    return QStringLiteral("border-bottom:1px solid #EDEDED;padding-left:10px");
}

QString messageTitleStyle(DMsgState state)
{
    QString style = QStringLiteral(
        "background:#fff;text-align:left;border:none;border-bottom:1px solid #EDEDED;"
        "padding-left:12px;");
    if (state == DMsgUnread)
        style += QStringLiteral("font-weight:bold;color:#000;");
    return style;
}

QString messageTimeStyle()
{
    return QStringLiteral(
        "background:#fff;text-align:right;padding-right:10px;border-bottom:1px solid #EDEDED;"
        "font-size:12px;");
}

QString messageRowTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy/MM/dd HH:mm "));
}

QString messageDetailTime(const QDateTime &time)
{
    return time.toString(QStringLiteral("yyyy/MM/dd HH:mm"));
}

QString noMessageTickedText()
{
    return QStringLiteral("请勾选欲操作的消息");
}

QString deleteQuestion(int count)
{
    return QStringLiteral("确定要删除 ") + QString::number(count) + QStringLiteral(" 条消息吗?");
}

QString refreshedToast(int count)
{
    return QStringLiteral("已刷新%1条消息").arg(count);
}
