#pragma once

#include <QProcessEnvironment>
#include <QStringList>

// halvik-cli from its arguments (program name left out) to its exit code.
int runCli(const QStringList &args, const QProcessEnvironment &environment);
