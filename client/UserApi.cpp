#include "client/User.h"

#include "client/HttpExchange.h"
#include "client/ReplyEnvelope.h"
#include "client/SecretMask.h"

#include <QDateTime>
#include <QEventLoop>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QScopedPointer>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kWaitTimedOut = 2;

struct ExchangeDisposer
{
    static void cleanup(HttpExchange *exchange) { HttpExchange::dispose(exchange); }
};

QString networkErrorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace

bool User::doAPI(const QString &api, const ApiParams &post)
{
    QJsonValue res;
    return doAPI(api, post, res, true, nullptr, nullptr, false);
}

bool User::doAPI(const QString &api, const ApiParams &post, QJsonValue &res)
{
    return doAPI(api, post, res, true, nullptr, nullptr, false);
}

bool User::doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp)
{
    return doAPI(api, post, res, hasTimeStamp, nullptr, nullptr, false);
}

bool User::doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp,
                 int *resCode)
{
    return doAPI(api, post, res, hasTimeStamp, resCode, nullptr, false);
}

bool User::doAPI(const QString &api, const ApiParams &post, QJsonValue &res, bool hasTimeStamp,
                 int *resCode, QString *retJSON)
{
    return doAPI(api, post, res, hasTimeStamp, resCode, retJSON, false);
}

bool User::doAPI(const QString &api, ApiParams post, QJsonValue &res, bool hasTimeStamp,
                 int *resCode, QString *retJSON, bool isQuiet)
{
    errorText.clear();
    answered = false;
    prepareParams(post, hasTimeStamp, QDateTime::currentSecsSinceEpoch(), apiKey, apiSecret);
    const QByteArray body = encodeFormBody(post);
    if (resCode)
        *resCode = -2;

    const QUrl url(baseUrl + api, QUrl::TolerantMode);
    // A connection per request: nothing but a TLS session ticket outlives the call. It runs on
    // the network thread, so the handshake costs this (GUI) thread nothing.
    HttpExchange *reply = HttpExchange::startInBackground(
        "POST", url,
        {{"Content-Type", "application/x-www-form-urlencoded"}, {"User-Agent", "Mozilla/5.0"}},
        body, sslConfiguration());
    const QScopedPointer<HttpExchange, ExchangeDisposer> owner(reply);
    int exitCode = 0;
    const WaitEnd wait = waitForReply(reply, exitCode);

    if (wait == WaitEnd::TimedOut) {
        showNetworkFailure(isQuiet, QStringLiteral("网络连接超时,请检查网络."));
        return false;
    }
    if (wait == WaitEnd::Exited) {
        showNetworkFailure(isQuiet,
                           QStringLiteral("网络连接错误,请检查网络. 错误码a%1").arg(exitCode));
        return false;
    }
    if (reply->error() != QNetworkReply::NoError) {
        showNetworkFailure(isQuiet,
                           QStringLiteral("网络连接错误,请检查网络. 错误码b395,%1:%2,\r\n%3")
                               .arg(int(reply->error()))
                               .arg(networkErrorName(reply->error()), url.toString()));
        return false;
    }

    lastReply = QString::fromUtf8(reply->readAll());
    if (retJSON)
        *retJSON = lastReply;
    // The body is read through the text the caller sees, so both agree on every byte.
    const ReplyEnvelope envelope = evaluateReply(lastReply.toUtf8());
    if (!envelope.wellFormed) {
        errorText = envelope.errorText;
        if (!isQuiet)
            showMsgBox(envelope.forbiddenPage ? QStringLiteral("未找到页面，请检查网络。")
                                              : errorText);
        return false;
    }

    if (resCode)
        *resCode = envelope.code;
    resultCode = envelope.code;
    answered = true;
    res = envelope.data;
    // A refusal's text is the server's to choose; a broken or hostile one may echo what it was
    // sent, and the password and secret must not reach a box or a log from there.
    errorText = withoutSecrets(envelope.errorText);
    return envelope.code == 0;
}

User::WaitEnd User::waitForReply(HttpExchange *reply, int &exitCode)
{
    if (reply->isFinished())
        return WaitEnd::Finished;

    QEventLoop loop;
    QTimer idle;
    QTimer total;
    idle.setSingleShot(true);
    total.setSingleShot(true);
    bool timedOut = false;

    const QMetaObject::Connection finished =
        connect(reply, &HttpExchange::finished, &loop, [&loop] { loop.exit(0); });
    auto giveUp = [&] {
        // Abort emits finished at once; the wait must still end as a time-out.
        disconnect(finished);
        timedOut = true;
        reply->abort();
        loop.exit(kWaitTimedOut);
    };
    connect(&idle, &QTimer::timeout, &loop, giveUp);
    connect(&total, &QTimer::timeout, &loop, giveUp);
    connect(reply, &HttpExchange::downloadProgress, &idle, [&idle] { idle.start(); });

    idle.start(idleLimitMs);
    total.start(totalLimitMs);
    exitCode = loop.exec();
    if (timedOut)
        return WaitEnd::TimedOut;
    if (reply->isFinished())
        return WaitEnd::Finished;
    // Something told every event loop to exit while the reply was still on its way.
    disconnect(finished);
    reply->abort();
    return WaitEnd::Exited;
}

QString User::withoutSecrets(const QString &text) const
{
    return maskSecrets(text, {password, apiSecret});
}

bool User::refuseReplyData(bool isQuiet)
{
    showNetworkFailure(isQuiet, unreadableReplyText());
    return false;
}

void User::showNetworkFailure(bool isQuiet, const QString &text)
{
    errorText = text;
    if (!isQuiet)
        showMsgBox(text);
}
