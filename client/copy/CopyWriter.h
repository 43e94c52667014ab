#pragma once

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <memory>

class LocalCopy;
class QThread;

// A local copy written on a thread of its own, so whoever reads the service does not wait for
// SQLite: writes run one after another in the order they were posted, each its own
// transaction as LocalCopy makes it. The copy is made, used and closed on that thread only.
// wait() (and the destructor) returns once every write posted has run: a process that ends
// after it loses none.
class CopyWriter
{
public:
    using Write = std::function<void(LocalCopy &)>;

    CopyWriter();
    ~CopyWriter();
    CopyWriter(const CopyWriter &) = delete;
    CopyWriter &operator=(const CopyWriter &) = delete;

    // Opens the copy at path for email's account, and waits for it: false with error when it
    // cannot be used. notice is what open() had to tell the user (see LocalCopy::notice()).
    bool open(const QString &path, const QString &email, QString &notice, QString &error);

    void post(Write write);
    // Returns once every write posted so far has run.
    void wait();

private:
    void run();

    QMutex m_mutex;
    QWaitCondition m_posted;
    QWaitCondition m_drained;
    std::deque<Write> m_queue;
    bool m_running = false; // a write taken off the queue and not finished
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};
