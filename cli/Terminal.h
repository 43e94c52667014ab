#pragma once

#include <QByteArray>
#include <QString>

// Asks for a password on the controlling terminal with echo off. False when there is no
// terminal to ask on.
bool readPasswordFromTerminal(const QString &prompt, QString &password);

// Whether standard error goes to a terminal (a person watching, not a log).
bool standardErrorIsTerminal();

// Everything on standard input, byte for byte.
QByteArray readStandardInput();

// text with every control character but the line feed and the tab written as \u00XX (C0, DEL
// and C1): values and names from the service or a file reach a terminal that would act on
// them (clear the screen, move the cursor, retitle the window). The form is JSON's own, so
// JSON text keeps its meaning.
QString terminalSafe(const QString &text);

// Writes to standard output and standard error: text as UTF-8 through terminalSafe(), bytes as
// they are.
void printOut(const QString &text);
void printErr(const QString &text);
void writeOutBytes(const QByteArray &bytes);
void writeErrBytes(const QByteArray &bytes);
