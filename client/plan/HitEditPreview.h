#pragma once

#include "client/copy/LocalCopy.h"
#include "client/plan/DomainPreview.h"
#include "client/plan/HitEditPlanner.h"

#include <QList>
#include <QVector>

class User;

// The plan of a change to ticked search hits: the domain list and each affected domain's
// records are read afresh (the copy may be old), one domain per runNext(). Driven by
// PlanDialog::build; changes nothing.
class HitEditPreview : public DomainPreview
{
public:
    HitEditPreview(User &user, const QVector<CopyHit> &hits, const HitEdit &edit);
    bool begin();
    int total() const override { return m_groups.size(); }

private:
    DomainPlan planDomain(int index) override;

    HitEdit m_edit;
    // The hits by domain, domains in the order of their first hit.
    QList<QList<CopyHit>> m_groups;
};
