#include "client/copy/CopyKeeper.h"

#include "client/User.h"
#include "client/copy/LocalCopy.h"

CopyKeeper::CopyKeeper(User &user, LocalCopy &copy, QObject *parent)
    : QObject(parent), m_user(user), m_copy(copy)
{
    connect(&user, &User::domainListRead, this, &CopyKeeper::domainListRead);
    connect(&user, &User::domainRemoved, this, &CopyKeeper::domainRemoved);
    connect(&user, &User::recordsRead, this, &CopyKeeper::recordsRead);
    connect(&user, &User::recordChanged, this, &CopyKeeper::recordChanged);
}

bool CopyKeeper::onAccount()
{
    if (!m_copy.isOpen() || m_user.email.trimmed().isEmpty())
        return false;
    if (m_copy.account() == LocalCopy::accountKey(m_user.email))
        return true;
    return m_copy.setAccount(m_user.email);
}

void CopyKeeper::note(bool written)
{
    if (!written)
        m_lastError = m_copy.errorText();
}

void CopyKeeper::domainListRead(bool complete)
{
    if (!onAccount())
        return;
    QList<CopyDomain> listed;
    listed.reserve(m_user.domains.size());
    for (const Domain &dm : m_user.domains)
        listed.append(CopyDomain{dm.id, dm.name, {}, {}});
    note(m_copy.storeDomains(listed, complete));
}

void CopyKeeper::domainRemoved(int domainID)
{
    if (onAccount())
        note(m_copy.removeDomain(domainID));
}

void CopyKeeper::recordsRead(Domain *dm, bool complete)
{
    // A partial read would drop the records it left out.
    if (!complete || !onAccount())
        return;
    QList<Record> records;
    records.reserve(dm->records.size());
    for (const Record &r : dm->records)
        records.append(r);
    // A domain the copy has not listed yet (a reload of the list is pending) is listed now.
    note(m_copy.storeDomains({CopyDomain{dm->id, dm->name, {}, {}}}, false) &&
         m_copy.storeRecords(dm->id, records, QDateTime::currentDateTimeUtc()));
}

QString CopyKeeper::lineName(int domainID, int lineID) const
{
    for (const Domain &dm : m_user.domains) {
        if (dm.id != domainID)
            continue;
        const QString name = m_user.getVID2V(dm.views, lineID).viewName;
        if (!name.isEmpty())
            return name;
        break;
    }
    return m_user.viewNames.value(lineID, QStringLiteral("未知"));
}

void CopyKeeper::recordChanged(const RecordChange &change)
{
    if (!onAccount())
        return;
    RecordChange c = change;
    QString line;
    if (c.kind == RecordChange::Added) {
        c.record.setLine(c.record.viewID);
        c.record.viewName = lineName(c.domainID, c.record.viewID);
    } else if (c.kind == RecordChange::Edited && !c.newLineID.isEmpty()) {
        line = lineName(c.domainID, c.newLineID.toInt());
    }
    note(m_copy.applyChange(c, line));
}
