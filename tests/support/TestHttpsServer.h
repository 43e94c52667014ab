#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

class QObject;

// What the test server answers on one path.
struct CannedReply
{
    int status = 200;
    QByteArray body = QByteArrayLiteral("{\"code\":0}");
    QByteArray contentType = QByteArrayLiteral("application/json");
    int silentMs = 0;       // wait this long before sending anything
    int dripChunks = 0;     // > 0: send the body in this many pieces...
    int dripIntervalMs = 0; // ...this far apart (a type the server won't gzip)
};

// One request as the test server received it.
struct CapturedRequest
{
    QString path;
    QByteArray body;                // the raw form body
    QList<QByteArray> keys;         // form keys in the order sent
    QMap<QByteArray, QString> form; // decoded form values
    int remotePort = 0;             // the client's end: one per connection
};

// A real HTTPS (or HTTP) server on 127.0.0.1 and an ephemeral port, on a thread of its own,
// answering scripted replies per path and recording every request.
class TestHttpsServer
{
public:
    enum class Certificate
    {
        Good,
        WrongName,
        Expired
    };

    explicit TestHttpsServer(bool tls = true, Certificate cert = Certificate::Good);
    ~TestHttpsServer();

    QString baseUrl() const;
    static QString caFile(); // the test CA that issued every certificate here
    static QString dataPath(const QString &relative);

    void setReply(const QString &path, const CannedReply &reply);
    void setDefaultReply(const CannedReply &reply);
    // Several replies for one path, used in order; the last one repeats.
    void setReplies(const QString &path, const QList<CannedReply> &replies);

    // Computes the reply on path from each request (for instance by its "page"); runs on the
    // server's threads. Takes precedence over scripted replies for that path.
    using Responder = std::function<CannedReply(const CapturedRequest &)>;
    void setResponder(const QString &path, const Responder &responder);
    // Runs action on context's thread once the next request on path has come in, and holds that
    // request's reply until action has run: a step that must land while the client waits for
    // the reply lands there however slow the machine is. The client's wait runs action; context
    // (the test object, say) outlives the server.
    void whenRequested(const QString &path, QObject *context, const std::function<void()> &action);
    // Keep (default) or stop keeping the requests received; long runs turn it off.
    void setRecording(bool on);

    QList<CapturedRequest> requests() const;
    QStringList requestedPaths() const;
    void clearRequests();

private:
    struct Gate;
    struct Hook
    {
        QObject *context = nullptr;
        std::function<void()> action;
    };

    CannedReply replyFor(const CapturedRequest &request);
    // Runs the hook set for path, if any, on its context's thread and waits until it has run.
    void runHook(const QString &path);
    bool sleepUnlessStopping(int ms);

    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    bool m_tls = true;

    mutable QMutex m_mutex;
    QMap<QString, QList<CannedReply>> m_replies;
    CannedReply m_default;
    QList<CapturedRequest> m_requests;
    QMap<QString, Responder> m_responders;
    QMap<QString, Hook> m_hooks;
    bool m_recording = true;

    std::mutex m_stopMutex;
    std::condition_variable m_stopCond;
    bool m_stopping = false;
    bool m_running = false;
    QList<std::shared_ptr<Gate>> m_gates; // opened by their hooks, or all at once on stopping
};
