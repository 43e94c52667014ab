#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QString>

// What a reply body that arrived whole says: the service's envelope {"code", "message", "data"}
// or something else (an error page, a broken or foreign JSON text).
struct ReplyEnvelope
{
    bool wellFormed = false;    // a JSON object with a readable "code"
    bool forbiddenPage = false; // not well formed, and the server's 403 error page
    int code = -2;
    QJsonValue data;
    QString errorText; // empty when code is 0
};

// What the user is told of a reply the client cannot read.
QString unreadableReplyText();

ReplyEnvelope evaluateReply(const QByteArray &body);
