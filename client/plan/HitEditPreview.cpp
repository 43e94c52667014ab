#include "client/plan/HitEditPreview.h"

#include "client/User.h"

#include <QHash>

namespace {

// The account's domain by id, else by name (the list may have been read before a rename).
Domain *findDomain(User &user, const CopyHit &hit)
{
    for (Domain &dm : user.domains) {
        if (dm.id == hit.domainID)
            return &dm;
    }
    return user.domain2ptr(hit.domain);
}

} // namespace

HitEditPreview::HitEditPreview(User &user, const QVector<CopyHit> &hits, const HitEdit &edit)
    : DomainPreview(user, QStringLiteral("：")), m_edit(edit)
{
    QHash<int, int> groupOf;
    for (const CopyHit &hit : hits) {
        auto it = groupOf.find(hit.domainID);
        if (it == groupOf.end()) {
            it = groupOf.insert(hit.domainID, m_groups.size());
            m_groups.append(QList<CopyHit>());
        }
        m_groups[it.value()].append(hit);
    }
}

bool HitEditPreview::begin()
{
    restart();
    if (m_groups.isEmpty()) {
        m_error = QStringLiteral("没有选中的记录");
        return false;
    }
    if (!checkHitEdit(m_edit, m_error))
        return false;
    return readDomains();
}

DomainPlan HitEditPreview::planDomain(int index)
{
    const QList<CopyHit> &hits = m_groups.at(index);
    const QString name = hits.first().domain;
    Domain *dm = findDomain(m_user, hits.first());
    // A domain the job would not touch needs no read, and one reason is enough.
    if (!dm || dm->userLock != 0 || dm->state != 0)
        return planHitEditDomain(hits, m_edit, name, dm, {});
    QList<Record> live;
    const int id = dm->id;
    if (!readLive(dm, live))
        return unreadable(name, id);
    return planHitEditDomain(hits, m_edit, dm ? dm->name : name, dm, live);
}
