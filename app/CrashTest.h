#pragma once

// The hidden option "--crash-test[=segv|stack|abort|fpe]" makes the program fail on purpose so
// that crash reporting can be tried: a write through a null pointer (the default), unbounded
// recursion, abort() or an integer division by zero. Returns when the option is absent, or
// after a note on stderr when the kind is unknown.
void runCrashTestIfAsked(int argc, char **argv);
