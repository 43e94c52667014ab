#pragma once

#include "client/HttpExchange.h"

#include <QNetworkReply>
#include <QNetworkRequest>

// A QNetworkReply carried by HttpExchange, for network access managers whose readers expect a
// reply (a web view's images): the same request path, trust and limits as the service calls.
// Only GET is carried; the body is readable once the exchange has ended.
class ExchangeReply : public QNetworkReply
{
    Q_OBJECT
public:
    // Starts once control returns to the event loop, so the caller can connect first.
    ExchangeReply(const QNetworkRequest &request, const HttpTrust &trust, const HttpLimits &limits,
                  QObject *parent = nullptr);
    ~ExchangeReply() override;

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    void start();
    void onFinished();

    HttpExchange m_exchange;
    HttpTrust m_trust;
    HttpLimits m_limits;
    QByteArray m_buffer;
};
