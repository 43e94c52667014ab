#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"

#include <QJsonArray>

int cmdMessages(CliSession &s)
{
    const QString kind = s.invocation.command.section(QLatin1Char(' '), 1);
    User &u = s.user;
    s.beginCall();
    const DMsgList *list = &u.msgsInform;
    if (kind == QLatin1String("news")) {
        u.getMsg(DMsgPublic0);
        list = &u.msgsPublic0;
    } else if (kind == QLatin1String("notices")) {
        u.getMsg(DMsgPublic1);
        list = &u.msgsPublic1;
    } else {
        u.getMsg_inform();
    }
    // A page that failed was shown as a box; what was read before it is still printed.
    const int exit = s.showedBox() ? s.failureKind() : int(ExitOk);
    QJsonArray array;
    QList<QStringList> rows;
    for (const DMsg &m : *list) {
        array.append(messageJson(m));
        rows.append({QString::number(m.id),
                     m.time.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                     messageStateText(m), m.title});
    }
    s.print(array, formatTable({QStringLiteral("ID"), QStringLiteral("TIME (UTC)"),
                                QStringLiteral("STATE"), QStringLiteral("TITLE")},
                               rows));
    return exit;
}

int cmdMessageRead(CliSession &s)
{
    const QString id = s.invocation.operands.value(0);
    s.beginCall();
    if (!s.user.updateMsg(id.toInt(), DMsgRead))
        return s.failed(QStringLiteral("marking message %1 read").arg(id));
    s.print(QJsonObject{{QStringLiteral("ok"), true}}, QStringLiteral("ok\n"));
    return ExitOk;
}

int cmdMessageShow(CliSession &s)
{
    DMsg m;
    m.id = s.invocation.operands.value(0).toInt();
    s.beginCall();
    const QString content = s.user.getDetail(&m);
    if (!s.user.errorText.isEmpty())
        return s.failed(QStringLiteral("reading message %1").arg(m.id));
    s.print(QJsonObject{{QStringLiteral("id"), m.id}, {QStringLiteral("content"), content}},
            content.endsWith(QLatin1Char('\n')) ? content : content + QLatin1Char('\n'));
    return ExitOk;
}
