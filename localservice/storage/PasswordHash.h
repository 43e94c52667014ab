#pragma once

#include <QByteArray>
#include <QString>

// Random bytes from the system's generator, as lower-case hex (2 digits per byte).
QString randomHex(int bytes);
QByteArray randomBytes(int bytes);

// A salted, slow hash of a password (PBKDF2-HMAC-SHA256).
QByteArray hashPassword(const QString &password, const QByteArray &salt);

// Compares in constant time, so that timing tells nothing about how much matched.
bool sameBytes(const QByteArray &a, const QByteArray &b);
