#include "app/CrashDumpWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

namespace crashdump {

namespace {

constexpr size_t stackBytes = 16 * 1024;
constexpr size_t bytesPerLine = 16;
constexpr uintptr_t maxSkippedBytes = 1024 * 1024;

long sysWrite(int fd, const void *data, size_t size)
{
    return syscall(SYS_write, fd, data, size);
}

long sysRead(int fd, void *data, size_t size)
{
    return syscall(SYS_read, fd, data, size);
}

bool writeText(int fd, const Text &text)
{
    return writeAll(fd, text.data(), text.size());
}

void writeLine(int fd, const char *line)
{
    Text text;
    writeText(fd, text.add(line).add("\n"));
}

struct Register
{
    const char *name;
    uint64_t value;
};

// The registers of the interrupted context, in the processor's own order.
size_t registersOf(const void *context, Register *out, size_t capacity)
{
    size_t count = 0;
    const auto *uc = static_cast<const ucontext_t *>(context);
#if defined(__x86_64__)
    static const char *const names[] = {"r8",  "r9",  "r10",    "r11",     "r12", "r13",
                                        "r14", "r15", "rdi",    "rsi",     "rbp", "rbx",
                                        "rdx", "rax", "rcx",    "rsp",     "rip", "eflags",
                                        "cs",  "err", "trapno", "oldmask", "cr2"};
    for (size_t i = 0; i < sizeof names / sizeof *names && i < NGREG && count < capacity; ++i)
        out[count++] = {names[i], uint64_t(uc->uc_mcontext.gregs[i])};
#elif defined(__aarch64__)
    static const char *const names[] = {"x0",  "x1",  "x2",  "x3",  "x4",  "x5",  "x6",  "x7",
                                        "x8",  "x9",  "x10", "x11", "x12", "x13", "x14", "x15",
                                        "x16", "x17", "x18", "x19", "x20", "x21", "x22", "x23",
                                        "x24", "x25", "x26", "x27", "x28", "x29", "x30"};
    for (size_t i = 0; i < 31 && count < capacity; ++i)
        out[count++] = {names[i], uint64_t(uc->uc_mcontext.regs[i])};
    if (count + 3 <= capacity) {
        out[count++] = {"sp", uint64_t(uc->uc_mcontext.sp)};
        out[count++] = {"pc", uint64_t(uc->uc_mcontext.pc)};
        out[count++] = {"pstate", uint64_t(uc->uc_mcontext.pstate)};
    }
#else
    (void)uc;
    (void)out;
    (void)capacity;
#endif
    return count;
}

uintptr_t stackPointerOf(const void *context)
{
    const auto *uc = static_cast<const ucontext_t *>(context);
#if defined(__x86_64__)
    return uintptr_t(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return uintptr_t(uc->uc_mcontext.sp);
#else
    (void)uc;
    return 0;
#endif
}

// Copies memory that may not be readable: the kernel reads it for a pipe write and answers
// EFAULT instead of faulting. Returns how many bytes were copied.
size_t copyReadable(const int pipeFds[2], const void *from, void *to, size_t size)
{
    const long put = sysWrite(pipeFds[1], from, size);
    if (put <= 0)
        return 0;
    size_t got = 0;
    while (got < size_t(put)) {
        const long n = sysRead(pipeFds[0], static_cast<char *>(to) + got, size_t(put) - got);
        if (n <= 0)
            return got;
        got += size_t(n);
    }
    return got;
}

void writeHeader(int fd, int sig, const siginfo_t *info, int64_t utcMs)
{
    writeLine(fd, "halvik crash dump 1");
    Text text;
    writeText(fd, text.add("signal ").addDec(sig).add(" ").add(signalName(sig)).add("\n"));
    text.clear();
    writeText(fd, text.add("code ").addDec(info ? info->si_code : 0).add("\n"));
    text.clear();
    const auto address = info ? uintptr_t(info->si_addr) : 0;
    writeText(fd, text.add("address 0x").addHex(address, 16).add("\n"));
    text.clear();
    writeText(fd, text.add("pid ").addDec(syscall(SYS_getpid)).add("\n"));
    text.clear();
    writeText(fd, text.add("tid ").addDec(syscall(SYS_gettid)).add("\n"));
    text.clear();
    text.add("utc ").addDec(utcMs / 1000).add(".");
    writeText(
        fd, text.addDec(utcMs % 1000 / 100).addDec(utcMs % 100 / 10).addDec(utcMs % 10).add("\n"));
}

void writeRegisters(int fd, const void *context)
{
    writeLine(fd, "registers");
    Register registers[40];
    const size_t count = context ? registersOf(context, registers, 40) : 0;
    for (size_t i = 0; i < count; ++i) {
        Text text;
        text.add(registers[i].name).add(" 0x").addHex(registers[i].value, 16).add("\n");
        writeText(fd, text);
    }
}

// The first readable line at or above sp. After a stack overflow the stack pointer already lies
// in the guard area below the stack, so whole unreadable pages are stepped over.
uintptr_t firstReadable(const int pipeFds[2], uintptr_t sp)
{
    const auto page = uintptr_t(sysconf(_SC_PAGESIZE));
    unsigned char probe;
    for (uintptr_t at = sp; at - sp < maxSkippedBytes && at >= sp; at = (at / page + 1) * page) {
        if (copyReadable(pipeFds, reinterpret_cast<const void *>(at), &probe, 1) == 1)
            return at;
    }
    return 0;
}

void writeStack(int fd, const void *context)
{
    const uintptr_t sp = context ? stackPointerOf(context) & ~uintptr_t(bytesPerLine - 1) : 0;
    Text text;
    writeText(fd, text.add("stack 0x").addHex(sp, 16).add("\n"));
    int pipeFds[2];
    if (sp == 0 || syscall(SYS_pipe2, pipeFds, O_CLOEXEC) != 0)
        return;
    const uintptr_t start = firstReadable(pipeFds, sp);
    unsigned char bytes[bytesPerLine];
    for (size_t offset = 0; start != 0 && offset < stackBytes; offset += bytesPerLine) {
        const uintptr_t at = start + offset;
        if (at < start) // wrapped around the address space
            break;
        const size_t got =
            copyReadable(pipeFds, reinterpret_cast<const void *>(at), bytes, bytesPerLine);
        if (got == 0)
            break;
        text.clear();
        text.addHex(at, 16).add(" ");
        for (size_t i = 0; i < got; ++i)
            text.add(" ").addHex(bytes[i], 2);
        writeText(fd, text.add("\n"));
        if (got < bytesPerLine)
            break;
    }
    syscall(SYS_close, pipeFds[0]);
    syscall(SYS_close, pipeFds[1]);
}

void writeMaps(int fd)
{
    writeLine(fd, "maps");
    const long maps = syscall(SYS_openat, AT_FDCWD, "/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    char buffer[4096];
    for (;;) {
        const long n = sysRead(int(maps), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !writeAll(fd, buffer, size_t(n)))
            break;
    }
    syscall(SYS_close, maps);
}

} // namespace

Text &Text::addChar(char c)
{
    if (m_size + 1 < sizeof m_data) {
        m_data[m_size++] = c;
        m_data[m_size] = '\0';
    }
    return *this;
}

Text &Text::add(const char *text)
{
    while (text && *text)
        addChar(*text++);
    return *this;
}

Text &Text::addDec(int64_t value)
{
    if (value < 0)
        addChar('-');
    // Work on the negative side so that the smallest value needs no special case.
    int64_t rest = value < 0 ? value : -value;
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' - rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (n > 0)
        addChar(digits[--n]);
    return *this;
}

Text &Text::addHex(uint64_t value, int minDigits)
{
    char digits[16];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value & 0xf];
        value >>= 4;
    } while (value != 0);
    for (int pad = n; pad < minDigits; ++pad)
        addChar('0');
    while (n > 0)
        addChar(digits[--n]);
    return *this;
}

void Text::clear()
{
    m_size = 0;
    m_data[0] = '\0';
}

bool writeAll(int fd, const void *data, size_t size)
{
    const char *p = static_cast<const char *>(data);
    while (size > 0) {
        const long n = sysWrite(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

int openForWriting(const char *path)
{
    // The dump holds stack contents, so only the user may read it.
    return int(syscall(SYS_openat, AT_FDCWD, path,
                       O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
}

void closeFile(int fd)
{
    syscall(SYS_close, fd);
}

const char *signalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "?";
    }
}

void formatCrashCode(int sig, int code, Text &out)
{
    out.addHex(uint64_t(sig)).add("/");
    if (code < 0)
        out.add("-");
    out.addHex(code < 0 ? uint64_t(-int64_t(code)) : uint64_t(code));
}

void writeDump(int fd, int sig, const siginfo_t *info, const void *ucontext, int64_t utcMs)
{
    writeHeader(fd, sig, info, utcMs);
    writeRegisters(fd, ucontext);
    writeStack(fd, ucontext);
    writeMaps(fd);
    writeLine(fd, "end");
}

} // namespace crashdump
