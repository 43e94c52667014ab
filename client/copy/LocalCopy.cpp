#include "client/copy/LocalCopy.h"

#include "client/RecordIdentity.h"
#include "client/copy/SearchForm.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

#include <algorithm>

namespace {

// Raised when the layout of the file changes; an older copy is rebuilt from the service.
constexpr int kSchemaVersion = 1;

// The log grows to this before its pages go into the file: 32 MB at the default page size, kept
// on disk while the copy is open (cutting it back each time costs a refresh a sixth more CPU).
constexpr int kCheckpointPages = 8000;
constexpr int kCacheKiB = 16000; // SQLite takes a size in KiB as a negative number

// A record's columns as the copy keeps them; the query's first nine columns are id, host, type,
// value, line, line_name, ttl, mx and state.
Record storedRecord(const QSqlQuery &q)
{
    Record r;
    r.id = q.value(0).toInt();
    r.host = q.value(1).toString();
    r.type = q.value(2).toString();
    r.value = q.value(3).toString();
    r.setLine(q.value(4).toInt());
    r.viewName = q.value(5).toString();
    r.ttl = q.value(6).toInt();
    r.mx = q.value(7).toInt();
    r.state = q.value(8).toInt();
    return r;
}

// Whether the copy would store a and b alike (their own columns, exactly as the service gave
// them).
bool sameStoredRecord(const Record &a, const Record &b)
{
    return a.host == b.host && a.type == b.type && a.value == b.value && a.lineID == b.lineID &&
           a.viewName == b.viewName && a.ttl == b.ttl && a.mx == b.mx && a.state == b.state;
}

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS accounts(id INTEGER PRIMARY KEY, email TEXT NOT NULL UNIQUE, "
    "listed INTEGER)",
    "CREATE TABLE IF NOT EXISTS domains(account INTEGER NOT NULL, id INTEGER NOT NULL, "
    "name TEXT NOT NULL, fetched INTEGER, error TEXT, PRIMARY KEY(account, id)) WITHOUT ROWID",
    // host_n, name_n and value_n are the normalized host, full name and value; v4 and v6 the
    // address of A and AAAA records, for ranges.
    "CREATE TABLE IF NOT EXISTS records(account INTEGER NOT NULL, domain INTEGER NOT NULL, "
    "id INTEGER NOT NULL, host TEXT, type TEXT, value TEXT, line INTEGER, line_name TEXT, "
    "ttl INTEGER, mx INTEGER, state INTEGER, host_n TEXT, name_n TEXT, value_n TEXT, "
    "v4 INTEGER, v6 BLOB, PRIMARY KEY(account, domain, id)) WITHOUT ROWID",
    "CREATE INDEX IF NOT EXISTS records_value ON records(value_n)",
    "CREATE INDEX IF NOT EXISTS records_host ON records(host_n)",
    "CREATE INDEX IF NOT EXISTS records_name ON records(name_n)",
    "CREATE INDEX IF NOT EXISTS records_v4 ON records(v4) WHERE v4 IS NOT NULL",
    "CREATE INDEX IF NOT EXISTS records_v6 ON records(v6) WHERE v6 IS NOT NULL",
};

// SQLite's result codes for a file that is not a database or is corrupt.
bool isDamage(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11");
}

QVariant timeValue(const QDateTime &t)
{
    return t.isValid() ? QVariant(t.toMSecsSinceEpoch()) : QVariant(QVariant::LongLong);
}

QDateTime timeOf(const QVariant &v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}

// How long a write waits for another process's write (the window's refresh, a second
// halvik-cli) before it gives up: longer than any one domain's store takes.
constexpr int kBusyTimeoutMs = 10000;

// SQLite's result code for a file another connection holds locked.
bool isBusy(const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    return code == QLatin1String("5") || code.startsWith(QLatin1String("5 "));
}

// Commits when asked to, rolls back otherwise: a write cut off half-way leaves nothing half.
// The write lock is taken at the start (BEGIN IMMEDIATE), where SQLite waits out another
// writer; a transaction that read first and asked for the lock later would be refused at
// once, as its snapshot may be stale.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase &db) : m_db(db)
    {
        QSqlQuery q(db);
        m_open = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!m_open)
            m_error = q.lastError();
    }
    ~Transaction()
    {
        if (m_open)
            m_db.rollback();
    }
    bool isOpen() const { return m_open; }
    // Why the transaction could not begin.
    QSqlError error() const { return m_error; }
    bool commit()
    {
        m_open = false;
        return m_db.commit();
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    QSqlDatabase &m_db;
    bool m_open = false;
    QSqlError m_error;
};

// slot's statement, prepared on first use.
QSqlQuery &preparedOnce(std::unique_ptr<QSqlQuery> &slot, const QSqlDatabase &db, const char *sql)
{
    if (!slot) {
        slot = std::make_unique<QSqlQuery>(db);
        slot->prepare(QString::fromLatin1(sql));
    }
    return *slot;
}

QList<CopyDomain> readDomains(QSqlQuery &q)
{
    QList<CopyDomain> out;
    while (q.next()) {
        CopyDomain d;
        d.id = q.value(0).toInt();
        d.name = q.value(1).toString();
        d.fetched = timeOf(q.value(2));
        d.error = q.value(3).toString();
        out.append(d);
    }
    return out;
}

} // namespace

bool checkSearchQuery(const SearchQuery &query, QString &error)
{
    if (query.text.trimmed().isEmpty()) {
        error = QStringLiteral("搜索内容不能为空");
        return false;
    }
    AddressRange range;
    if (!query.contains && looksLikeCidr(query.text) && !parseCidr(query.text, range, error))
        return false;
    return true;
}

LocalCopy::LocalCopy()
{
    static QAtomicInt counter;
    m_connection = QStringLiteral("halvik-copy-%1").arg(counter.fetchAndAddRelaxed(1));
}

LocalCopy::~LocalCopy()
{
    close();
}

QString LocalCopy::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/halvik/copy.sqlite");
}

bool LocalCopy::fail(const QString &what, const QSqlError &error)
{
    // SQLite's own words ("database is locked") do not say that another program holds it.
    const QString why =
        isBusy(error) ? QStringLiteral("另一个程序（窗口或另一个 halvik-cli）正在写入本地副本，"
                                       "等待 %1 秒后仍未轮到")
                            .arg(kBusyTimeoutMs / 1000)
                      : error.text();
    m_error = QStringLiteral("%1：%2").arg(what, why);
    return false;
}

void LocalCopy::close()
{
    writeDeferred();
    m_deferredError.clear();
    m_insert.reset();
    m_deleteRecord.reset();
    m_heldRecords.reset();
    m_markFetched.reset();
    m_findName.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_account = 0;
}

bool LocalCopy::openFile(bool &damaged)
{
    damaged = false;
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(m_path);
    // The window and halvik-cli may write at the same time: wait for the other's transaction.
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!m_db.open())
        return fail(QStringLiteral("无法打开本地副本 %1").arg(m_path), m_db.lastError());
    return createSchema(damaged);
}

bool LocalCopy::switchToWal(QSqlQuery &q)
{
    // A new file is switched whole, and SQLite refuses at once rather than wait while another
    // process switches it: that process is waited for here, as long as a write would be.
    QElapsedTimer waited;
    waited.start();
    while (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL"))) {
        if (!isBusy(q.lastError()) || waited.hasExpired(kBusyTimeoutMs))
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool LocalCopy::createSchema(bool &damaged)
{
    QSqlQuery q(m_db);
    // WAL: readers never wait for a writer; NORMAL: a crash loses at most the last commits,
    // never the file. A refresh commits every domain, each touching a few dozen index pages:
    // checkpoints far apart copy each page once for many commits (and sync the file once),
    // and a cache that holds the indexes of a large account saves reading them back.
    if (!switchToWal(q) || !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")) ||
        !q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=%1").arg(kCheckpointPages)) ||
        !q.exec(QStringLiteral("PRAGMA cache_size=%1").arg(-kCacheKiB)) ||
        !q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        damaged = isDamage(q.lastError());
        return fail(QStringLiteral("无法读取本地副本"), q.lastError());
    }
    const int version = q.value(0).toInt();
    q.finish();
    if (version != 0 && version != kSchemaVersion) {
        // A copy in another layout: it only mirrors the service, so start it again.
        const char *const drops[] = {"DROP TABLE IF EXISTS records", "DROP TABLE IF EXISTS domains",
                                     "DROP TABLE IF EXISTS accounts"};
        for (const char *sql : drops) {
            if (!q.exec(QString::fromLatin1(sql))) {
                damaged = isDamage(q.lastError());
                return fail(QStringLiteral("无法更新本地副本"), q.lastError());
            }
        }
    }
    for (const char *sql : kSchema) {
        if (!q.exec(QString::fromLatin1(sql))) {
            damaged = isDamage(q.lastError());
            return fail(QStringLiteral("无法建立本地副本"), q.lastError());
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion)))
        return fail(QStringLiteral("无法建立本地副本"), q.lastError());
    return true;
}

bool LocalCopy::open(const QString &path)
{
    close();
    m_path = path;
    m_error.clear();
    m_notice.clear();
    QDir().mkpath(QFileInfo(path).absolutePath());
    bool damaged = false;
    if (openFile(damaged))
        return true;
    if (!damaged) {
        close();
        return false;
    }
    // The copy only mirrors the service: set the damaged file aside and read everything anew.
    close();
    const QString aside = path + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(path, aside))
        QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (!openFile(damaged)) {
        close();
        return false;
    }
    m_notice = QStringLiteral("本地副本已损坏，已另存为 %1 并重新建立，需要重新读取全部记录。")
                   .arg(QDir::toNativeSeparators(aside));
    return true;
}

bool LocalCopy::setAccount(const QString &email)
{
    writeDeferred(); // under the account it was read for
    m_account = 0;
    m_email = accountKey(email);
    if (m_email.isEmpty()) {
        m_error = QStringLiteral("没有账号，无法使用本地副本");
        return false;
    }
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO accounts(email) VALUES(?)"));
    q.addBindValue(m_email);
    if (!q.exec())
        return fail(QStringLiteral("无法写入本地副本"), q.lastError());
    q.prepare(QStringLiteral("SELECT id FROM accounts WHERE email = ?"));
    q.addBindValue(m_email);
    if (!q.exec() || !q.next())
        return fail(QStringLiteral("无法读取本地副本"), q.lastError());
    m_account = q.value(0).toLongLong();
    return true;
}

QDateTime LocalCopy::listedAt() const
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT listed FROM accounts WHERE id = ?"));
    q.addBindValue(m_account);
    return q.exec() && q.next() ? timeOf(q.value(0)) : QDateTime();
}

QList<CopyDomain> LocalCopy::domains() const
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT id, name, fetched, error FROM domains WHERE account = ? "
                             "ORDER BY name"));
    q.addBindValue(m_account);
    q.exec();
    return readDomains(q);
}

QList<CopyDomain> LocalCopy::stalestFirst() const
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT id, name, fetched, error FROM domains WHERE account = ? "
                             "ORDER BY fetched IS NOT NULL, fetched, name"));
    q.addBindValue(m_account);
    q.exec();
    return readDomains(q);
}

int LocalCopy::domainCount() const
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT count(*) FROM domains WHERE account = ?"));
    q.addBindValue(m_account);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

int LocalCopy::recordCount() const
{
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("SELECT count(*) FROM records WHERE account = ?"));
    q.addBindValue(m_account);
    return q.exec() && q.next() ? q.value(0).toInt() : 0;
}

bool LocalCopy::storeDomains(const QList<CopyDomain> &domains, bool complete)
{
    writeDeferred();
    if (!m_account)
        return false;
    Transaction t(m_db);
    if (!t.isOpen())
        return fail(QStringLiteral("无法写入本地副本"), t.error());
    QSqlQuery q(m_db);
    if (complete) {
        // What is not in a complete list is gone from the service.
        if (!q.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS listed(id INTEGER PRIMARY "
                                   "KEY)")) ||
            !q.exec(QStringLiteral("DELETE FROM temp.listed")))
            return fail(QStringLiteral("无法写入本地副本"), q.lastError());
        q.prepare(QStringLiteral("INSERT OR IGNORE INTO temp.listed(id) VALUES(?)"));
        for (const CopyDomain &d : domains) {
            q.bindValue(0, d.id);
            if (!q.exec())
                return fail(QStringLiteral("无法写入本地副本"), q.lastError());
        }
        const char *const removals[] = {
            "DELETE FROM records WHERE account = ? AND domain NOT IN temp.listed",
            "DELETE FROM domains WHERE account = ? AND id NOT IN temp.listed"};
        for (const char *sql : removals) {
            q.prepare(QString::fromLatin1(sql));
            q.addBindValue(m_account);
            if (!q.exec())
                return fail(QStringLiteral("无法写入本地副本"), q.lastError());
        }
        q.prepare(QStringLiteral("UPDATE accounts SET listed = ? WHERE id = ?"));
        q.addBindValue(QDateTime::currentMSecsSinceEpoch());
        q.addBindValue(m_account);
        if (!q.exec())
            return fail(QStringLiteral("无法写入本地副本"), q.lastError());
    }
    q.prepare(QStringLiteral("INSERT INTO domains(account, id, name) VALUES(?, ?, ?) "
                             "ON CONFLICT(account, id) DO UPDATE SET name = excluded.name "
                             "WHERE name <> excluded.name"));
    for (const CopyDomain &d : domains) {
        q.bindValue(0, m_account);
        q.bindValue(1, d.id);
        q.bindValue(2, d.name);
        if (!q.exec())
            return fail(QStringLiteral("无法写入本地副本"), q.lastError());
    }
    if (!t.commit())
        return fail(QStringLiteral("无法写入本地副本"), m_db.lastError());
    return true;
}

bool LocalCopy::removeDomain(int domainID)
{
    writeDeferred();
    Transaction t(m_db);
    if (!t.isOpen())
        return fail(QStringLiteral("无法写入本地副本"), t.error());
    QSqlQuery q(m_db);
    const char *const removals[] = {"DELETE FROM records WHERE account = ? AND domain = ?",
                                    "DELETE FROM domains WHERE account = ? AND id = ?"};
    for (const char *sql : removals) {
        q.prepare(QString::fromLatin1(sql));
        q.addBindValue(m_account);
        q.addBindValue(domainID);
        if (!q.exec())
            return fail(QStringLiteral("无法写入本地副本"), q.lastError());
    }
    return t.commit() || fail(QStringLiteral("无法写入本地副本"), m_db.lastError());
}

QString LocalCopy::domainName(int domainID) const
{
    QSqlQuery &q =
        preparedOnce(m_findName, m_db, "SELECT name FROM domains WHERE account = ? AND id = ?");
    q.bindValue(0, m_account);
    q.bindValue(1, domainID);
    const QString name = q.exec() && q.next() ? q.value(0).toString() : QString();
    // A statement left reading would hold its snapshot of the file open.
    q.finish();
    return name;
}

LocalCopy::RecordNames LocalCopy::recordNames(const DomainNameForm &domain, const QString &host)
{
    const QString normalized = normalizeName(host);
    return {host.isEmpty() ? QStringLiteral("@") : normalized, domain.fullName(host, normalized)};
}

bool LocalCopy::putRecord(int domainID, const QString &domainName, const Record &r)
{
    return putRecord(domainID, r, recordNames(DomainNameForm(domainName), r.host));
}

bool LocalCopy::putRecord(int domainID, const Record &r, const RecordNames &names)
{
    const NormalizedValue v = normalizeValue(r.type, r.value);
    QSqlQuery &q =
        preparedOnce(m_insert, m_db,
                     "INSERT OR REPLACE INTO records(account, domain, id, host, type, value, line, "
                     "line_name, ttl, mx, state, host_n, name_n, value_n, v4, v6) "
                     "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    q.bindValue(0, m_account);
    q.bindValue(1, domainID);
    q.bindValue(2, r.id);
    q.bindValue(3, r.host);
    q.bindValue(4, r.type);
    q.bindValue(5, r.value);
    q.bindValue(6, r.lineID);
    q.bindValue(7, r.viewName);
    q.bindValue(8, r.ttl);
    q.bindValue(9, r.mx);
    q.bindValue(10, r.state);
    q.bindValue(11, names.host);
    q.bindValue(12, names.fullName);
    q.bindValue(13, v.text);
    q.bindValue(14, v.ipv4 >= 0 ? QVariant(v.ipv4) : QVariant(QVariant::LongLong));
    q.bindValue(15, v.ipv6.isEmpty() ? QVariant(QVariant::ByteArray) : QVariant(v.ipv6));
    return q.exec() || fail(QStringLiteral("无法写入本地副本"), q.lastError());
}

void LocalCopy::storeRecordsLater(int domainID, QList<Record> records, const QDateTime &fetched)
{
    writeDeferred();
    m_deferred = DeferredStore{domainID, std::move(records), fetched};
}

void LocalCopy::writeDeferred()
{
    if (!m_deferred)
        return;
    const DeferredStore store = std::move(*m_deferred);
    m_deferred.reset();
    if (!storeRecords(store.domainID, store.records, store.fetched) && m_deferredError.isEmpty())
        m_deferredError = m_error;
}

bool LocalCopy::flushDeferred()
{
    writeDeferred();
    if (m_deferredError.isEmpty())
        return true;
    m_error = m_deferredError;
    m_deferredError.clear();
    return false;
}

bool LocalCopy::storeRecords(int domainID, const QList<Record> &records, const QDateTime &fetched)
{
    writeDeferred();
    const QString name = domainName(domainID);
    if (!m_account || name.isEmpty()) {
        m_error = QStringLiteral("本地副本中没有这个域名");
        return false;
    }
    Transaction t(m_db);
    if (!t.isOpen())
        return fail(QStringLiteral("无法写入本地副本"), t.error());
    // A record read again unchanged is not written again: most of a domain stays as it was
    // from one refresh to the next, and rewriting it would move every one of its index
    // entries. The full name is compared too, so a renamed domain's records are rewritten.
    QHash<int, QPair<Record, QString>> held; // by id: the record and its full name
    QSqlQuery &read = preparedOnce(m_heldRecords, m_db,
                                   "SELECT id, host, type, value, line, line_name, ttl, mx, "
                                   "state, name_n FROM records WHERE account = ? AND domain = ?");
    read.bindValue(0, m_account);
    read.bindValue(1, domainID);
    if (!read.exec())
        return fail(QStringLiteral("无法读取本地副本"), read.lastError());
    while (read.next())
        held.insert(read.value(0).toInt(), {storedRecord(read), read.value(9).toString()});
    read.finish();

    const DomainNameForm domain(name);
    for (const Record &r : records) {
        const RecordNames names = recordNames(domain, r.host);
        const auto it = held.constFind(r.id);
        const bool same =
            it != held.constEnd() && sameStoredRecord(it->first, r) && it->second == names.fullName;
        held.remove(r.id);
        if (!same && !putRecord(domainID, r, names))
            return false;
    }
    if (!held.isEmpty()) {
        QSqlQuery &remove =
            preparedOnce(m_deleteRecord, m_db,
                         "DELETE FROM records WHERE account = ? AND domain = ? AND id = ?");
        for (auto it = held.constBegin(); it != held.constEnd(); ++it) {
            remove.bindValue(0, m_account);
            remove.bindValue(1, domainID);
            remove.bindValue(2, it.key());
            if (!remove.exec())
                return fail(QStringLiteral("无法写入本地副本"), remove.lastError());
        }
    }
    QSqlQuery &mark =
        preparedOnce(m_markFetched, m_db,
                     "UPDATE domains SET fetched = ?, error = NULL WHERE account = ? AND id = ?");
    mark.bindValue(0, timeValue(fetched.toUTC()));
    mark.bindValue(1, m_account);
    mark.bindValue(2, domainID);
    if (!mark.exec())
        return fail(QStringLiteral("无法写入本地副本"), mark.lastError());
    return t.commit() || fail(QStringLiteral("无法写入本地副本"), m_db.lastError());
}

bool LocalCopy::storeReadError(int domainID, const QString &error)
{
    writeDeferred();
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("UPDATE domains SET error = ? WHERE account = ? AND id = ?"));
    q.addBindValue(error.isEmpty() ? QStringLiteral("读取失败") : error);
    q.addBindValue(m_account);
    q.addBindValue(domainID);
    return q.exec() || fail(QStringLiteral("无法写入本地副本"), q.lastError());
}

bool LocalCopy::applyChange(const RecordChange &change, const QString &lineName)
{
    writeDeferred();
    if (!m_account)
        return false;
    const QString name = domainName(change.domainID);
    if (name.isEmpty())
        return true; // a domain the copy does not hold yet: its next read brings the record
    if (change.kind == RecordChange::Added)
        return putRecord(change.domainID, name, change.record);

    QSqlQuery q(m_db);
    if (change.kind == RecordChange::Removed) {
        q.prepare(
            QStringLiteral("DELETE FROM records WHERE account = ? AND domain = ? AND id = ?"));
        q.addBindValue(m_account);
        q.addBindValue(change.domainID);
        q.addBindValue(change.recordID);
        return q.exec() || fail(QStringLiteral("无法写入本地副本"), q.lastError());
    }

    q.prepare(QStringLiteral("SELECT id, host, type, value, line, line_name, ttl, mx, state FROM "
                             "records WHERE account = ? AND domain = ? AND id = ?"));
    q.addBindValue(m_account);
    q.addBindValue(change.domainID);
    q.addBindValue(change.recordID);
    if (!q.exec())
        return fail(QStringLiteral("无法读取本地副本"), q.lastError());
    if (!q.next())
        return true; // not read yet; the next read of the domain brings it
    Record r = storedRecord(q);
    q.finish();
    switch (change.kind) {
    case RecordChange::Paused:
        r.state = 2;
        break;
    case RecordChange::Started:
        r.state = 0;
        break;
    default:
        if (!change.newHost.isEmpty())
            r.host = change.newHost;
        if (!change.newType.isEmpty())
            r.type = change.newType;
        if (!change.newValue.isEmpty())
            r.value = change.newValue;
        if (!change.newTtl.isEmpty())
            r.ttl = change.newTtl.toInt();
        if (!change.newMx.isEmpty())
            r.mx = change.newMx.toInt();
        if (!change.newLineID.isEmpty()) {
            r.setLine(change.newLineID.toInt());
            r.viewName = lineName.isEmpty() ? QStringLiteral("未知") : lineName;
        }
        break;
    }
    return putRecord(change.domainID, name, r);
}

bool LocalCopy::search(const SearchQuery &query, QVector<CopyHit> &hits, QString &error) const
{
    hits.clear();
    if (!checkSearchQuery(query, error))
        return false;
    const QString text = query.text.trimmed();
    QString where;
    QVariantList binds;
    AddressRange range;
    if (query.contains) {
        const QString part = text.toLower();
        where = QStringLiteral("(instr(r.name_n, ?) > 0 OR instr(r.value_n, ?) > 0");
        binds << part << part;
        // Names are kept in their ASCII form; a part written in other characters is looked
        // for in the names as they were written.
        bool ascii = true;
        for (const QChar c : part)
            ascii = ascii && c.unicode() < 0x80;
        if (!ascii) {
            where +=
                QStringLiteral(" OR instr(lower(d.name), ?) > 0 OR instr(lower(r.host), ?) > 0 "
                               "OR instr(lower(r.value), ?) > 0");
            binds << part << part << part;
        }
        where += QLatin1Char(')');
    } else if (looksLikeCidr(text)) {
        parseCidr(text, range, error);
        if (range.isV6) {
            where = QStringLiteral("r.v6 >= ? AND r.v6 <= ?");
            binds << range.v6First << range.v6Last;
        } else {
            where = QStringLiteral("r.v4 >= ? AND r.v4 <= ?");
            binds << qint64(range.v4First) << qint64(range.v4Last);
        }
    } else {
        quint32 v4 = 0;
        QByteArray v6;
        const QString name = normalizeName(text);
        QString value = text.toLower();
        if (parseIpv4(text, v4))
            value = ipv4Text(v4);
        else if (parseIpv6(text, v6))
            value = ipv6Text(v6);
        where = QStringLiteral("(r.value_n IN (?, ?) OR r.host_n = ? OR r.name_n = ?)");
        binds << value << name << name << name;
    }
    if (!query.type.trimmed().isEmpty()) {
        where += QStringLiteral(" AND r.type = ? COLLATE NOCASE");
        binds << query.type.trimmed();
    }
    if (query.lineID >= 0) {
        where += QStringLiteral(" AND r.line = ?");
        binds << query.lineID;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT r.domain, d.name, d.fetched, r.id, r.host, r.type, r.value, "
                             "r.line, r.line_name, r.ttl, r.mx, r.state FROM records r "
                             "JOIN domains d ON d.account = r.account AND d.id = r.domain "
                             // "+": the account is checked on each row, not used to pick an
                             // index; the indexes on the normalized forms find the rows.
                             "WHERE +r.account = ? AND ") +
              where);
    q.addBindValue(m_account);
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        error = QStringLiteral("无法读取本地副本：%1").arg(q.lastError().text());
        return false;
    }
    while (q.next()) {
        CopyHit h;
        h.domainID = q.value(0).toInt();
        h.domain = q.value(1).toString();
        h.fetched = timeOf(q.value(2));
        h.id = q.value(3).toInt();
        h.host = q.value(4).toString();
        h.type = q.value(5).toString();
        h.value = q.value(6).toString();
        h.lineID = q.value(7).toInt();
        h.lineName = q.value(8).toString();
        h.ttl = q.value(9).toInt();
        h.mx = q.value(10).toInt();
        h.state = q.value(11).toInt();
        hits.append(std::move(h));
    }
    std::sort(hits.begin(), hits.end(), [](const CopyHit &a, const CopyHit &b) {
        if (a.domain != b.domain)
            return a.domain < b.domain;
        if (a.host != b.host)
            return a.host < b.host;
        if (a.type != b.type)
            return a.type < b.type;
        return a.id < b.id;
    });
    return true;
}
