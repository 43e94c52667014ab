#include "localservice/dns/ChildProcess.h"

#include <QStandardPaths>

#include <vector>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Everything above the standard streams, without iterating when the kernel can do it at once.
void closeInheritedFiles()
{
#ifdef SYS_close_range
    if (syscall(SYS_close_range, 3U, ~0U, 0U) == 0)
        return;
#endif
    struct rlimit limit = {};
    const long max = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                         ? long(limit.rlim_cur)
                         : 65536;
    for (long fd = 3; fd < max; ++fd)
        close(int(fd));
}

} // namespace

ChildProcess::~ChildProcess()
{
    terminate();
}

bool ChildProcess::start(const QString &program, const QStringList &arguments,
                         const QString &logFile, QString *errorText)
{
    // Everything the child needs is prepared before fork: after it only async-signal-safe calls.
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString &a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int log =
        open(logFile.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (log < 0 || devNull < 0) {
        if (log >= 0)
            close(log);
        if (devNull >= 0)
            close(devNull);
        *errorText = QStringLiteral("Cannot open the log file %1").arg(logFile);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        // The service blocks its stop signals in every thread; the child must not inherit that.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(devNull, 0);
        dup2(log, 1);
        dup2(log, 2);
        closeInheritedFiles();
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(log);
    close(devNull);
    if (pid < 0) {
        *errorText = QStringLiteral("Cannot start %1").arg(program);
        return false;
    }
    m_pid = pid;
    m_exitCode = -1;
    m_pidFd = int(syscall(SYS_pidfd_open, pid, 0));
    return true;
}

void ChildProcess::reap(int status)
{
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_pid = -1;
    if (m_pidFd >= 0)
        close(m_pidFd);
    m_pidFd = -1;
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
        reap(status);
        return false;
    }
    return true;
}

int ChildProcess::wait(int timeoutMs)
{
    if (m_pid <= 0)
        return m_exitCode;
    int status = 0;
    if (m_pidFd >= 0) {
        pollfd p = {m_pidFd, POLLIN, 0};
        while (poll(&p, 1, timeoutMs) < 0 && errno == EINTR) {
        }
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
            reap(status);
        return m_pid > 0 ? -1 : m_exitCode;
    }
    // Kernels without process file descriptors: look again every few milliseconds.
    for (int waited = 0;; waited += 10) {
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            reap(status);
            return m_exitCode;
        }
        if (waited >= timeoutMs)
            return -1;
        usleep(10000);
    }
}

void ChildProcess::signal(int sig)
{
    if (m_pid > 0)
        kill(m_pid, sig);
}

void ChildProcess::terminate(int graceMs)
{
    if (!isRunning())
        return;
    kill(m_pid, SIGCONT);
    kill(m_pid, SIGTERM);
    wait(graceMs);
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
        reap(status);
    }
}

int runProgram(const QString &program, const QStringList &arguments, const QString &logFile,
               int timeoutMs)
{
    ChildProcess child;
    QString error;
    if (!child.start(program, arguments, logFile, &error))
        return -1;
    const int code = child.wait(timeoutMs);
    if (child.isRunning()) {
        child.terminate(0);
        return -1;
    }
    return code;
}

QString findProgram(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name,
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                               QStringLiteral("/usr/local/sbin")});
    return path;
}
