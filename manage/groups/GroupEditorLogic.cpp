#include "manage/groups/GroupEditorLogic.h"

#include <algorithm>

bool groupNameTooLong(const QString &name)
{
    return name.size() > kGroupNameLimit;
}

int nextGroupOrder(const GroupList &groups)
{
    if (groups.isEmpty())
        return 0;
    int largest = groups.first().displayOrder;
    for (const Group &g : groups)
        largest = std::max(largest, g.displayOrder);
    return largest + 1;
}
