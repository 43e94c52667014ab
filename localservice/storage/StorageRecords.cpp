#include "localservice/storage/Storage.h"

namespace {

RecordRow readRecord(const Statement &q)
{
    RecordRow r;
    r.id = q.int64(0);
    r.domainId = q.int64(1);
    r.host = q.text(2);
    r.type = q.text(3);
    r.value = q.text(4);
    r.ttl = q.integer(5);
    r.mx = q.integer(6);
    r.viewId = q.integer(7);
    r.state = q.integer(8);
    return r;
}

bool findRecord(Db &db, qint64 domainId, qint64 recordId, RecordRow *out)
{
    Statement q(db, "SELECT id, domain_id, host, type, value, ttl, mx, view_id, state "
                    "FROM records WHERE domain_id = ? AND id = ?");
    q.bind(1, domainId).bind(2, recordId);
    if (!q.next())
        return false;
    if (out)
        *out = readRecord(q);
    return true;
}

bool sameValue(const QString &type, const QString &a, const QString &b)
{
    // Names compare without letter case; text data is taken as written.
    return a.compare(b, type == QLatin1String("TXT") ? Qt::CaseSensitive : Qt::CaseInsensitive) ==
           0;
}

} // namespace

bool Storage::recordClashes(const RecordRow &rec)
{
    // Same host and line: an identical record, or a CNAME beside an A or CNAME record (the
    // service's own words for 3008). Other types may stand beside a CNAME.
    Statement q(m_db, "SELECT type, value FROM records WHERE domain_id = ? AND host = ? "
                      "AND view_id = ? AND id <> ?");
    q.bind(1, rec.domainId).bind(2, rec.host).bind(3, rec.viewId).bind(4, rec.id);
    const QString cname = QStringLiteral("CNAME");
    const auto aOrCname = [&cname](const QString &type) {
        return type == cname || type == QLatin1String("A");
    };
    while (q.next()) {
        const QString type = q.text(0);
        if ((type == cname || rec.type == cname) && aOrCname(type) && aOrCname(rec.type))
            return true;
        if (type == rec.type && sameValue(type, q.text(1), rec.value))
            return true;
    }
    return false;
}

Page<RecordRow> Storage::records(qint64 accountId, qint64 domainId, int offset, int limit,
                                 int *code)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Page<RecordRow> page;
    DomainRow d;
    *code = lockedDomain(accountId, domainId, &d) == 2005 ? 2005 : 0;
    if (*code)
        return page;
    Statement count(m_db, "SELECT COUNT(*) FROM records WHERE domain_id = ?");
    count.bind(1, domainId);
    page.total = count.next() ? count.integer(0) : 0;
    Statement q(m_db, "SELECT id, domain_id, host, type, value, ttl, mx, view_id, state "
                      "FROM records WHERE domain_id = ? ORDER BY id LIMIT ? OFFSET ?");
    q.bind(1, domainId).bind(2, limit).bind(3, offset);
    while (q.next())
        page.rows.append(readRecord(q));
    return page;
}

int Storage::record(qint64 accountId, qint64 domainId, qint64 recordId, RecordRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (lockedDomain(accountId, domainId, nullptr) == 2005)
        return 2005;
    return findRecord(m_db, domainId, recordId, out) ? 0 : 3010;
}

int Storage::createRecord(qint64 accountId, qint64 domainId, RecordRow &rec)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    rec.id = 0;
    rec.domainId = domainId;
    if (recordClashes(rec))
        return 3008;
    Statement q(m_db, "INSERT INTO records(domain_id, host, type, value, ttl, mx, view_id, state) "
                      "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, domainId).bind(2, rec.host).bind(3, rec.type).bind(4, rec.value);
    q.bind(5, rec.ttl).bind(6, rec.mx).bind(7, rec.viewId).bind(8, rec.state).exec();
    const qint64 id = m_db.lastInsertId();
    if (!tx.commit())
        return 2;
    changed(domainId);
    rec.id = id;
    return 0;
}

int Storage::updateRecord(qint64 accountId, qint64 domainId, const RecordRow &rec)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    if (!findRecord(m_db, domainId, rec.id, nullptr))
        return 3010;
    RecordRow checked = rec;
    checked.domainId = domainId;
    if (recordClashes(checked))
        return 3008;
    Statement q(m_db, "UPDATE records SET host = ?, type = ?, value = ?, ttl = ?, mx = ?, "
                      "view_id = ? WHERE id = ? AND domain_id = ?");
    q.bind(1, rec.host).bind(2, rec.type).bind(3, rec.value).bind(4, rec.ttl).bind(5, rec.mx);
    q.bind(6, rec.viewId).bind(7, rec.id).bind(8, domainId).exec();
    if (!tx.commit())
        return 2;
    changed(domainId);
    return 0;
}

int Storage::setRecordState(qint64 accountId, qint64 domainId, qint64 recordId, int state,
                            RecordRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    if (!findRecord(m_db, domainId, recordId, nullptr))
        return 3010;
    Statement q(m_db, "UPDATE records SET state = ? WHERE id = ? AND domain_id = ?");
    q.bind(1, state).bind(2, recordId).bind(3, domainId).exec();
    if (!tx.commit())
        return 2;
    changed(domainId);
    findRecord(m_db, domainId, recordId, out);
    return 0;
}

int Storage::removeRecord(qint64 accountId, qint64 domainId, qint64 recordId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (const int code = lockedDomain(accountId, domainId, nullptr))
        return code;
    if (!findRecord(m_db, domainId, recordId, nullptr))
        return 3010;
    Statement q(m_db, "DELETE FROM records WHERE id = ? AND domain_id = ?");
    q.bind(1, recordId).bind(2, domainId).exec();
    if (!tx.commit())
        return 2;
    changed(domainId);
    return 0;
}

QList<RecordRow> Storage::domainRecords(qint64 domainId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, domain_id, host, type, value, ttl, mx, view_id, state "
                      "FROM records WHERE domain_id = ? ORDER BY id");
    q.bind(1, domainId);
    QList<RecordRow> out;
    while (q.next())
        out.append(readRecord(q));
    return out;
}

QHash<qint64, QList<RecordRow>> Storage::allRecords()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, domain_id, host, type, value, ttl, mx, view_id, state "
                      "FROM records ORDER BY domain_id, id");
    QHash<qint64, QList<RecordRow>> out;
    while (q.next()) {
        const RecordRow r = readRecord(q);
        out[r.domainId].append(r);
    }
    return out;
}
