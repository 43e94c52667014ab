#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

// Lets waiting request handlers (delays, drips, hung replies) sleep without spinning and
// wake at once when the service stops or what they wait for changes.
class StopSignal
{
public:
    // Waits up to ms milliseconds, or until done() holds (checked on every wake()).
    // False when the service is stopping.
    bool waitFor(int ms, const std::function<bool()> &done = {});
    // Wakes every waiter so that it checks its condition again.
    void wake();
    void stop();
    bool stopping();

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stopping = false;
};
