#pragma once

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

// Two-layer AES scrambling of short texts (the remembered password, sign-in error codes).
QString scrambleText(const QByteArray &input);
QByteArray unscrambleText(const QString &text);

// The pseudo-random generator the inner keys are drawn from; seeded at start-up.
QRandomGenerator &scrambleRandom();
