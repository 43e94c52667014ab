#include "localservice/api/RequestAuth.h"

#include "localservice/storage/PasswordHash.h"

Refusal checkTimestamp(const ApiParams &params, qint64 now, int windowSecs, bool required)
{
    if (!params.contains("timestamp"))
        return required ? Refusal{3, QString()} : Refusal{};
    bool ok = false;
    const qint64 stamp = params.value("timestamp").toLongLong(&ok);
    if (!ok || stamp < now - windowSecs || stamp > now + windowSecs)
        return {3, QString()};
    return {};
}

Refusal verifySignedRequest(const ApiParams &params, const AccountByKey &lookup, qint64 now,
                            int windowSecs, AccountRow *account)
{
    AccountRow found;
    if (!lookup(params.value("apiKey"), &found) || found.apiSecret.isEmpty())
        return {1, QString()};
    ApiParams signedParams = params;
    signedParams.remove("hash");
    const QByteArray expected = signParams(signedParams, found.apiSecret).toLatin1();
    if (!sameBytes(params.value("hash").toLatin1(), expected))
        return {1, QString()};
    const Refusal stale = checkTimestamp(params, now, windowSecs, true);
    if (stale.code)
        return stale;
    *account = found;
    return {};
}
