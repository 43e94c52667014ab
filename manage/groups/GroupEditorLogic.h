#pragma once

#include "client/Types.h"

#include <QString>

// The longest group name the service accepts.
constexpr int kGroupNameLimit = 9;

bool groupNameTooLong(const QString &name);

// The display order offered for a new group: one past the largest, 0 when there is no group.
int nextGroupOrder(const GroupList &groups);
