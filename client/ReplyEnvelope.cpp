#include "client/ReplyEnvelope.h"

#include "client/JsonRead.h"
#include "client/Types.h"

#include <QJsonDocument>
#include <QJsonObject>

QString unreadableReplyText()
{
    return QStringLiteral("服务器返回错误,请检查网络. 错误码:L366");
}

ReplyEnvelope evaluateReply(const QByteArray &body)
{
    ReplyEnvelope reply;
    const QJsonObject envelope = QJsonDocument::fromJson(body).object();
    if (envelope.isEmpty() || readInt(envelope.value(QLatin1String("code")), kAbsent) == kAbsent) {
        reply.errorText = unreadableReplyText();
        reply.forbiddenPage = body.contains("<title>错误页面403");
        return reply;
    }
    reply.wellFormed = true;
    reply.code = readInt(envelope.value(QLatin1String("code")), -2);
    reply.data = envelope.value(QLatin1String("data"));
    if (reply.code != 0) {
        const QString message = readString(envelope.value(QLatin1String("message")));
        reply.errorText =
            message.isEmpty()
                ? QStringLiteral("服务器返回错误,请检查网络. 错误码:c%1").arg(reply.code)
                : message;
    }
    return reply;
}
