#pragma once

#include "client/Types.h"

#include <QString>

// Whether the domain list shows dm: group 0 means every group; a non-empty search text must
// occur in the name with the same letter case.
bool domainMatchesFilter(const Domain &dm, int groupId, const QString &search);
