#include "localservice/storage/Storage.h"

#include <QDateTime>

namespace {

constexpr const char *kDomainById =
    "SELECT id, account_id, name, state, user_lock, group_id, view_type, service_id, created "
    "FROM domains WHERE account_id = ? AND id = ?";

DomainRow readDomain(const Statement &q)
{
    DomainRow d;
    d.id = q.int64(0);
    d.accountId = q.int64(1);
    d.name = q.text(2);
    d.state = q.integer(3);
    d.userLock = q.integer(4);
    d.groupId = q.int64(5);
    d.viewType = q.text(6);
    d.serviceId = q.integer(7);
    d.created = q.int64(8);
    return d;
}

bool findDomain(Db &db, qint64 accountId, qint64 domainId, DomainRow *out)
{
    Statement q(db, kDomainById);
    q.bind(1, accountId).bind(2, domainId);
    if (!q.next())
        return false;
    if (out)
        *out = readDomain(q);
    return true;
}

GroupRow readGroup(const Statement &q)
{
    GroupRow g;
    g.id = q.int64(0);
    g.accountId = q.int64(1);
    g.name = q.text(2);
    g.displayOrder = q.integer(3);
    return g;
}

bool findGroup(Db &db, qint64 accountId, qint64 groupId, GroupRow *out)
{
    Statement q(db, "SELECT id, account_id, name, display_order FROM domain_groups "
                    "WHERE account_id = ? AND id = ?");
    q.bind(1, accountId).bind(2, groupId);
    if (!q.next())
        return false;
    if (out)
        *out = readGroup(q);
    return true;
}

} // namespace

Page<DomainRow> Storage::domains(qint64 accountId, int offset, int limit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Page<DomainRow> page;
    Statement count(m_db, "SELECT COUNT(*) FROM domains WHERE account_id = ?");
    count.bind(1, accountId);
    page.total = count.next() ? count.integer(0) : 0;
    Statement q(m_db, "SELECT id, account_id, name, state, user_lock, group_id, view_type, "
                      "service_id, created FROM domains WHERE account_id = ? ORDER BY id "
                      "LIMIT ? OFFSET ?");
    q.bind(1, accountId).bind(2, limit).bind(3, offset);
    while (q.next())
        page.rows.append(readDomain(q));
    return page;
}

int Storage::domain(qint64 accountId, qint64 domainId, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return findDomain(m_db, accountId, domainId, out) ? 0 : 2005;
}

int Storage::createDomain(qint64 accountId, const QString &name, int serviceId,
                          const QString &viewType, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    Statement owner(m_db, "SELECT account_id FROM domains WHERE name = ?");
    owner.bind(1, name);
    if (owner.next())
        return owner.int64(0) == accountId ? 2001 : 2002;
    Statement q(m_db, "INSERT INTO domains(account_id, name, state, user_lock, group_id, "
                      "view_type, service_id, created) VALUES(?, ?, 0, 0, 0, ?, ?, ?)");
    q.bind(1, accountId).bind(2, name).bind(3, viewType).bind(4, serviceId);
    q.bind(5, QDateTime::currentSecsSinceEpoch()).exec();
    const qint64 id = m_db.lastInsertId();
    if (!tx.commit())
        return 2003;
    changed(id);
    findDomain(m_db, accountId, id, out);
    return 0;
}

int Storage::setDomainLock(qint64 accountId, qint64 domainId, bool locked, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (!findDomain(m_db, accountId, domainId, nullptr))
        return 2005;
    Statement q(m_db, "UPDATE domains SET user_lock = ? WHERE id = ?");
    q.bind(1, locked ? 1 : 0).bind(2, domainId).exec();
    if (!tx.commit())
        return locked ? 2006 : 2014;
    findDomain(m_db, accountId, domainId, out);
    return 0;
}

int Storage::lockedDomain(qint64 accountId, qint64 domainId, DomainRow *out)
{
    DomainRow d;
    if (!findDomain(m_db, accountId, domainId, &d))
        return 2005;
    if (out)
        *out = d;
    return d.userLock ? 2010 : 0;
}

int Storage::setDomainState(qint64 accountId, qint64 domainId, int state, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    Statement q(m_db, "UPDATE domains SET state = ? WHERE id = ?");
    q.bind(1, state).bind(2, domainId).exec();
    if (!tx.commit())
        return state == DomainRunning ? 2015 : 2004;
    changed(domainId);
    findDomain(m_db, accountId, domainId, out);
    return 0;
}

int Storage::removeDomain(qint64 accountId, qint64 domainId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    Statement records(m_db, "DELETE FROM records WHERE domain_id = ?");
    records.bind(1, domainId).exec();
    Statement q(m_db, "DELETE FROM domains WHERE id = ?");
    q.bind(1, domainId).exec();
    if (!tx.commit())
        return 2008;
    changed(domainId);
    return 0;
}

int Storage::setDomainGroup(qint64 accountId, qint64 domainId, qint64 groupId, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (!findDomain(m_db, accountId, domainId, nullptr))
        return 2005;
    if (groupId != 0 && !findGroup(m_db, accountId, groupId, nullptr))
        return 3;
    Statement q(m_db, "UPDATE domains SET group_id = ? WHERE id = ?");
    q.bind(1, groupId).bind(2, domainId).exec();
    if (!tx.commit())
        return 2;
    findDomain(m_db, accountId, domainId, out);
    return 0;
}

QList<DomainRow> Storage::allDomains()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, account_id, name, state, user_lock, group_id, view_type, "
                      "service_id, created FROM domains ORDER BY id");
    QList<DomainRow> out;
    while (q.next())
        out.append(readDomain(q));
    return out;
}

bool Storage::domainById(qint64 domainId, DomainRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, account_id, name, state, user_lock, group_id, view_type, "
                      "service_id, created FROM domains WHERE id = ?");
    q.bind(1, domainId);
    if (!q.next())
        return false;
    *out = readDomain(q);
    return true;
}

QList<GroupRow> Storage::groups(qint64 accountId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, account_id, name, display_order FROM domain_groups "
                      "WHERE account_id = ? ORDER BY display_order, id");
    q.bind(1, accountId);
    QList<GroupRow> out;
    while (q.next())
        out.append(readGroup(q));
    return out;
}

int Storage::createGroup(qint64 accountId, const QString &name, int order, GroupRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    Statement q(m_db, "INSERT INTO domain_groups(account_id, name, display_order) "
                      "VALUES(?, ?, ?)");
    q.bind(1, accountId).bind(2, name).bind(3, order).exec();
    const qint64 id = m_db.lastInsertId();
    if (!tx.commit())
        return 2;
    findGroup(m_db, accountId, id, out);
    return 0;
}

int Storage::updateGroup(qint64 accountId, qint64 groupId, const QString &name, int order,
                         GroupRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (!findGroup(m_db, accountId, groupId, nullptr))
        return 2;
    Statement q(m_db, "UPDATE domain_groups SET name = ?, display_order = ? WHERE id = ?");
    q.bind(1, name).bind(2, order).bind(3, groupId).exec();
    if (!tx.commit())
        return 2;
    findGroup(m_db, accountId, groupId, out);
    return 0;
}

int Storage::removeGroup(qint64 accountId, qint64 groupId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (!findGroup(m_db, accountId, groupId, nullptr))
        return 2;
    // The group's domains stay; they only leave the group.
    Statement move(m_db, "UPDATE domains SET group_id = 0 WHERE account_id = ? AND group_id = ?");
    move.bind(1, accountId).bind(2, groupId).exec();
    Statement q(m_db, "DELETE FROM domain_groups WHERE id = ?");
    q.bind(1, groupId).exec();
    return tx.commit() ? 0 : 2;
}
