#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes to the file at path as a shell's ">" would, never leaving a half-written file in
// place: an absent path or a regular file gets a temporary file beside it, renamed over it once
// whole; any other file that exists (a FIFO, a character device such as /dev/null, a socket) is
// opened and written through, never replaced. False with error.
bool writeOutputFile(const QString &path, const QByteArray &bytes, QString &error);
