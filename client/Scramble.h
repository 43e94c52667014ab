#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

// Two-layer AES scrambling of short texts (the remembered password, sign-in error codes).
// Base64 of AES_K2(K1 || AES_K1(compressed input, zero-padded)), K1 random per call.
QString scrambleText(const QByteArray &input);
// Empty bytes for anything that is not a scrambled text.
QByteArray unscrambleText(const QString &text);

// The pseudo-random generator the inner keys are drawn from; seeded at start-up.
QRandomGenerator &scrambleRandom();
