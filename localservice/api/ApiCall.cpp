#include "localservice/api/ApiCall.h"

#include "client/ResultMessages.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

int ApiCall::intValue(const char *key, int def) const
{
    bool ok = false;
    const int v = value(key).trimmed().toInt(&ok);
    return ok ? v : def;
}

qint64 ApiCall::idValue(const char *key) const
{
    bool ok = false;
    const qint64 v = value(key).trimmed().toLongLong(&ok);
    return ok && v > 0 ? v : 0;
}

ApiReply ok(const QJsonValue &data)
{
    ApiReply r;
    r.data = data;
    return r;
}

ApiReply refuse(int code, const QString &message)
{
    ApiReply r;
    r.code = code;
    r.message = message;
    return r;
}

ApiReply refuse(const Refusal &refusal)
{
    return refuse(refusal.code, refusal.message);
}

QString resultText(int code)
{
    static const QMap<int, QString> texts = buildResultMessages();
    return texts.value(code);
}

QByteArray envelopeJson(const ApiReply &reply)
{
    QJsonObject o;
    o.insert(QStringLiteral("code"), reply.code);
    o.insert(QStringLiteral("message"),
             reply.message.isEmpty() ? resultText(reply.code) : reply.message);
    if (!reply.data.isUndefined() && !reply.data.isNull())
        o.insert(QStringLiteral("data"), reply.data);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

bool parseForm(const QByteArray &body, ApiParams *out)
{
    out->clear();
    for (const QByteArray &pair : body.split('&')) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        const QByteArray key = QByteArray::fromPercentEncoding(eq < 0 ? pair : pair.left(eq));
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        if (out->contains(key))
            return false;
        out->insert(key, QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return true;
}

Paging paging(const ApiCall &call, int defaultSize, int maxSize)
{
    Paging p;
    p.pageSize = std::clamp(call.intValue("pageSize", defaultSize), 1, maxSize);
    // Keeps the offset within an int however large the page number.
    const int maxPage = std::numeric_limits<int>::max() / p.pageSize;
    p.page = std::clamp(call.intValue("page", 1), 1, maxPage);
    return p;
}
