#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Request parameters, ordered by byte-wise key comparison: the order in which they are both
// signed and sent.
using ApiParams = QMap<QByteArray, QString>;

// The text that is signed: key=value pairs joined by "&" with raw values, then the secret.
QString signatureBase(const ApiParams &params, const QString &secret);

// 32 lower-case hex digits of the MD5 of the UTF-8 signature base.
QString signParams(const ApiParams &params, const QString &secret);

// The form body: key=value pairs joined by "&", values as UTF-8 percent-encoded with only
// letters, digits and "-._~" left as they are (a space is "%20", never "+").
QByteArray encodeFormBody(const ApiParams &params);

// Adds "timestamp" (when asked), "apiKey" and "hash" the way every request carries them.
void prepareParams(ApiParams &params, bool hasTimeStamp, qint64 nowSecs, const QString &apiKey,
                   const QString &apiSecret);
