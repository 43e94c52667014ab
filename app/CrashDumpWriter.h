#pragma once

// Writing a crash dump from inside a signal handler: every function here uses only
// async-signal-safe calls, fixed buffers and raw system calls (so that no library hook runs).

#include <csignal>
#include <cstddef>
#include <cstdint>

namespace crashdump {

// A line of text assembled in a fixed buffer; what does not fit is dropped.
class Text
{
public:
    Text &add(const char *text);
    Text &addDec(int64_t value);
    Text &addHex(uint64_t value, int minDigits = 1);
    const char *data() const { return m_data; }
    size_t size() const { return m_size; }
    void clear();

private:
    Text &addChar(char c);
    char m_data[256] = {};
    size_t m_size = 0;
};

bool writeAll(int fd, const void *data, size_t size);
int openForWriting(const char *path); // -1 when the file cannot be created
void closeFile(int fd);

// "SIGSEGV" and the like; "?" for other signals.
const char *signalName(int sig);

// The code shown to the user: signal number and signal code in lower-case hex without prefix,
// separated by "/" (a negative code, sent by a process, keeps its sign).
void formatCrashCode(int sig, int code, Text &out);

// Writes the dump: the signal, its code and fault address, the registers, the stack bytes from
// the stack pointer up, and the process's memory map.
void writeDump(int fd, int sig, const siginfo_t *info, const void *ucontext, int64_t utcMs);

} // namespace crashdump
