#include "app/CrashTest.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char testOption[] = "--crash-test";

// Faulting on purpose must reach the crash handler rather than a sanitizer's report.
#if defined(__GNUC__)
#define HALVIK_UNCHECKED __attribute__((noinline, no_sanitize("address", "undefined")))
#elif defined(_MSC_VER)
#define HALVIK_UNCHECKED __declspec(noinline)
#else
#define HALVIK_UNCHECKED
#endif

HALVIK_UNCHECKED void writeThroughNull()
{
    volatile int *volatile target = nullptr;
    *target = 1;
}

volatile int g_depthLimit = -1; // never reached; keeps the recursion from looking endless

HALVIK_UNCHECKED int recurse(int depth)
{
    volatile char frame[512];
    frame[0] = char(depth);
    if (depth == g_depthLimit)
        return 0;
    // Using the result after the call keeps it from becoming a loop.
    return recurse(depth + 1) + frame[0];
}

HALVIK_UNCHECKED void divideByZero()
{
    volatile int numerator = 1;
    volatile int denominator = 0;
    volatile int quotient = numerator / denominator;
    (void)quotient;
    // Some processors answer 0 instead of trapping.
    std::raise(SIGFPE);
}

} // namespace

void runCrashTestIfAsked(int argc, char **argv)
{
    const size_t optionLength = sizeof testOption - 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, testOption, optionLength) != 0)
            continue;
        const char *kind = arg + optionLength;
        if (*kind == '=')
            ++kind;
        else if (*kind != '\0')
            continue;
        if (*kind == '\0' || std::strcmp(kind, "segv") == 0)
            writeThroughNull();
        else if (std::strcmp(kind, "stack") == 0)
            std::printf("%d\n", recurse(0));
        else if (std::strcmp(kind, "abort") == 0)
            std::abort();
        else if (std::strcmp(kind, "fpe") == 0)
            divideByZero();
        else
            std::fprintf(stderr, "halvik: unknown crash test \"%s\" (segv, stack, abort, fpe)\n",
                         kind);
        return;
    }
}
