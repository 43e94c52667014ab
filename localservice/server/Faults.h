#pragma once

#include "client/ApiRequest.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

// Ways a reply can go wrong, for tests of how clients cope. Off unless a test sets them.
enum class FaultKind
{
    DelayOnly,     // the normal reply, after delayMs
    Drip,          // the normal reply, preceded by one blank every intervalMs for durationMs
    ErrorPage403,  // an HTML error page titled "错误页面403", status 200
    MalformedJson, // a JSON text that breaks off
    MissingCode,   // an envelope without "code"
    Http500,       // status 500
    Drop,          // the connection closes without a reply
    EmptyBody,     // status 200 and nothing in it
    HugeBody,      // a valid envelope of size bytes
    DeepNesting,   // an envelope whose data nests depth arrays
    CutReply,      // headers promise the whole reply, the connection closes halfway
    Hang,          // accepted, never answered (until the fault is cleared or the service stops)
    Custom         // status, contentType and body as given
};

struct Fault
{
    FaultKind kind = FaultKind::DelayOnly;
    int delayMs = 0;
    int intervalMs = 100;
    int durationMs = 1000;
    qint64 size = 50 * 1024 * 1024;
    int depth = 100000;
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QByteArray location; // Custom: a "Location" header, for redirects
    int skip = 0;        // matching requests that pass untouched before the fault strikes
    int times = -1;      // how many requests it strikes; -1 every one
};

QString faultKindName(FaultKind kind);
bool faultKindFromName(const QString &name, FaultKind *kind);
// A fault described by form parameters ("path", "kind", "delayMs", ...), as the admin path
// receives it. False with the reason in errorText when a value makes no sense.
bool faultFromParams(const ApiParams &params, QString *path, Fault *fault, QString *errorText);

// The faults in force, per request path ("*" for every path). Thread-safe.
class FaultTable
{
public:
    void set(const QString &path, const Fault &fault);
    // Clears one path's fault, or every fault when path is empty.
    void clear(const QString &path = QString());
    // The fault that strikes this request of path, if any; counts it. generation: the
    // generation it struck in, so that a set or clear from then on, even one made as soon as
    // the strike is told, releases it.
    bool take(const QString &path, Fault *out, quint64 *generation);
    // How many requests the fault set for path has struck since it was set: a test waits for
    // a slow reply to be under way instead of guessing when it is.
    int struck(const QString &path);
    // Changes with every set or clear, so that a hung reply can notice it was released.
    quint64 generation() const { return m_generation.load(); }
    // Called after every change (the service wakes its waiting handlers).
    void setOnChange(std::function<void()> onChange);
    // Called on the request's thread each time a fault strikes, once it is counted.
    void setOnStrike(std::function<void()> onStrike);

private:
    void changed();

    std::mutex m_mutex;
    QHash<QString, Fault> m_faults;
    QHash<QString, int> m_struck;
    std::atomic<quint64> m_generation{0};
    std::function<void()> m_onChange;
    std::function<void()> m_onStrike;
};
