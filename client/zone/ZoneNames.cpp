#include "client/zone/ZoneNames.h"

#include <QStringList>
#include <QUrl>

QString asciiName(const QString &name)
{
    QString trimmed = name.trimmed();
    if (trimmed.endsWith(QLatin1Char('.')))
        trimmed.chop(1);
    QStringList labels = trimmed.split(QLatin1Char('.'));
    for (QString &label : labels) {
        bool ascii = true;
        for (const QChar c : label)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii)
            continue;
        label = QString::fromLatin1(QUrl::toAce(label));
        if (label.isEmpty())
            return QString();
    }
    return labels.join(QLatin1Char('.'));
}

QString comparableName(const QString &name)
{
    return asciiName(name).toLower();
}

bool sameName(const QString &a, const QString &b)
{
    const QString x = comparableName(a);
    return !x.isEmpty() && x == comparableName(b);
}
