#include "localservice/server/StopSignal.h"

#include <chrono>

bool StopSignal::waitFor(int ms, const std::function<bool()> &done)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_cv.wait_for(lock, std::chrono::milliseconds(ms),
                  [&] { return m_stopping || (done && done()); });
    return !m_stopping;
}

void StopSignal::wake()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cv.notify_all();
}

void StopSignal::stop()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    m_cv.notify_all();
}

bool StopSignal::stopping()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping;
}
