#pragma once

#include "client/Types.h"

#include <QMetaType>
#include <QSharedPointer>

// A group as the group list's own shared handle, for widgets that act on it later.
struct GroupRef
{
    QSharedPointer<Group> group;
};
Q_DECLARE_METATYPE(GroupRef)
