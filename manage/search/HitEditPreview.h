#pragma once

#include "client/copy/LocalCopy.h"
#include "client/plan/HitEditPlanner.h"

#include <QList>
#include <QVector>

class User;

// The plan of a change to ticked search hits: the domain list and each affected domain's
// records are read afresh (the copy may be old), one domain per runNext(). Driven by
// PlanDialog::build; changes nothing.
class HitEditPreview
{
public:
    HitEditPreview(User &user, const QVector<CopyHit> &hits, const HitEdit &edit);
    bool begin();
    bool atEnd() const { return m_next >= m_groups.size(); }
    int position() const { return m_next; }
    int total() const { return m_groups.size(); }
    void runNext();
    ChangePlan plan() const;
    QString errorText() const { return m_error; }

private:
    User &m_user;
    HitEdit m_edit;
    // The hits by domain, domains in the order of their first hit.
    QList<QList<CopyHit>> m_groups;
    int m_next = 0;
    QList<DomainPlan> m_domains;
    QString m_error;
};
