#include "client/journal/DomainPreview.h"

#include "client/User.h"

DomainPreview::DomainPreview(User &user, const QString &colon) : m_user(user), m_colon(colon) {}

void DomainPreview::restart()
{
    m_next = 0;
    m_domains.clear();
}

void DomainPreview::runNext()
{
    if (atEnd())
        return;
    m_domains.append(planDomain(m_next++));
}

ChangePlan DomainPreview::plan() const
{
    ChangePlan p;
    p.domains = m_domains;
    p.warnings = planWarnings(p.domains);
    return p;
}

bool DomainPreview::readDomains()
{
    m_user.getDomain();
    if (m_user.errorText.isEmpty())
        return true;
    m_error = QStringLiteral("无法读取域名列表") + m_colon + m_user.errorText;
    m_networkFailed = !m_user.answered;
    return false;
}

bool DomainPreview::readLive(Domain *&dm, QList<Record> &live)
{
    const int id = dm->id;
    const QString name = dm->name;
    m_user.getRecord(dm);
    if (!m_user.errorText.isEmpty()) {
        m_networkFailed = m_networkFailed || !m_user.answered;
        return false;
    }
    dm = nullptr;
    for (Domain &d : m_user.domains) {
        if (d.id == id) {
            dm = &d;
            break;
        }
    }
    if (!dm)
        dm = m_user.domain2ptr(name);
    live.clear();
    if (dm) {
        for (const Record &r : dm->records)
            live.append(r);
    }
    return true;
}

DomainPlan DomainPreview::unreadable(const QString &name, int domainID) const
{
    DomainPlan d;
    d.domain = name;
    d.domainID = domainID;
    PlanStep s;
    s.op = StepOps::Problem;
    s.problem = QStringLiteral("无法读取记录") + m_colon + m_user.errorText;
    d.steps.append(s);
    return d;
}
