#include "client/ExchangeReply.h"

#include <QTimer>

ExchangeReply::ExchangeReply(const QNetworkRequest &request, const HttpTrust &trust,
                             const HttpLimits &limits, QObject *parent)
    : QNetworkReply(parent), m_trust(trust), m_limits(limits)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::GetOperation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    connect(&m_exchange, &HttpExchange::finished, this, &ExchangeReply::onFinished);
    QTimer::singleShot(0, this, &ExchangeReply::start);
}

ExchangeReply::~ExchangeReply() = default;

void ExchangeReply::start()
{
    if (isFinished())
        return;
    const QNetworkRequest req = request();
    HttpRequest r;
    r.url = req.url();
    r.trust = m_trust;
    r.limits = m_limits;
    r.mayRepeat = true;
    for (const QByteArray &name : req.rawHeaderList()) {
        // The exchange frames the request itself.
        if (name.compare("Connection", Qt::CaseInsensitive) != 0 &&
            name.compare("Content-Length", Qt::CaseInsensitive) != 0 &&
            name.compare("Accept-Encoding", Qt::CaseInsensitive) != 0)
            r.headers.append({name, req.rawHeader(name)});
    }
    if (!req.hasRawHeader("User-Agent"))
        r.headers.append(qMakePair(QByteArray("User-Agent"), QByteArray("Mozilla/5.0")));
    m_exchange.start(r);
}

void ExchangeReply::onFinished()
{
    const HttpResult &result = m_exchange.result();
    if (result.status != 0) {
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, result.status);
        setAttribute(QNetworkRequest::HttpReasonPhraseAttribute,
                     QString::fromLatin1(result.reasonPhrase));
        for (const auto &field : result.headers)
            setRawHeader(field.first, field.second);
        emit metaDataChanged();
    }
    m_buffer = m_exchange.takeBody();
    if (!m_buffer.isEmpty()) {
        emit downloadProgress(m_buffer.size(), m_buffer.size());
        emit readyRead();
    }
    if (result.error != QNetworkReply::NoError) {
        setError(result.error, result.errorString);
        emit errorOccurred(result.error);
    }
    setFinished(true);
    emit finished();
}

void ExchangeReply::abort()
{
    if (isFinished())
        return;
    m_exchange.abort(); // emits finished through onFinished
}

qint64 ExchangeReply::bytesAvailable() const
{
    return m_buffer.size() + QNetworkReply::bytesAvailable();
}

qint64 ExchangeReply::readData(char *data, qint64 maxSize)
{
    if (m_buffer.isEmpty())
        return isFinished() ? -1 : 0;
    const qint64 n = qMin<qint64>(maxSize, m_buffer.size());
    memcpy(data, m_buffer.constData(), size_t(n));
    m_buffer.remove(0, int(n));
    return n;
}
