#include "client/ApiRequest.h"

#include <QCryptographicHash>
#include <QUrl>

QString signatureBase(const ApiParams &params, const QString &secret)
{
    QString base;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (it != params.cbegin())
            base += QLatin1Char('&');
        base += QString::fromLatin1(it.key()) + QLatin1Char('=') + it.value();
    }
    return base + secret;
}

QString signParams(const ApiParams &params, const QString &secret)
{
    const QByteArray digest =
        QCryptographicHash::hash(signatureBase(params, secret).toUtf8(), QCryptographicHash::Md5);
    return QString::fromLatin1(digest.toHex());
}

QByteArray encodeFormBody(const ApiParams &params)
{
    QByteArray body;
    for (auto it = params.cbegin(); it != params.cend(); ++it) {
        if (it != params.cbegin())
            body += '&';
        body += it.key() + '=' + QUrl::toPercentEncoding(it.value());
    }
    return body;
}

void prepareParams(ApiParams &params, bool hasTimeStamp, qint64 nowSecs, const QString &apiKey,
                   const QString &apiSecret)
{
    if (hasTimeStamp)
        params.insert("timestamp", QString::number(nowSecs));
    if (!apiKey.isEmpty())
        params.insert("apiKey", apiKey);
    if (!apiSecret.isEmpty())
        params.insert("hash", signParams(params, apiSecret));
}
