#include "client/copy/CopyKeeper.h"

#include "client/User.h"
#include "client/copy/CopyWriter.h"
#include "client/copy/LocalCopy.h"

#include <QMutexLocker>

namespace {

bool onAccount(LocalCopy &copy, const QString &email)
{
    if (!copy.isOpen() || email.trimmed().isEmpty())
        return false;
    if (copy.account() == LocalCopy::accountKey(email))
        return true;
    return copy.setAccount(email);
}

} // namespace

CopyKeeper::CopyKeeper(User &user, LocalCopy &copy, QObject *parent)
    : QObject(parent), m_user(user), m_copy(&copy)
{
    connectUser();
}

CopyKeeper::CopyKeeper(User &user, CopyWriter &writer, QObject *parent)
    : QObject(parent), m_user(user), m_writer(&writer)
{
    connectUser();
}

CopyKeeper::~CopyKeeper()
{
    if (m_writer)
        m_writer->wait();
}

void CopyKeeper::connectUser()
{
    connect(&m_user, &User::domainListRead, this, &CopyKeeper::domainListRead);
    connect(&m_user, &User::domainRemoved, this, &CopyKeeper::domainRemoved);
    connect(&m_user, &User::recordsRead, this, &CopyKeeper::recordsRead);
    connect(&m_user, &User::recordChanged, this, &CopyKeeper::recordChanged);
}

QString CopyKeeper::lastError() const
{
    QMutexLocker lock(&m_errorMutex);
    return m_lastError;
}

void CopyKeeper::keep(Write write)
{
    const QString email = m_user.email;
    if (m_copy) {
        if (onAccount(*m_copy, email))
            note(write(*m_copy), *m_copy);
        return;
    }
    m_writer->post([this, email, write = std::move(write)](LocalCopy &copy) {
        if (onAccount(copy, email))
            note(write(copy), copy);
    });
}

void CopyKeeper::note(bool written, const LocalCopy &copy)
{
    if (written)
        return;
    QMutexLocker lock(&m_errorMutex);
    m_lastError = copy.errorText();
}

void CopyKeeper::domainListRead(bool complete)
{
    QList<CopyDomain> listed;
    listed.reserve(m_user.domains.size());
    for (const Domain &dm : m_user.domains)
        listed.append(CopyDomain{dm.id, dm.name, {}, {}});
    keep([listed = std::move(listed), complete](LocalCopy &copy) {
        return copy.storeDomains(listed, complete);
    });
}

void CopyKeeper::domainRemoved(int domainID)
{
    keep([domainID](LocalCopy &copy) { return copy.removeDomain(domainID); });
}

void CopyKeeper::recordsRead(Domain *dm, bool complete)
{
    // A partial read would drop the records it left out.
    if (!complete)
        return;
    QList<Record> records;
    records.reserve(dm->records.size());
    for (const Record &r : dm->records)
        records.append(r);
    // A domain the copy has not listed yet (a reload of the list is pending) is listed now.
    keep([domain = CopyDomain{dm->id, dm->name, {}, {}}, records = std::move(records),
          fetched = QDateTime::currentDateTimeUtc()](LocalCopy &copy) {
        return copy.storeDomains({domain}, false) && copy.storeRecords(domain.id, records, fetched);
    });
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
    RecordChange c = change;
    QString line;
    if (c.kind == RecordChange::Added) {
        c.record.setLine(c.record.viewID);
        c.record.viewName = lineName(c.domainID, c.record.viewID);
    } else if (c.kind == RecordChange::Edited && !c.newLineID.isEmpty()) {
        line = lineName(c.domainID, c.newLineID.toInt());
    }
    keep([c = std::move(c), line](LocalCopy &copy) { return copy.applyChange(c, line); });
}
