#pragma once

#include <QString>

// Starting the program with the user's session: a per-user "Run" value on Windows, an XDG
// autostart entry elsewhere.

// True when the entry that starts the program at log-on exists.
bool autostartEnabled();

// Writes (on) or removes (off) the entry for the running executable. False with the reason in
// errorText when the entry could not be changed; removing an absent entry succeeds.
bool setAutostart(bool on, QString *errorText);

#ifndef Q_OS_WIN
// Where the autostart entry lives: $XDG_CONFIG_HOME/autostart/halvik.desktop, with
// XDG_CONFIG_HOME defaulting to ~/.config.
QString autostartEntryPath();

// One Exec argument as it must be written into a desktop file: double-quoted with ", `, $ and
// backslash escaped by a backslash, then escaped again for the file's string values, and every
// % doubled.
QString desktopExecArgument(const QString &argument);

// The whole desktop entry that starts the given executable.
QByteArray autostartEntryText(const QString &executablePath);
#endif
