#pragma once

class QMessageBox;
class QString;

// The apology box after a crash: critical icon, fixed title, the rich text with the code and a
// single OK button. The caller owns it.
QMessageBox *createCrashBox(const QString &code);

// The whole crash-report mode (see CrashReport.h): compresses the dump, then shows the box and
// waits for it when someone can answer it. Returns the process's exit code.
int runCrashReport(int &argc, char **argv);
