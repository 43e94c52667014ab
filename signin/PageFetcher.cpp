#include "signin/PageFetcher.h"

#include "client/HttpExchange.h"

#include <QEventLoop>
#include <QUrl>

#include <algorithm>

namespace {
constexpr int kAborted = 2;
}

struct PageFetcher::Wait
{
    const AbortCheck &mustAbort;
    HttpExchange *reply;
    QEventLoop &loop;
    QMetaObject::Connection finished;
    bool aborted = false;
};

PageFetcher::PageFetcher(QObject *parent) : QObject(parent) {}

PageFetcher::~PageFetcher() = default;

void PageFetcher::setTrust(const HttpTrust &trust)
{
    m_trust = trust;
}

void PageFetcher::setLimits(const HttpLimits &limits)
{
    m_limits = limits;
}

QByteArray PageFetcher::fetchPage(const QString &address, bool decode, const AbortCheck &abortCheck)
{
    if (abortCheck && abortCheck())
        return QByteArray();

    const QUrl url(address, QUrl::TolerantMode);
    // The same request path, trust and limits as the service calls.
    HttpRequest request;
    request.url = url;
    request.headers = {{"User-Agent", "Mozilla/5.0"}};
    request.trust = m_trust;
    request.limits = m_limits;
    request.mayRepeat = true;
    HttpExchange exchange;
    HttpExchange *reply = &exchange;
    reply->start(request);

    QEventLoop loop;
    Wait wait{abortCheck, reply, loop, {}};
    wait.finished = connect(reply, &HttpExchange::finished, &loop, [&loop] { loop.exit(0); });
    m_waits.append(&wait);
    emit requestSent(url);
    // An exit requested before exec() would be lost, so an abort that came first is checked.
    const int result = wait.aborted || reply->isFinished() ? 0 : loop.exec();
    m_waits.removeOne(&wait);

    if (result != 0 || wait.aborted || !reply->isFinished()) {
        // Aborted, or every event loop was told to end while the reply was on its way.
        disconnect(wait.finished);
        reply->abort();
        return QByteArray();
    }
    const QByteArray body = reply->takeBody();
    return decode ? QString::fromUtf8(body).toUtf8() : body;
}

int PageFetcher::waiting() const
{
    return int(std::count_if(m_waits.cbegin(), m_waits.cend(),
                             [](const Wait *wait) { return !wait->aborted; }));
}

void PageFetcher::watchFetch()
{
    const QList<Wait *> waits = m_waits;
    for (Wait *wait : waits) {
        if (wait->aborted || !wait->mustAbort || !wait->mustAbort())
            continue;
        wait->aborted = true;
        // Abort emits finished at once; the wait must still end as aborted.
        disconnect(wait->finished);
        wait->reply->abort();
        wait->loop.exit(kAborted);
    }
}
