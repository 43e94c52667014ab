#include "client/copy/CopyReader.h"

#include "client/ReplyReaders.h"
#include "client/User.h"

#include <QHash>

namespace {

constexpr int kDomainPageSize = 50;

bool quietCall(User &user, const QString &path, const ApiParams &params, QJsonValue &data)
{
    user.errorText.clear();
    if (!user.doAPI(path, params, data, true, nullptr, nullptr, true))
        return false;
    if (!isPageData(data)) {
        user.errorText = QStringLiteral("服务器返回的数据无法识别");
        return false;
    }
    return true;
}

} // namespace

bool readAllDomains(User &user, QList<Domain> &domains, bool &complete)
{
    domains.clear();
    complete = false;
    ApiParams params;
    params.insert("pageSize", QString::number(kDomainPageSize));
    QJsonValue data;
    if (!quietCall(user, user.paths.domainList, params, data))
        return false;
    DomainPage page = readDomainPage(data);
    const int total = page.recordCount;
    // Lines are asked for once per package, and when the line list cannot be had, once in all.
    QHash<QString, QList<View>> linesByType;
    bool linesTried = false;
    for (;;) {
        for (Domain &dm : page.domains) {
            auto lines = linesByType.find(dm.viewType);
            if (lines == linesByType.end()) {
                QList<View> found;
                if (!linesTried || !user.allViews.isEmpty())
                    found = user.getTaoCanView_2(dm.viewType);
                linesTried = true;
                lines = linesByType.insert(dm.viewType, found);
            }
            dm.views = *lines;
            domains.append(std::move(dm));
        }
        // An empty page would be asked for again and again.
        if (domains.size() >= total || page.domains.isEmpty())
            break;
        params.insert("page", QString::number(domains.size() / kDomainPageSize + 1));
        if (!quietCall(user, user.paths.domainList, params, data))
            return true;
        page = readDomainPage(data);
    }
    complete = domains.size() == qMax(total, 0);
    return true;
}
