#include "client/copy/CopyWriter.h"

#include "client/copy/LocalCopy.h"

#include <QMutexLocker>
#include <QThread>

CopyWriter::CopyWriter() : m_thread(QThread::create([this] { run(); }))
{
    m_thread->start();
}

CopyWriter::~CopyWriter()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_posted.wakeAll();
    }
    // run() empties the queue before it returns.
    m_thread->wait();
}

bool CopyWriter::open(const QString &path, const QString &email, QString &notice, QString &error)
{
    bool opened = false;
    post([&](LocalCopy &copy) {
        opened = copy.open(path) && copy.setAccount(email);
        notice = copy.notice();
        error = copy.errorText();
    });
    wait();
    return opened;
}

void CopyWriter::post(Write write)
{
    QMutexLocker lock(&m_mutex);
    m_queue.push_back(std::move(write));
    m_posted.wakeAll();
}

void CopyWriter::wait()
{
    QMutexLocker lock(&m_mutex);
    while (!m_queue.empty() || m_running)
        m_drained.wait(&m_mutex);
}

void CopyWriter::run()
{
    LocalCopy copy;
    QMutexLocker lock(&m_mutex);
    for (;;) {
        if (m_queue.empty()) {
            m_drained.wakeAll();
            if (m_stopping)
                break;
            m_posted.wait(&m_mutex);
            continue;
        }
        Write write = std::move(m_queue.front());
        m_queue.pop_front();
        m_running = true;
        lock.unlock();
        write(copy);
        lock.relock();
        m_running = false;
    }
}
