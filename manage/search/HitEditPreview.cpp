#include "manage/search/HitEditPreview.h"

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
    : m_user(user), m_edit(edit)
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
    m_next = 0;
    m_domains.clear();
    if (m_groups.isEmpty()) {
        m_error = QStringLiteral("没有选中的记录");
        return false;
    }
    if (!checkHitEdit(m_edit, m_error))
        return false;
    m_user.getDomain();
    if (!m_user.errorText.isEmpty()) {
        m_error = QStringLiteral("无法读取域名列表：") + m_user.errorText;
        return false;
    }
    return true;
}

void HitEditPreview::runNext()
{
    if (atEnd())
        return;
    const QList<CopyHit> &hits = m_groups.at(m_next++);
    const QString name = hits.first().domain;
    Domain *dm = findDomain(m_user, hits.first());
    // A domain the job would not touch needs no read, and one reason is enough.
    if (!dm || dm->userLock != 0 || dm->state != 0) {
        m_domains.append(planHitEditDomain(hits, m_edit, name, dm, {}));
        return;
    }
    m_user.getRecord(dm);
    if (!m_user.errorText.isEmpty()) {
        DomainPlan d;
        d.domain = name;
        d.domainID = dm->id;
        PlanStep s;
        s.op = StepOps::Problem;
        s.problem = QStringLiteral("无法读取记录：") + m_user.errorText;
        d.steps.append(s);
        m_domains.append(d);
        return;
    }
    // getRecord may have reloaded the list: look the domain up again.
    dm = findDomain(m_user, hits.first());
    QList<Record> live;
    if (dm) {
        for (const Record &r : dm->records)
            live.append(r);
    }
    m_domains.append(planHitEditDomain(hits, m_edit, dm ? dm->name : name, dm, live));
}

ChangePlan HitEditPreview::plan() const
{
    ChangePlan p;
    p.domains = m_domains;
    p.warnings = planWarnings(m_domains);
    return p;
}
