#pragma once

#include <QString>

class QProcessEnvironment;

// The crash-report mode: the crash handler starts the program again as
// "halvik --crash-report=<dump file>:<code>" to compress the dump and show the apology box
// outside the crashed process. An empty dump file name means that no dump could be written.
struct CrashReportRequest
{
    QString dumpPath;
    QString code;
};

// True when the arguments ask for crash-report mode; fills request when given.
bool findCrashReportRequest(int argc, char **argv, CrashReportRequest *request);

// Replaces the raw dump by its compressed form (4-byte big-endian size, then a zlib stream).
bool compressDumpFile(const QString &path, QString *errorText);

// False where no one could answer a box: without a display, under the offscreen or minimal
// platform, or with HALVIK_CRASH_NO_BOX set (tests and unattended runs).
bool crashBoxWanted(const QProcessEnvironment &env);

QString crashBoxTitle();
QString crashBoxText(const QString &code);
