#include "client/DomainFilter.h"

bool domainMatchesFilter(const Domain &dm, int groupId, const QString &search)
{
    if (groupId != 0 && dm.groupID != groupId)
        return false;
    return search.isEmpty() || dm.name.contains(search, Qt::CaseSensitive);
}
