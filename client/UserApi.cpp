#include "client/User.h"

#include "client/HttpExchange.h"
#include "client/ReplyEnvelope.h"
#include "client/SecretMask.h"
#include "client/ServiceConfig.h"

#include <QDateTime>
#include <QEventLoop>
#include <QMetaEnum>
#include <QNetworkReply>
#include <QUrl>

#include <utility>

namespace {

QString networkErrorName(QNetworkReply::NetworkError error)
{
    const char *name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace

User::SentCall::SentCall() = default;
User::SentCall::~SentCall() = default;
User::SentCall::SentCall(SentCall &&) noexcept = default;
User::SentCall &User::SentCall::operator=(SentCall &&) noexcept = default;

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
    SentCall call;
    if (m_ahead.exchange && hasTimeStamp && api == m_readAhead.api && post == m_readAhead.params)
        call = std::move(m_ahead);
    else
        sendCall(api, std::move(post), hasTimeStamp, call);
    m_ahead = SentCall();
    m_readAhead = {};
    const ReadAhead next = std::exchange(m_readNext, {});
    if (next.api.isEmpty())
        return readCall(call, res, resCode, retJSON, isQuiet);
    return readCall(call, res, resCode, retJSON, isQuiet, [this, &next] {
        sendCall(next.api, next.params, true, m_ahead);
        m_readAhead = next;
    });
}

void User::readNext(const QString &api, const ApiParams &params)
{
    // A change is sent once, when it is asked for: never ahead.
    if (isRead(api))
        m_readNext = {api, params};
}

void User::sendCall(const QString &api, ApiParams post, bool hasTimeStamp, SentCall &call)
{
    prepareParams(post, hasTimeStamp, QDateTime::currentSecsSinceEpoch(), apiKey, apiSecret);
    call.url = QUrl(baseUrl + api, QUrl::TolerantMode);
    // Nothing, the password included, goes out in clear.
    if (call.url.scheme() != QLatin1String("https"))
        return;
    HttpRequest request;
    request.method = "POST";
    request.url = call.url;
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"},
                       {"User-Agent", "Mozilla/5.0"}};
    request.body = encodeFormBody(post);
    request.trust = trust();
    request.limits.stallMs = idleLimitMs;
    request.limits.totalMs = totalLimitMs;
    request.limits.connectMs = qMin(request.limits.connectMs, idleLimitMs);
    request.limits.changeReuseMs = changeReuseMs;
    request.mayRepeat = isRead(api);
    // Runs on the network thread; this (GUI) thread only waits, in its event loop.
    call.exchange = std::make_unique<HttpExchange>();
    call.exchange->start(request);
}

bool User::readCall(SentCall &call, QJsonValue &res, int *resCode, QString *retJSON, bool isQuiet,
                    const std::function<void()> &arrived)
{
    errorText.clear();
    answered = false;
    errorReason.clear();
    if (resCode)
        *resCode = -2;
    if (!call.exchange) {
        showNetworkFailure(isQuiet, serviceUrlRefusal(baseUrl));
        return false;
    }
    HttpExchange &reply = *call.exchange;
    int exitCode = 0;
    if (!waitForReply(&reply, exitCode)) {
        showNetworkFailure(isQuiet,
                           QStringLiteral("网络连接错误,请检查网络. 错误码a%1").arg(exitCode));
        return false;
    }
    const HttpResult &result = reply.result();
    if (result.timedOut) {
        showNetworkFailure(isQuiet, QStringLiteral("网络连接超时,请检查网络."));
        return false;
    }
    if (result.error != QNetworkReply::NoError) {
        errorReason = tlsProblemText(result.tlsProblem);
        showNetworkFailure(isQuiet,
                           QStringLiteral("网络连接错误,请检查网络. 错误码b395,%1:%2,\r\n%3")
                               .arg(int(result.error))
                               .arg(networkErrorName(result.error), call.url.toString()));
        return false;
    }
    if (arrived)
        arrived();

    const QByteArray body = reply.takeBody();
    lastReply = QString::fromUtf8(body);
    if (retJSON)
        *retJSON = lastReply;
    // The caller's text and the parsed body must agree on every byte. A body that parses as it
    // came is well-formed UTF-8, so its text says the same; one that does not is read again
    // through the text (bytes not UTF-8 replaced there), as the caller sees it.
    ReplyEnvelope envelope = evaluateReply(body);
    if (!envelope.wellFormed)
        envelope = evaluateReply(lastReply.toUtf8());
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

bool User::isRead(const QString &api) const
{
    // Reads only: sent again when a kept-alive connection died under them. Every other call
    // may change the account and goes out once.
    const QStringList reads{
        paths.userDetail,   paths.domainList, paths.groupList, paths.recordList, paths.newsList,
        paths.userMessages, paths.newsDetail, paths.appInfo,   paths.allViews,   paths.chkCpuId};
    return reads.contains(api);
}

bool User::waitForReply(HttpExchange *reply, int &exitCode)
{
    if (reply->isFinished())
        return true;
    QEventLoop loop;
    connect(reply, &HttpExchange::finished, &loop, [&loop] { loop.exit(0); });
    exitCode = loop.exec();
    if (reply->isFinished())
        return true;
    // Something told every event loop to exit while the reply was still on its way.
    reply->abort();
    return false;
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
    // The reason a certificate was refused goes beside the text, which stays as it was.
    if (!isQuiet)
        showMsgBox(errorReason.isEmpty() ? text : text + QLatin1Char('\n') + errorReason);
}
