#include "localservice/wechat/WxFlow.h"

#include "localservice/storage/PasswordHash.h"

#include <QDateTime>

#include <chrono>

namespace {
constexpr int kCodeLifetimeSecs = 300;
} // namespace

WxFlow::WxFlow(int lifetimeSecs, std::function<qint64()> now)
    : m_lifetimeSecs(lifetimeSecs), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentSecsSinceEpoch(); };
}

QString WxFlow::createSession(const QString &state)
{
    const QString uuid = randomHex(8);
    std::lock_guard<std::mutex> lock(m_mutex);
    // Forget sessions long past, so that a service running for weeks does not grow.
    const qint64 now = m_now();
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (now - it->created > 4 * qint64(m_lifetimeSecs) + 60)
            it = m_sessions.erase(it);
        else
            ++it;
    }
    Session s;
    s.state = state;
    s.created = now;
    m_sessions.insert(uuid, s);
    m_latest = uuid;
    return uuid;
}

QString WxFlow::latestSession()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_latest;
}

WxFlow::Session *WxFlow::liveSession(const QString &uuid)
{
    const auto it = m_sessions.find(uuid);
    if (it == m_sessions.end())
        return nullptr;
    if (it->status != Confirmed && m_now() - it->created >= m_lifetimeSecs)
        it->status = Expired;
    return &*it;
}

WxFlow::PollResult WxFlow::poll(const QString &uuid, const QString &last, int holdMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdMs);
    for (;;) {
        const Session *s = liveSession(uuid);
        if (!s)
            return {Expired, QString()};
        const bool news = s->status != Waiting && QString::number(s->status) != last;
        if (news || s->status == Expired || s->status == Confirmed)
            return {s->status, s->code};
        if (m_shutdown)
            return {Waiting, QString()};
        // Wake no later than the code's expiry, so an expired code is reported on time.
        const qint64 leftSecs = std::max<qint64>(1, s->created + m_lifetimeSecs - m_now());
        const auto expiry = std::chrono::steady_clock::now() + std::chrono::seconds(leftSecs);
        ++m_held;
        const std::cv_status woke = m_changed.wait_until(lock, std::min(deadline, expiry));
        --m_held;
        if (woke == std::cv_status::timeout && std::chrono::steady_clock::now() >= deadline)
            return {Waiting, QString()};
    }
}

int WxFlow::heldPolls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_held;
}

bool WxFlow::setStatus(const QString &uuid, int status)
{
    Session *s = liveSession(uuid);
    if (!s || s->status == Expired || s->status == Confirmed)
        return false;
    s->status = status;
    m_changed.notify_all();
    return true;
}

bool WxFlow::scan(const QString &uuid)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return setStatus(uuid, Scanned);
}

bool WxFlow::cancel(const QString &uuid)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return setStatus(uuid, Cancelled);
}

bool WxFlow::expire(const QString &uuid)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return setStatus(uuid, Expired);
}

bool WxFlow::confirm(const QString &uuid, qint64 accountId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Session *s = liveSession(uuid);
    if (!s || s->status == Expired || s->status == Confirmed)
        return false;
    const QString code = randomHex(16);
    m_grants.insert(code, Grant{accountId, s->state, m_now() + kCodeLifetimeSecs});
    s->code = code;
    return setStatus(uuid, Confirmed);
}

bool WxFlow::redeem(const QString &code, const QString &state, qint64 *accountId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_grants.find(code);
    if (it == m_grants.end())
        return false;
    const Grant grant = *it;
    m_grants.erase(it); // one use only, matching or not
    if (grant.state != state || m_now() > grant.expires)
        return false;
    *accountId = grant.accountId;
    return true;
}

void WxFlow::shutdown()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shutdown = true;
    m_changed.notify_all();
}
