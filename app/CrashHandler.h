#pragma once

// Reports a fatal fault of the process: a dump named "HHmmss.zzz.qcp" (local time of the
// crash) in the working directory and an apology box with the fault's code. Afterwards the
// process ends the way it would have without the handler.
//
// Call once from the main thread, as early as possible in main. On Linux the box comes from the
// program itself started again in crash-report mode (see CrashReport.h), so main must dispatch
// that mode before installing the handler.
void installCrashHandler();
