#include "localservice/server/Faults.h"

namespace {

struct KindName
{
    FaultKind kind;
    const char *name;
};

const KindName kKindNames[] = {
    {FaultKind::DelayOnly, "delay"},
    {FaultKind::Drip, "drip"},
    {FaultKind::ErrorPage403, "html403"},
    {FaultKind::MalformedJson, "badjson"},
    {FaultKind::MissingCode, "nocode"},
    {FaultKind::Http500, "http500"},
    {FaultKind::Drop, "drop"},
    {FaultKind::EmptyBody, "empty"},
    {FaultKind::HugeBody, "huge"},
    {FaultKind::DeepNesting, "deep"},
    {FaultKind::CutReply, "cut"},
    {FaultKind::Hang, "hang"},
    {FaultKind::Custom, "custom"},
};

bool readNumber(const ApiParams &params, const char *key, qint64 min, qint64 max, qint64 *out,
                QString *errorText)
{
    if (!params.contains(key))
        return true;
    bool ok = false;
    const qint64 v = params.value(key).toLongLong(&ok);
    if (!ok || v < min || v > max) {
        *errorText = QStringLiteral("bad %1").arg(QString::fromLatin1(key));
        return false;
    }
    *out = v;
    return true;
}

} // namespace

QString faultKindName(FaultKind kind)
{
    for (const KindName &k : kKindNames) {
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    }
    return QString();
}

bool faultKindFromName(const QString &name, FaultKind *kind)
{
    for (const KindName &k : kKindNames) {
        if (name == QLatin1String(k.name)) {
            *kind = k.kind;
            return true;
        }
    }
    return false;
}

bool faultFromParams(const ApiParams &params, QString *path, Fault *fault, QString *errorText)
{
    *path = params.value("path");
    if (path->isEmpty()) {
        *errorText = QStringLiteral("missing path");
        return false;
    }
    Fault f;
    if (params.contains("kind") && !faultKindFromName(params.value("kind"), &f.kind)) {
        *errorText = QStringLiteral("unknown kind");
        return false;
    }
    qint64 delay = f.delayMs, interval = f.intervalMs, duration = f.durationMs;
    qint64 depth = f.depth, status = f.status, skip = f.skip, times = f.times;
    constexpr qint64 kHour = 3600 * 1000;
    if (!readNumber(params, "delayMs", 0, kHour, &delay, errorText) ||
        !readNumber(params, "intervalMs", 1, kHour, &interval, errorText) ||
        !readNumber(params, "durationMs", 0, kHour, &duration, errorText) ||
        !readNumber(params, "size", 64, qint64(1) << 32, &f.size, errorText) ||
        !readNumber(params, "depth", 1, 10000000, &depth, errorText) ||
        !readNumber(params, "status", 100, 599, &status, errorText) ||
        !readNumber(params, "skip", 0, 1000000, &skip, errorText) ||
        !readNumber(params, "times", -1, 1000000, &times, errorText))
        return false;
    f.delayMs = int(delay);
    f.intervalMs = int(interval);
    f.durationMs = int(duration);
    f.depth = int(depth);
    f.status = int(status);
    f.skip = int(skip);
    f.times = int(times);
    if (params.contains("contentType"))
        f.contentType = params.value("contentType").toUtf8();
    f.body = params.value("body").toUtf8();
    f.location = params.value("location").toUtf8();
    *fault = f;
    return true;
}

void FaultTable::set(const QString &path, const Fault &fault)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_faults.insert(path, fault);
        m_struck.remove(path);
        // Under the lock: a strike reads the generation with its fault.
        ++m_generation;
    }
    changed();
}

void FaultTable::clear(const QString &path)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (path.isEmpty()) {
            m_faults.clear();
            m_struck.clear();
        } else {
            m_faults.remove(path);
            m_struck.remove(path);
        }
        ++m_generation;
    }
    changed();
}

bool FaultTable::take(const QString &path, Fault *out, quint64 *generation)
{
    std::function<void()> notify;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_faults.find(path);
        if (it == m_faults.end())
            it = m_faults.find(QStringLiteral("*"));
        if (it == m_faults.end())
            return false;
        if (it->skip > 0) {
            --it->skip;
            return false;
        }
        if (it->times == 0)
            return false;
        if (it->times > 0)
            --it->times;
        ++m_struck[it.key()];
        *out = *it;
        *generation = m_generation.load();
        notify = m_onStrike;
    }
    if (notify)
        notify();
    return true;
}

int FaultTable::struck(const QString &path)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_struck.value(path);
}

void FaultTable::setOnChange(std::function<void()> onChange)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onChange = std::move(onChange);
}

void FaultTable::setOnStrike(std::function<void()> onStrike)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_onStrike = std::move(onStrike);
}

void FaultTable::changed()
{
    std::function<void()> notify;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        notify = m_onChange;
    }
    if (notify)
        notify();
}
