#include "client/ExchangeReply.h"

#include <QTimer>

ExchangeReply::ExchangeReply(const QNetworkRequest &request, const QSslConfiguration &ssl,
                             QObject *parent)
    : QNetworkReply(parent), m_ssl(ssl)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::GetOperation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    connect(&m_exchange, &HttpExchange::downloadProgress, this, &ExchangeReply::onProgress);
    connect(&m_exchange, &HttpExchange::finished, this, &ExchangeReply::onFinished);
    QTimer::singleShot(0, this, &ExchangeReply::start);
}

ExchangeReply::~ExchangeReply() = default;

void ExchangeReply::start()
{
    if (isFinished())
        return;
    const QNetworkRequest req = request();
    HttpExchange::Headers headers;
    for (const QByteArray &name : req.rawHeaderList()) {
        // The exchange frames the request itself.
        if (name.compare("Connection", Qt::CaseInsensitive) != 0 &&
            name.compare("Content-Length", Qt::CaseInsensitive) != 0 &&
            name.compare("Accept-Encoding", Qt::CaseInsensitive) != 0)
            headers.append({name, req.rawHeader(name)});
    }
    if (!req.hasRawHeader("User-Agent"))
        headers.append(qMakePair(QByteArray("User-Agent"), QByteArray("Mozilla/5.0")));
    m_exchange.start("GET", req.url(), headers, QByteArray(), m_ssl);
}

void ExchangeReply::takeMetaData()
{
    if (m_metaDataSent || m_exchange.statusCode() == 0)
        return;
    m_metaDataSent = true;
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_exchange.statusCode());
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute,
                 QString::fromLatin1(m_exchange.reasonPhrase()));
    for (const auto &field : m_exchange.headers())
        setRawHeader(field.first, field.second);
    emit metaDataChanged();
}

void ExchangeReply::onProgress()
{
    takeMetaData();
    const QByteArray bytes = m_exchange.readAll();
    if (!bytes.isEmpty()) {
        m_buffer += bytes;
        emit readyRead();
    }
    const qint64 total = m_exchange.header("Content-Length").isEmpty()
                             ? -1
                             : m_exchange.header("Content-Length").toLongLong();
    emit downloadProgress(m_buffer.size(), total);
}

void ExchangeReply::onFinished()
{
    takeMetaData();
    const QByteArray rest = m_exchange.readAll();
    if (!rest.isEmpty()) {
        m_buffer += rest;
        emit readyRead();
    }
    if (m_exchange.error() != QNetworkReply::NoError) {
        setError(m_exchange.error(), m_exchange.errorString());
        emit errorOccurred(m_exchange.error());
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
