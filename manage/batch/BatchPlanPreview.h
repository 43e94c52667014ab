#pragma once

#include "client/journal/DomainPreview.h"
#include "client/plan/BatchPlanner.h"
#include "manage/batch/BatchRowTable.h"

#include <QStringList>

class User;

// What a tab's row asks for, as the planner takes it; rows without a host ask nothing and
// are left out, as the job leaves them out.
QList<BatchRequest> batchRequests(BatchKind kind, const QList<BatchRowValues> &rows);

// The plan of a whole batch tab: every row over every domain, each domain's records read once
// per runNext() (the client's own event loop keeps the window live in between). Driven like
// BatchPreview; changes nothing.
class BatchPlanPreview : public DomainPreview
{
public:
    BatchPlanPreview(User &user, const QList<BatchRequest> &requests, const QStringList &domains);
    // The domain list is read afresh, so a domain added elsewhere is planned too.
    bool begin();
    int total() const override { return m_names.size(); }

private:
    DomainPlan planDomain(int index) override;

    QList<BatchRequest> m_requests;
    QStringList m_names;
};
