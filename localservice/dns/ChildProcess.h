#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// A program the stand-in runs (knotd, knotc). The child is killed when the thread that started
// it ends, so a dying service or test process leaves no name server behind; it shares none of
// the service's open files, and its output goes to a log file.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // False with the reason in errorText when the program cannot be started.
    bool start(const QString &program, const QStringList &arguments, const QString &logFile,
               QString *errorText);
    bool isRunning();
    pid_t pid() const { return m_pid; }
    // Waits up to timeoutMs for the program to end; its exit code, or -1 when it is still
    // running or was ended by a signal.
    int wait(int timeoutMs);
    // Sends a signal (SIGSTOP and SIGCONT pause and resume it).
    void signal(int sig);
    // Ends the program: SIGTERM, then SIGKILL when it has not ended after graceMs.
    void terminate(int graceMs = 5000);

private:
    void reap(int status);

    pid_t m_pid = -1;
    int m_pidFd = -1;
    int m_exitCode = -1;
};

// Runs program to its end (at most timeoutMs) and gives its exit code, -1 when it did not end
// in time (it is killed then) or could not start.
int runProgram(const QString &program, const QStringList &arguments, const QString &logFile,
               int timeoutMs);

// Where a program of the system lives: PATH, then the system folders a user's PATH may lack.
QString findProgram(const QString &name);
