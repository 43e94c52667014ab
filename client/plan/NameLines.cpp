#include "client/plan/NameLines.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

QStringList splitNameLines(const QString &text)
{
    // Unicode blanks too: an ideographic space around a name is as blank as any other.
    static const QRegularExpression lineBreak(QStringLiteral("\\s*\\n+\\s*"),
                                              QRegularExpression::UseUnicodePropertiesOption);
    return text.split(lineBreak, Qt::SkipEmptyParts);
}

QStringList namesToAdd(const QString &text)
{
    QStringList names = splitNameLines(text);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString &name) { return name.trimmed().isEmpty(); }),
                names.end());
    return names;
}

QStringList cleanDomainList(const QString &text)
{
    QStringList cleaned;
    QSet<QString> seen;
    const QStringList parts = splitNameLines(text);
    for (const QString &part : parts) {
        const QString name = part.trimmed();
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        cleaned.append(name);
    }
    return cleaned;
}
