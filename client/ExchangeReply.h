#pragma once

#include "client/HttpExchange.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

// A QNetworkReply carried by HttpExchange, for network access managers whose readers expect a
// reply (a web view's images): the same request path as the service calls, a connection of its
// own sent in one write. Only GET is carried; body bytes are readable as they arrive.
class ExchangeReply : public QNetworkReply
{
    Q_OBJECT
public:
    // Starts once control returns to the event loop, so the caller can connect first.
    ExchangeReply(const QNetworkRequest &request, const QSslConfiguration &ssl,
                  QObject *parent = nullptr);
    ~ExchangeReply() override;

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    void start();
    void onProgress();
    void onFinished();
    void takeMetaData();

    HttpExchange m_exchange;
    QSslConfiguration m_ssl;
    QByteArray m_buffer;
    bool m_metaDataSent = false;
};
