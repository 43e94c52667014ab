#pragma once

#include <QJsonValue>
#include <QString>

// The two readers every reply goes through. Both treat a missing or null member as absent.

// A number as is, a decimal string parsed, true/false as 1/0, truncated toward zero; anything
// that cannot be converted, or does not fit in 32 bits, gives def.
int readInt(const QJsonValue &value, int def);

// A string as is, a number in its shortest decimal text, true/false as text, an array or
// object as an empty string.
QString readString(const QJsonValue &value, const QString &def = QString());
