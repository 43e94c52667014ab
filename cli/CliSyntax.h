#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// One command of halvik-cli, described by its usage line: command words, then operands in
// upper case ("[X]" optional, "X..." one or more), then options ("--name PLACEHOLDER", in
// brackets when optional; "[--name]" alone is a switch without a value). Placeholders named ID, N
// or ORDER, or ending in "_ID", take integers.
struct CommandSpec
{
    QString usage;
    QString summary;
    bool needsSignIn = true;
};

// Every command, in the order the help lists them.
const QList<CommandSpec> &commandSpecs();

// A command line taken apart and checked against its command's usage line.
struct CliInvocation
{
    QString command;                // the command words, such as "record add"
    QStringList operands;           // what follows the words
    QMap<QString, QString> options; // command options given, by name without "--"; a switch
                                    // maps to an empty value
    bool json = false;
    bool help = false;
    bool version = false;
    bool emailGiven = false;
    QString email;
    QStringList serviceArgs; // "--service-url" / "--ca-file" with their values, as given
};

// Parses args (the program name left out). Bad usage gives false with the reason in error.
bool parseCli(const QStringList &args, CliInvocation &invocation, QString &error);

// The help text: global options and every usage line.
QString usageText();

// The usage line of a command, for error messages.
QString usageOf(const QString &command);

// Whether the command talks to the service on behalf of the account.
bool commandNeedsSignIn(const QString &command);
