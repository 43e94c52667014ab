#pragma once

#include "client/ApiRequest.h"
#include "localservice/api/Validation.h"
#include "localservice/storage/StorageTypes.h"

#include <QJsonValue>

// One API request as a handler sees it: its form parameters, the account that signed it
// (id 0 on the paths that need no signature) and the origin the client reached us by.
struct ApiCall
{
    ApiParams params;
    AccountRow account;
    QString origin;

    bool has(const char *key) const { return params.contains(key); }
    QString value(const char *key) const { return params.value(key); }
    // A decimal integer parameter; def when missing or not a number.
    int intValue(const char *key, int def) const;
    // A positive id; 0 when missing or not a positive integer.
    qint64 idValue(const char *key) const;
};

// What a handler answers: the envelope's code, message (empty: the code's usual text) and data.
struct ApiReply
{
    int code = 0;
    QString message;
    QJsonValue data = QJsonValue(QJsonValue::Undefined);
};

ApiReply ok(const QJsonValue &data = QJsonValue(QJsonValue::Undefined));
ApiReply refuse(int code, const QString &message = QString());
ApiReply refuse(const Refusal &refusal);

// The text of a result code as the service words it; empty for a code it does not know.
QString resultText(int code);

// The reply body: {"code": ..., "message": ..., "data": ...} (data only when there is some).
QByteArray envelopeJson(const ApiReply &reply);

// The decoded parameters of a form body: values are UTF-8 and percent-encoded, "+" is a plus
// sign. False when a key appears twice.
bool parseForm(const QByteArray &body, ApiParams *out);

// "page" (from 1) and "pageSize" (1 to maxSize) of a list request.
struct Paging
{
    int page = 1;
    int pageSize = 20;
    int offset() const { return (page - 1) * pageSize; }
};
Paging paging(const ApiCall &call, int defaultSize, int maxSize);
