// Windows only; the build lists this file for Windows, and the guard keeps it so.
#include <QtGlobal>

#ifdef Q_OS_WIN

#include "client/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {

QString runKey()
{
    return QStringLiteral("HKEY_CURRENT_USER\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN");
}

} // namespace

bool autostartEnabled()
{
    const QSettings run(runKey(), QSettings::NativeFormat);
    return run.contains(QCoreApplication::applicationName());
}

bool setAutostart(bool on, QString *errorText)
{
    QSettings run(runKey(), QSettings::NativeFormat);
    const QString name = QCoreApplication::applicationName();
    if (on)
        run.setValue(name, QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    else
        run.remove(name);
    run.sync();
    if (run.status() == QSettings::NoError)
        return true;
    if (errorText)
        *errorText = on ? QStringLiteral("无法写入自启动项") : QStringLiteral("无法删除自启动项");
    return false;
}

#endif // Q_OS_WIN
