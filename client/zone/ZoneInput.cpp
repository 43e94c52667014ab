#include "client/zone/ZoneInput.h"

#include <QFile>

bool readZoneInput(const QString &path, QByteArray &text, QString &error)
{
    text.clear();
    error.clear();
    QFile file;
    bool opened = false;
    if (path == QLatin1String("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        error = QStringLiteral("无法读取 %1：%2").arg(path, file.errorString());
        return false;
    }
    // One byte past the cap tells a larger input from one exactly at it. A read of a pipe
    // returns what it holds at the moment, so reads go on until the end of the input.
    constexpr qint64 kChunk = 1024 * 1024;
    for (;;) {
        const QByteArray chunk = file.read(qMin(kMaxZoneFileBytes + 1 - text.size(), kChunk));
        if (chunk.isEmpty()) {
            if (file.error() == QFileDevice::NoError)
                break;
            error = QStringLiteral("无法读取 %1：%2").arg(path, file.errorString());
            text.clear();
            return false;
        }
        text += chunk;
        if (text.size() > kMaxZoneFileBytes) {
            error =
                QStringLiteral("%1 超过 %2 字节，不像区域文件").arg(path).arg(kMaxZoneFileBytes);
            text.clear();
            return false;
        }
    }
    return true;
}
