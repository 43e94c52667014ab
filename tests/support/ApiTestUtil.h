#pragma once

#include "client/User.h"
#include "tests/support/RecordingPresenter.h"
#include "tests/support/TestHttpsServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>
#include <QStringList>

Q_DECLARE_METATYPE(CannedReply)

// Small helpers for tests that run User operations against TestHttpsServer.
namespace apitest {

// Points user at server and trusts the test CA that issued its certificate.
inline void pointAt(User &user, const TestHttpsServer &server)
{
    user.baseUrl = server.baseUrl();
    user.webBaseUrl = server.baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
}

// A success envelope carrying data.
inline CannedReply ok(const QJsonValue &data = QJsonValue())
{
    QJsonObject envelope{{QStringLiteral("code"), 0}};
    if (!data.isUndefined())
        envelope.insert(QStringLiteral("data"), data);
    CannedReply r;
    r.body = QJsonDocument(envelope).toJson(QJsonDocument::Compact);
    return r;
}

// A refusal envelope with the service's code and message.
inline CannedReply refused(int code, const QString &message = QStringLiteral("失败"))
{
    CannedReply r;
    r.body = QJsonDocument(
                 QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}})
                 .toJson(QJsonDocument::Compact);
    return r;
}

// An HTTP failure: the request layer reports it as a network error.
inline CannedReply broken()
{
    CannedReply r;
    r.status = 500;
    return r;
}

// The value of key in each request the server received on path, in order.
inline QStringList sentValues(const TestHttpsServer &server, const QString &path,
                              const QByteArray &key)
{
    QStringList values;
    for (const CapturedRequest &r : server.requests()) {
        if (r.path == path)
            values.append(r.form.contains(key) ? r.form.value(key) : QStringLiteral("<none>"));
    }
    return values;
}

} // namespace apitest
