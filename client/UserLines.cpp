#include "client/User.h"

#include "client/LineList.h"

QList<View> User::getTaoCanView_2(const QString &viewTypeStr)
{
    const QString viewType = viewTypeStr.isEmpty() ? QStringLiteral("1") : viewTypeStr;
    if (allViews.isEmpty()) {
        QJsonValue data;
        if (!doAPI(paths.allViews, {}, data))
            return {};
        if (!data.isObject()) {
            refuseReplyData();
            return {};
        }
        allViews = readAllViews(data);
        // Nothing to filter yet; an empty result must not be kept for the package.
        if (allViews.isEmpty())
            return {};
    }
    const auto cached = viewsByType.constFind(viewType);
    if (cached != viewsByType.constEnd())
        return *cached;
    const QList<View> lines = filterViewsByType(allViews, viewType);
    viewsByType.insert(viewType, lines);
    return lines;
}

View User::getVID2V(const QList<View> &vlist, int vid) const
{
    return findView(vlist, vid);
}
