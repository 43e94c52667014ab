#include "Scramble.h"

QRandomGenerator &scrambleRandom()
{
    static QRandomGenerator generator;
    return generator;
}

QString scrambleText(const QByteArray &input)
{
    return QString::fromLatin1(input.toBase64());
}

QByteArray unscrambleText(const QString &text)
{
    return QByteArray::fromBase64(text.toUtf8());
}
