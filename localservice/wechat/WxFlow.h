#pragma once

#include <QHash>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>

// The WeChat side of a QR-code sign-in, simulated: QR sessions, the phone's scan, confirm and
// cancel, the long poll that reports them, and the one-time authorisation codes they yield.
class WxFlow
{
public:
    // Long-poll state numbers as the platform reports them.
    enum Status
    {
        Waiting = 408,
        Scanned = 404,
        Cancelled = 403,
        Confirmed = 405,
        Expired = 402
    };

    struct PollResult
    {
        int status = Waiting;
        QString code; // the authorisation code with Confirmed
    };

    // lifetimeSecs: how long a QR code can be scanned; now: the clock (seconds), for tests.
    explicit WxFlow(int lifetimeSecs, std::function<qint64()> now = {});

    // A new QR session for the sign-in state value; returns its id.
    QString createSession(const QString &state);
    QString latestSession();

    // Waits up to holdMs for a status other than the one the client last saw ("" or a
    // number). A status the client has not seen yet is answered at once.
    PollResult poll(const QString &uuid, const QString &last, int holdMs);

    // The simulated phone. False when the session is unknown, expired or already confirmed.
    bool scan(const QString &uuid);
    bool cancel(const QString &uuid);
    bool confirm(const QString &uuid, qint64 accountId);
    // Lets the code run out at once, as if it had been left too long.
    bool expire(const QString &uuid);

    // Takes a code once: true with the account it signs in when code and state match.
    bool redeem(const QString &code, const QString &state, qint64 *accountId);

    // Wakes every waiting poll and lets no new one wait.
    void shutdown();
    // How many polls are being held right now: lets a test wait until its poll is held rather
    // than guess how long that takes.
    int heldPolls();

private:
    struct Session
    {
        QString state;
        qint64 created = 0;
        int status = Waiting;
        QString code;
    };
    struct Grant
    {
        qint64 accountId = 0;
        QString state;
        qint64 expires = 0;
    };

    // Marks a session expired once its lifetime is over; the caller holds the lock.
    Session *liveSession(const QString &uuid);
    bool setStatus(const QString &uuid, int status);

    int m_lifetimeSecs;
    std::function<qint64()> m_now;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QHash<QString, Session> m_sessions;
    QHash<QString, Grant> m_grants;
    QString m_latest;
    bool m_shutdown = false;
    int m_held = 0;
};
