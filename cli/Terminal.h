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

// Writes to standard output and standard error: text as UTF-8, bytes as they are.
void printOut(const QString &text);
void printErr(const QString &text);
void writeOutBytes(const QByteArray &bytes);
