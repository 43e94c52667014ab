#pragma once

#include <QString>

// "halvik-localservice wx scan|confirm|cancel|expire": plays the phone against a running service.
// Returns the process exit code.
int runWxCommand(const QString &action, const QString &uuid, const QString &email,
                 const QString &dataDir, quint16 port, bool useTls);
