#include "app/CrashReport.h"

#include <QFile>
#include <QProcessEnvironment>

#include <cstring>

namespace {

const char reportOption[] = "--crash-report=";

} // namespace

bool findCrashReportRequest(int argc, char **argv, CrashReportRequest *request)
{
    const size_t optionLength = sizeof reportOption - 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], reportOption, optionLength) != 0)
            continue;
        if (request) {
            const QString value = QString::fromLocal8Bit(argv[i] + optionLength);
            const int colon = value.lastIndexOf(QLatin1Char(':'));
            request->dumpPath = colon < 0 ? value : value.left(colon);
            request->code = colon < 0 ? QString() : value.mid(colon + 1);
        }
        return true;
    }
    return false;
}

bool compressDumpFile(const QString &path, QString *errorText)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    const QByteArray compressed = qCompress(file.readAll());
    if (!file.resize(0) || !file.seek(0) || file.write(compressed) != compressed.size() ||
        !file.flush()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}

bool crashBoxWanted(const QProcessEnvironment &env)
{
    const QString noBox = env.value(QStringLiteral("HALVIK_CRASH_NO_BOX"));
    if (!noBox.isEmpty() && noBox != QLatin1String("0"))
        return false;
    const QString platform = env.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (platform.startsWith(QLatin1String("offscreen")) ||
        platform.startsWith(QLatin1String("minimal")))
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (platform.isEmpty() && env.value(QStringLiteral("DISPLAY")).isEmpty() &&
        env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return false;
#endif
    return true;
}

QString crashBoxTitle()
{
    return QStringLiteral("程序崩溃 ：（");
}

QString crashBoxText(const QString &code)
{
    return QStringLiteral("<FONT size=4><div><b>对于发生的错误，表示诚挚的歉意</b><br/></div>") +
           QStringLiteral("<div>错误代码：%1</div><div></div></FONT>").arg(code);
}
