#include "tests/support/TestHttpsServer.h"

#include <httplib.h>

#include <QMetaObject>
#include <QProcessEnvironment>

#include <chrono>

namespace {

CapturedRequest capture(const httplib::Request &req)
{
    CapturedRequest c;
    c.path = QString::fromStdString(req.path);
    c.body = QByteArray::fromStdString(req.body);
    c.remotePort = req.remote_port;
    const QList<QByteArray> pairs = c.body.split('&');
    for (const QByteArray &pair : pairs) {
        if (pair.isEmpty())
            continue;
        const int eq = pair.indexOf('=');
        const QByteArray key = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        c.keys.append(key);
        c.form.insert(key, QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return c;
}

} // namespace

// A held reply waits here until its hook has run; the server opens every gate when it stops.
struct TestHttpsServer::Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;

    void openNow()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

QString TestHttpsServer::dataPath(const QString &relative)
{
    return QProcessEnvironment::systemEnvironment().value(QStringLiteral("HALVIK_TEST_DATA")) +
           QLatin1Char('/') + relative;
}

QString TestHttpsServer::caFile()
{
    return dataPath(QStringLiteral("tls/ca.pem"));
}

TestHttpsServer::TestHttpsServer(bool tls, Certificate cert) : m_tls(tls)
{
    if (tls) {
        const QString certFile = cert == Certificate::Good ? QStringLiteral("tls/server.pem")
                                 : cert == Certificate::WrongName
                                     ? QStringLiteral("tls/wrongname.pem")
                                     : QStringLiteral("tls/expired.pem");
        m_server = std::make_unique<httplib::SSLServer>(
            dataPath(certFile).toLocal8Bit().constData(),
            dataPath(QStringLiteral("tls/server.key")).toLocal8Bit().constData());
    } else {
        m_server = std::make_unique<httplib::Server>();
    }
    m_server->set_keep_alive_timeout(1);
    m_server->set_tcp_nodelay(true);

    auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        const CapturedRequest c = capture(req);
        {
            QMutexLocker lock(&m_mutex);
            if (m_recording)
                m_requests.append(c);
        }
        runHook(c.path);
        const CannedReply reply = replyFor(c);
        if (reply.silentMs > 0 && !sleepUnlessStopping(reply.silentMs))
            return;
        res.status = reply.status;
        if (reply.dripChunks <= 0) {
            res.set_content(reply.body.constData(), size_t(reply.body.size()),
                            reply.contentType.constData());
            return;
        }
        const int chunks = reply.dripChunks;
        const int piece = qMax(1, int(reply.body.size() / chunks));
        res.set_chunked_content_provider(
            "application/octet-stream",
            [this, reply, piece, sent = 0](size_t, httplib::DataSink &sink) mutable {
                if (sent >= reply.body.size()) {
                    sink.done();
                    return true;
                }
                if (!sleepUnlessStopping(reply.dripIntervalMs))
                    return false;
                const QByteArray part = reply.body.mid(sent, piece);
                sent += part.size();
                sink.write(part.constData(), size_t(part.size()));
                return true;
            });
    };
    m_server->Post(".*", handler);
    m_server->Get(".*", handler);

    // stop() does nothing until the accept loop runs, so a server destroyed right after it was
    // made would never end. The loop asks for its task queue once it runs: wait for that.
    m_server->new_task_queue = [this]() -> httplib::TaskQueue * {
        {
            std::lock_guard<std::mutex> lock(m_stopMutex);
            m_running = true;
        }
        m_stopCond.notify_all();
        return new httplib::ThreadPool(CPPHTTPLIB_THREAD_POOL_COUNT);
    };
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    std::unique_lock<std::mutex> lock(m_stopMutex);
    m_stopCond.wait(lock, [this] { return m_running; });
}

TestHttpsServer::~TestHttpsServer()
{
    {
        std::lock_guard<std::mutex> lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopCond.notify_all();
    QList<std::shared_ptr<Gate>> gates;
    {
        QMutexLocker lock(&m_mutex);
        gates = m_gates;
    }
    for (const std::shared_ptr<Gate> &gate : gates)
        gate->openNow();
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool TestHttpsServer::sleepUnlessStopping(int ms)
{
    std::unique_lock<std::mutex> lock(m_stopMutex);
    return !m_stopCond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

QString TestHttpsServer::baseUrl() const
{
    return (m_tls ? QStringLiteral("https://127.0.0.1:") : QStringLiteral("http://127.0.0.1:")) +
           QString::number(m_port);
}

void TestHttpsServer::setReply(const QString &path, const CannedReply &reply)
{
    setReplies(path, {reply});
}

void TestHttpsServer::setReplies(const QString &path, const QList<CannedReply> &replies)
{
    QMutexLocker lock(&m_mutex);
    m_replies.insert(path, replies);
}

void TestHttpsServer::setDefaultReply(const CannedReply &reply)
{
    QMutexLocker lock(&m_mutex);
    m_default = reply;
}

void TestHttpsServer::setResponder(const QString &path, const Responder &responder)
{
    QMutexLocker lock(&m_mutex);
    m_responders.insert(path, responder);
}

void TestHttpsServer::whenRequested(const QString &path, QObject *context,
                                    const std::function<void()> &action)
{
    QMutexLocker lock(&m_mutex);
    m_hooks.insert(path, Hook{context, action});
}

void TestHttpsServer::runHook(const QString &path)
{
    auto gate = std::make_shared<Gate>();
    Hook hook;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_hooks.contains(path))
            return;
        hook = m_hooks.take(path);
        m_gates.append(gate);
    }
    {
        // A server stopping already opens no gate made after that.
        std::lock_guard<std::mutex> lock(m_stopMutex);
        if (m_stopping)
            return;
    }
    // Only the gate is shared with the context's thread: the server may be gone when it runs.
    const std::function<void()> action = hook.action;
    QMetaObject::invokeMethod(
        hook.context,
        [action, gate] {
            action();
            gate->openNow();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->opened.wait(lock, [&gate] { return gate->open; });
}

void TestHttpsServer::setRecording(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_recording = on;
}

CannedReply TestHttpsServer::replyFor(const CapturedRequest &request)
{
    QMutexLocker lock(&m_mutex);
    const Responder responder = m_responders.value(request.path);
    if (responder) {
        lock.unlock();
        return responder(request);
    }
    auto it = m_replies.find(request.path);
    if (it == m_replies.end() || it->isEmpty())
        return m_default;
    return it->size() > 1 ? it->takeFirst() : it->first();
}

QList<CapturedRequest> TestHttpsServer::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

QStringList TestHttpsServer::requestedPaths() const
{
    QStringList paths;
    for (const CapturedRequest &r : requests())
        paths.append(r.path);
    return paths;
}

void TestHttpsServer::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}
