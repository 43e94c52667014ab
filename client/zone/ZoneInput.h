#pragma once

#include <QByteArray>
#include <QString>

// Larger than any zone the service can hold (999 records a domain); a bigger input is a mistake.
constexpr qint64 kMaxZoneFileBytes = 16 * 1024 * 1024;

// Reads a zone file whole from path ("-" is standard input), counting the bytes as they come:
// a pipe, a FIFO or /dev/stdin has no size to check first, and a read cut at the cap would
// drop the records after it in silence. False with error when the input cannot be read or is
// larger than kMaxZoneFileBytes; nothing of such an input is used.
bool readZoneInput(const QString &path, QByteArray &text, QString &error);
