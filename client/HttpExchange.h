#pragma once

#include "client/HttpRequest.h"

#include <QObject>

#include <memory>

// One HTTPS request, run on the process's network thread (NetworkThread) over a kept-alive
// connection where one is free. The exchange itself lives on the caller's thread: the result
// arrives there whole, in one queued call, before finished() is emitted, so nothing is read
// while the network thread still writes it.
class HttpExchange : public QObject
{
    Q_OBJECT
public:
    explicit HttpExchange(QObject *parent = nullptr);
    // Ends the request if it still runs; nothing is delivered after.
    ~HttpExchange() override;

    // Sends request; finished() follows once control is back in the event loop, never inside
    // start(). Anything but an https URL is refused before a connection is made.
    void start(const HttpRequest &request);
    // Ends the exchange with OperationCanceledError; finished() is emitted at once.
    void abort();

    bool isFinished() const { return m_finished; }
    // The outcome; complete once finished() has been emitted.
    const HttpResult &result() const { return m_result; }
    // The body, handed over once.
    QByteArray takeBody() { return std::move(m_result.body); }

    // Closes every kept-alive connection and forgets the TLS sessions (tests, a changed trust).
    static void forgetConnections();

signals:
    void finished();

private:
    struct Mailbox;
    void deliver(HttpResult result);

    std::shared_ptr<Mailbox> m_mailbox;
    quint64 m_ticket = 0;
    HttpResult m_result;
    bool m_started = false;
    bool m_finished = false;
};
