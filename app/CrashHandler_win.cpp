// Windows only; the build lists this file for Windows, and the guard keeps it so.
#include <QtGlobal>

#ifdef Q_OS_WIN

#include "app/CrashHandler.h"

#include "app/CrashReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTime>
#include <QWidget>

#include <windows.h>

#include <dbghelp.h>

namespace {

bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

LONG WINAPI crashFilter(EXCEPTION_POINTERS *exception)
{
    const QString code = QString::number(quint32(exception->ExceptionRecord->ExceptionCode), 16);
    // Widgets may only be touched from the GUI thread; elsewhere the dump is still written.
    if (onGuiThread()) {
        QMessageBox::critical(nullptr, crashBoxTitle(), crashBoxText(code));
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows)
            window->hide();
    }

    const QString name =
        QTime::currentTime().toString(QStringLiteral("HHmmss.zzz")) + QStringLiteral(".qcp");
    const HANDLE file = CreateFileA(name.toLocal8Bit().constData(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return EXCEPTION_EXECUTE_HANDLER;
    MINIDUMP_EXCEPTION_INFORMATION info;
    info.ThreadId = GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    const BOOL written =
        MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file,
                          MINIDUMP_TYPE(MiniDumpWithFullMemory), &info, nullptr, nullptr);
    CloseHandle(file);
    if (written)
        compressDumpFile(name, nullptr);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void installCrashHandler()
{
    SetUnhandledExceptionFilter(crashFilter);
}

#endif // Q_OS_WIN
