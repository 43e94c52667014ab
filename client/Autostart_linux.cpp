#include "client/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString configHome()
{
    // Relative values are invalid by the base-directory rules and ignored like an empty one.
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString quoteExecArgument(const QString &argument)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

QString escapeStringValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else if (c == QLatin1Char('%'))
            escaped += QStringLiteral("%%");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

QString autostartEntryPath()
{
    return configHome() + QStringLiteral("/autostart/halvik.desktop");
}

QString desktopExecArgument(const QString &argument)
{
    return escapeStringValue(quoteExecArgument(argument));
}

QByteArray autostartEntryText(const QString &executablePath)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=halvik\n"
                                        "Exec=") +
                         desktopExecArgument(executablePath) + QStringLiteral("\nTerminal=false\n");
    return text.toUtf8();
}

bool autostartEnabled()
{
    return QFileInfo::exists(autostartEntryPath());
}

bool setAutostart(bool on, QString *errorText)
{
    const QString path = autostartEntryPath();
    if (!on) {
        QFile entry(path);
        if (!entry.exists() || entry.remove())
            return true;
        if (errorText)
            *errorText = QStringLiteral("无法删除自启动项 %1：%2").arg(path, entry.errorString());
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (errorText)
            *errorText = QStringLiteral("无法创建目录 %1").arg(QFileInfo(path).absolutePath());
        return false;
    }
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly) ||
        entry.write(autostartEntryText(QCoreApplication::applicationFilePath())) < 0 ||
        !entry.commit()) {
        if (errorText)
            *errorText = QStringLiteral("无法写入自启动项 %1：%2").arg(path, entry.errorString());
        return false;
    }
    return true;
}
