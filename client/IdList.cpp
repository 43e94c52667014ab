#include "client/IdList.h"

#include <QStringList>

QList<IdPiece> positiveIds(const QString &text)
{
    QList<IdPiece> ids;
    const QStringList pieces = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        bool ok = false;
        const int id = piece.toInt(&ok);
        if (ok && id > 0)
            ids.append({piece, id});
    }
    return ids;
}
