#pragma once

#include <QByteArray>
#include <QFile>

// A figure of this process from /proc/self/status in kB, key with its colon ("VmRSS:" for the
// resident memory, "VmHWM:" for its peak); -1 where there is none (not Linux).
inline qint64 procStatusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
