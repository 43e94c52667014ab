#include "localservice/api/ApiRouter.h"

#include "localservice/api/RequestAuth.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/Storage.h"

#include <QDateTime>

void ApiRouter::add(const QString &path, Access access, ApiHandler handler)
{
    m_routes.insert(path, Route{access, std::move(handler)});
}

QByteArray ApiRouter::handle(const QString &path, const QByteArray &body, const QString &origin,
                             ServiceContext &context) const
{
    const auto route = m_routes.constFind(path);
    if (route == m_routes.cend())
        return envelopeJson(refuse(3));
    ApiCall call;
    call.origin = origin;
    if (!parseForm(body, &call.params))
        return envelopeJson(refuse(3));
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const int window = context.options.timestampWindowSecs;
    Refusal refusal;
    if (route->access == Access::Signed) {
        Storage &storage = context.storage;
        refusal = verifySignedRequest(
            call.params,
            [&storage](const QString &key, AccountRow *out) {
                return storage.accountByApiKey(key, out);
            },
            now, window, &call.account);
    } else {
        // Sign-in may come with an old key from an earlier session: only the time counts.
        refusal = checkTimestamp(call.params, now, window, false);
    }
    if (refusal.code)
        return envelopeJson(refuse(refusal));
    return envelopeJson(route->handler(call));
}
