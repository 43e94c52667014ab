#include "client/HttpExchange.h"

#include "client/NetworkThread.h"

#include <mutex>

// Where the network thread drops the result: the exchange while it exists, nothing after.
struct HttpExchange::Mailbox
{
    std::mutex mutex;
    HttpExchange *owner = nullptr;
};

HttpExchange::HttpExchange(QObject *parent) : QObject(parent), m_mailbox(new Mailbox)
{
    m_mailbox->owner = this;
}

HttpExchange::~HttpExchange()
{
    {
        // Results posted before this stay queued for this object, and Qt drops them with it.
        std::lock_guard<std::mutex> lock(m_mailbox->mutex);
        m_mailbox->owner = nullptr;
    }
    if (m_ticket && !m_finished)
        NetworkThread::cancel(m_ticket);
}

void HttpExchange::start(const HttpRequest &request)
{
    if (m_started)
        return;
    m_started = true;
    const QUrl &url = request.url;
    if (url.scheme() != QLatin1String("https") || url.host().isEmpty()) {
        HttpResult refused;
        refused.error = QNetworkReply::ProtocolUnknownError;
        refused.errorString =
            QStringLiteral("Refused \"%1\": expected https://host[:port]").arg(url.toString());
        QMetaObject::invokeMethod(
            this, [this, refused] { deliver(refused); }, Qt::QueuedConnection);
        return;
    }
    std::shared_ptr<Mailbox> mailbox = m_mailbox;
    m_ticket = NetworkThread::submit(request, [mailbox](HttpResult &&result) {
        std::lock_guard<std::mutex> lock(mailbox->mutex);
        HttpExchange *owner = mailbox->owner;
        if (!owner)
            return;
        QMetaObject::invokeMethod(
            owner, [owner, r = std::move(result)]() mutable { owner->deliver(std::move(r)); },
            Qt::QueuedConnection);
    });
    if (!m_ticket) {
        HttpResult stopped;
        stopped.error = QNetworkReply::OperationCanceledError;
        stopped.errorString = QStringLiteral("The network has stopped");
        QMetaObject::invokeMethod(
            this, [this, stopped] { deliver(stopped); }, Qt::QueuedConnection);
    }
}

void HttpExchange::abort()
{
    if (m_finished)
        return;
    if (m_ticket)
        NetworkThread::cancel(m_ticket);
    HttpResult cancelled;
    cancelled.error = QNetworkReply::OperationCanceledError;
    cancelled.errorString = QStringLiteral("Operation canceled");
    deliver(cancelled);
}

void HttpExchange::deliver(HttpResult result)
{
    if (m_finished)
        return;
    m_result = std::move(result);
    m_finished = true;
    emit finished();
}

void HttpExchange::forgetConnections()
{
    NetworkThread::forgetConnections();
}
