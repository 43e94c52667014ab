#include "manage/shell/MenuHoverStyle.h"

#include <QStringList>

namespace {
const QString kMarker = QStringLiteral("/*oqsscolor*/");

QString withoutMarkedRules(const QString &sheet)
{
    QStringList kept;
    const QStringList lines = sheet.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (!line.isEmpty() && !line.contains(kMarker))
            kept.append(line);
    }
    return kept.join(QLatin1Char('\n'));
}
} // namespace

QString menuHoverStyle(const QString &sheet)
{
    // Hover moves arrive continuously: replacing the rule instead of appending keeps the sheet
    // from growing while the mouse rests on the entry.
    return withoutMarkedRules(sheet) + QStringLiteral("\nQPushButton{color:#1eb6f6;}") + kMarker +
           QLatin1Char('\n');
}

QString menuRestStyle(const QString &sheet)
{
    return withoutMarkedRules(sheet) + QStringLiteral("\nQPushButton{color:#323232;}") + kMarker +
           QLatin1Char('\n');
}
