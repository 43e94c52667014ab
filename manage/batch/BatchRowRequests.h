#pragma once

#include "client/plan/BatchPlanner.h"
#include "manage/batch/BatchRowTable.h"

#include <QList>

// What a tab's row asks for, as the planner takes it; rows without a host ask nothing and
// are left out, as the job leaves them out.
QList<BatchRequest> batchRequests(BatchKind kind, const QList<BatchRowValues> &rows);
