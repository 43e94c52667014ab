#include "cli/OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool writeOutputFile(const QString &path, const QByteArray &bytes, QString &error)
{
    const QFileInfo target(path); // a symbolic link counts as what it points at
    if (target.isDir()) {
        error = QStringLiteral("%1 is a folder").arg(path);
        return false;
    }
    if (!target.exists() || target.isFile()) {
        // Written whole or not at all: a half-written zone file loads as a smaller zone.
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
            return true;
        error = file.errorString();
        return false;
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(bytes) == bytes.size())
        return true;
    error = file.errorString();
    return false;
}
