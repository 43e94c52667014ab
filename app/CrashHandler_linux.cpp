#include "app/CrashHandler.h"

#include "app/CrashClock.h"
#include "app/CrashDumpWriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>
#include <QTimeZone>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t ownStackBytes = 64 * 1024;
constexpr int clockRefreshMs = 60 * 60 * 1000;

// Two tables so that a refresh never changes the one a crashing thread may be reading.
UtcOffsetTable g_offsets[2];
std::atomic<int> g_currentOffsets{0};

std::atomic<long> g_reportingThread{0};
char g_programPath[PATH_MAX] = "halvik";
sigset_t g_noSignals;

void refreshClock()
{
    const int next = 1 - g_currentOffsets.load();
    g_offsets[next] =
        buildUtcOffsetTable(QTimeZone::systemTimeZone(), QDateTime::currentSecsSinceEpoch());
    g_currentOffsets.store(next);
}

// Keeps the offsets current while the program runs for long, or the zone is changed.
void startClockRefresh()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(clockRefreshMs);
    QObject::connect(timer, &QTimer::timeout, refreshClock);
    QMetaObject::invokeMethod(timer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
}

bool prepareOwnStack()
{
    const long page = sysconf(_SC_PAGESIZE);
    long systemSize = 0;
#ifdef _SC_SIGSTKSZ
    systemSize = sysconf(_SC_SIGSTKSZ);
#endif
    if (systemSize < MINSIGSTKSZ)
        systemSize = MINSIGSTKSZ;
    size_t size = ownStackBytes + size_t(systemSize);
    size = (size + size_t(page) - 1) / size_t(page) * size_t(page);
    // One inaccessible page below, so that an overflow of the handler faults at once.
    void *base = mmap(nullptr, size + size_t(page), PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return false;
    mprotect(base, size_t(page), PROT_NONE);
    stack_t own = {};
    own.ss_sp = static_cast<char *>(base) + page;
    own.ss_size = size;
    return sigaltstack(&own, nullptr) == 0;
}

// Puts back the default action and raises sig again: it stays pending while the handler runs
// and ends the process, with the usual status and core file, as soon as the handler returns.
void endBySignal(int sig)
{
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(sig, &fallback, nullptr);
    raise(sig);
}

pid_t forkForReport()
{
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    return _Fork(); // runs no fork handlers, unlike fork()
#else
    return fork();
#endif
}

// Starts the program again in crash-report mode, which compresses the dump and shows the box,
// and waits for it.
void runReporter(const char *dumpName, const crashdump::Text &code)
{
    crashdump::Text argument;
    argument.add("--crash-report=").add(dumpName).add(":").add(code.data());
    char *argv[] = {g_programPath, const_cast<char *>(argument.data()), nullptr};
    const pid_t child = forkForReport();
    if (child == 0) {
        sigprocmask(SIG_SETMASK, &g_noSignals, nullptr);
        execve("/proc/self/exe", argv, environ);
        execve(g_programPath, argv, environ); // without /proc
        _exit(127);
    }
    if (child < 0)
        return;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

void onFatalSignal(int sig, siginfo_t *info, void *context)
{
    const long self = long(syscall(SYS_gettid));
    long reporting = 0;
    if (!g_reportingThread.compare_exchange_strong(reporting, self)) {
        if (reporting == self) {
            endBySignal(sig); // the report itself failed: give up on it
            return;
        }
        for (;;)
            pause(); // another thread reports and then ends the process
    }

    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t utcMs = int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    const int32_t offset = utcOffsetAt(g_offsets[g_currentOffsets.load()], now.tv_sec);
    char name[dumpNameSize];
    formatDumpName(utcMs + int64_t(offset) * 1000, name);

    const int fd = crashdump::openForWriting(name);
    if (fd >= 0) {
        crashdump::writeDump(fd, sig, info, context, utcMs);
        crashdump::closeFile(fd);
    }
    crashdump::Text code;
    crashdump::formatCrashCode(sig, info ? info->si_code : 0, code);
    runReporter(fd >= 0 ? name : "", code);
    endBySignal(sig);
}

} // namespace

void installCrashHandler()
{
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;

    refreshClock();
    qAddPreRoutine(startClockRefresh);
    const ssize_t length = readlink("/proc/self/exe", g_programPath, sizeof g_programPath - 1);
    if (length > 0)
        g_programPath[length] = '\0';
    sigemptyset(&g_noSignals);
    prepareOwnStack();

    struct sigaction action = {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int sig : fatalSignals)
        sigaddset(&action.sa_mask, sig);
    for (const int sig : fatalSignals)
        sigaction(sig, &action, nullptr);
}
