#include "GroupEditorLogic.h"

#include <algorithm>

bool groupNameTooLong(const QString &name)
{
    return name.size() > kGroupNameLimit;
}

int nextGroupOrder(const GroupList &groups)
{
    int largest = -1;
    for (const Group &g : groups)
        largest = std::max(largest, g.displayOrder);
    return largest + 1;
}
