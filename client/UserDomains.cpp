#include "client/User.h"

#include "client/IdList.h"
#include "client/ReplyReaders.h"

#include <QHash>

#include <utility>

namespace {

constexpr int kDomainPageSize = 50;

ApiParams domainParam(int domainID)
{
    ApiParams params;
    params.insert("domain", QString::number(domainID));
    return params;
}

} // namespace

int User::getDomain()
{
    ApiParams params;
    params.insert("pageSize", QString::number(kDomainPageSize));
    QJsonValue data;
    if (!doAPI(paths.domainList, params, data))
        return 0;
    if (!isPageData(data)) {
        refuseReplyData();
        return 0;
    }

    domains.clear();
    DomainPage page = readDomainPage(data);
    const int total = page.recordCount;
    if (total <= 0) {
        emit domainListRead(page.domains.isEmpty());
        return 0;
    }

    // Domains of one package share their lines; ask the line cache once per package, and
    // when the line list cannot be fetched, once per call rather than once per domain.
    QHash<QString, QList<View>> linesByType;
    bool linesTried = false;
    int n = 0;
    // Once a later page is in, the one after it (if the list goes on) is asked for before this
    // one is parsed: a read only, dropped unread when the list turns out otherwise.
    SentCall ahead;
    int aheadPage = 0;
    for (;;) {
        for (Domain &dm : page.domains) {
            auto lines = linesByType.find(dm.viewType);
            if (lines == linesByType.end()) {
                QList<View> found;
                if (!linesTried || !allViews.isEmpty())
                    found = getTaoCanView_2(dm.viewType);
                linesTried = true;
                lines = linesByType.insert(dm.viewType, found);
            }
            dm.views = *lines;
            domains.append(std::move(dm));
        }
        n += page.domains.size();
        // An empty page would be asked for again and again.
        if (n >= total || page.domains.isEmpty())
            break;
        const int next = n / kDomainPageSize + 1;
        params.insert("page", QString::number(next));
        SentCall call;
        if (aheadPage == next)
            call = std::move(ahead);
        else
            sendCall(paths.domainList, params, true, call);
        ahead = SentCall();
        aheadPage = 0;
        // The page after, as it will be asked for if this one comes back full.
        const auto sendNext = [&] {
            const int read = n + kDomainPageSize;
            if (read >= total)
                return;
            aheadPage = read / kDomainPageSize + 1;
            ApiParams nextParams = params;
            nextParams.insert("page", QString::number(aheadPage));
            sendCall(paths.domainList, nextParams, true, ahead);
        };
        if (!readCall(call, data, nullptr, nullptr, false, sendNext))
            break;
        if (!isPageData(data)) {
            refuseReplyData();
            break;
        }
        page = readDomainPage(data);
    }
    emit domainListRead(domains.size() == total);
    return total;
}

bool User::addDomain(const QString &domain, int serviceID, int months)
{
    bool anyAdded = false;
    const QStringList lines = domain.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString name = line.trimmed();
        if (name.isEmpty())
            continue;
        ApiParams params;
        params.insert("domain", name);
        params.insert("serviceID", QString::number(serviceID));
        params.insert("months", QString::number(months));
        if (doAPI(paths.domainCreate, params))
            anyAdded = true;
    }
    return anyAdded;
}

bool User::lockDomain(int domainID)
{
    return doAPI(paths.domainLock, domainParam(domainID));
}

bool User::unlockDomain(int domainID)
{
    return doAPI(paths.domainUnlock, domainParam(domainID));
}

bool User::pauseDomain(int domainID)
{
    return doAPI(paths.domainPause, domainParam(domainID));
}

bool User::startDomain(int domainID)
{
    return doAPI(paths.domainStart, domainParam(domainID));
}

bool User::delDomain(int domainID)
{
    if (!doAPI(paths.domainRemove, domainParam(domainID)))
        return false;
    emit domainRemoved(domainID);
    return true;
}

bool User::delDomainS(const QString &domainS, QStringList &errlist)
{
    bool anyDeleted = false;
    for (const IdPiece &piece : positiveIds(domainS)) {
        if (delDomain(piece.id))
            anyDeleted = true;
        else
            errlist.append(piece.text);
    }
    return anyDeleted;
}

int User::getGroup()
{
    QJsonValue data;
    // A failed request keeps the groups known so far: the domain list's group column and the
    // move targets would otherwise vanish with a passing network fault.
    if (!doAPI(paths.groupList, {}, data))
        return 0;
    if (!isListData(data)) {
        refuseReplyData();
        return 0;
    }
    groups.clear();
    const QList<Group> read = readGroupList(data);
    for (const Group &g : read)
        groups.append(g);
    return read.size();
}

bool User::addGroup(const QString &name, int order)
{
    ApiParams params;
    params.insert("groupName", name);
    params.insert("displayOrder", QString::number(order));
    return doAPI(paths.groupEdit, params);
}

bool User::editGroup(Group *g, const QString &name, int order)
{
    ApiParams params;
    params.insert("groupID", QString::number(g->groupID));
    params.insert("groupName", name);
    params.insert("displayOrder", QString::number(order));
    return doAPI(paths.groupEdit, params);
}

bool User::delGroup(Group *g)
{
    ApiParams params;
    params.insert("groupID", QString::number(g->groupID));
    return doAPI(paths.groupDelete, params);
}

bool User::editDMGroup(Domain *dm, int gid)
{
    ApiParams params;
    params.insert("domainID", QString::number(dm->id));
    params.insert("groupID", QString::number(gid));
    QJsonValue data;
    // The group move reports each domain in its own result lists.
    return doAPI(paths.domainGroupEdit, params, data, true, nullptr, nullptr, true);
}
