#include "client/PackageLines.h"

#include <QSet>

QString lineTypeFor(const Record *record, const Domain *domain, bool allLines)
{
    if (record && record->domain)
        return record->domain->viewType;
    if (domain)
        return domain->viewType;
    return allLines ? QStringLiteral("1,2,3,4,5") : QStringLiteral("1");
}

QList<View> packageLineTree(const QList<View> &allViews, const QList<View> &packageLines)
{
    if (allViews.isEmpty()) {
        if (packageLines.isEmpty())
            return {View{QStringLiteral("默认"), 0, 1, {}}};
        return packageLines;
    }
    QSet<int> included;
    for (const View &line : packageLines)
        included.insert(line.viewID);

    QList<View> tree;
    for (const View &top : allViews) {
        if (!included.contains(top.viewID)) {
            tree.append(View{top.viewName, kLineNotInPackage, top.areaType, {}});
            continue;
        }
        View entry{top.viewName, top.viewID, top.areaType, {}};
        for (const View &sub : top.subViews) {
            if (included.contains(sub.viewID))
                entry.subViews.append(sub);
        }
        tree.append(entry);
    }
    return tree;
}
