#include "localservice/storage/Storage.h"

#include "localservice/storage/PasswordHash.h"

#include <QDateTime>
#include <QHash>

namespace {

constexpr int kSchemaVersion = 1;

const char *const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS meta(
    key TEXT PRIMARY KEY,
    value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS accounts(
    id INTEGER PRIMARY KEY,
    email TEXT NOT NULL UNIQUE COLLATE NOCASE,
    nickname TEXT NOT NULL DEFAULT '',
    pw_salt BLOB NOT NULL,
    pw_hash BLOB NOT NULL,
    api_key TEXT UNIQUE,
    api_secret TEXT,
    wx_openid TEXT UNIQUE,
    auto_authorise INTEGER NOT NULL DEFAULT 0,
    created INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS devices(
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    cpuid TEXT NOT NULL,
    hostname TEXT NOT NULL,
    authorised INTEGER NOT NULL,
    created INTEGER NOT NULL,
    UNIQUE(account_id, cpuid));
CREATE TABLE IF NOT EXISTS domain_groups(
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    display_order INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS domain_groups_account ON domain_groups(account_id, display_order);
CREATE TABLE IF NOT EXISTS domains(
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    name TEXT NOT NULL UNIQUE COLLATE NOCASE,
    state INTEGER NOT NULL,
    user_lock INTEGER NOT NULL,
    group_id INTEGER NOT NULL,
    view_type TEXT NOT NULL,
    service_id INTEGER NOT NULL,
    created INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS domains_account ON domains(account_id, id);
CREATE INDEX IF NOT EXISTS domains_group ON domains(account_id, group_id);
CREATE TABLE IF NOT EXISTS records(
    id INTEGER PRIMARY KEY,
    domain_id INTEGER NOT NULL REFERENCES domains(id) ON DELETE CASCADE,
    host TEXT NOT NULL COLLATE NOCASE,
    type TEXT NOT NULL,
    value TEXT NOT NULL,
    ttl INTEGER NOT NULL,
    mx INTEGER NOT NULL,
    view_id INTEGER NOT NULL,
    state INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS records_domain ON records(domain_id, id);
CREATE INDEX IF NOT EXISTS records_host ON records(domain_id, host, view_id);
CREATE TABLE IF NOT EXISTS news(
    id INTEGER PRIMARY KEY,
    kind INTEGER NOT NULL,
    title TEXT NOT NULL,
    url TEXT NOT NULL,
    content TEXT NOT NULL,
    publish_date INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS news_kind ON news(kind, publish_date);
CREATE TABLE IF NOT EXISTS messages(
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    title TEXT NOT NULL,
    content TEXT NOT NULL,
    created INTEGER NOT NULL,
    state INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS messages_account ON messages(account_id, state, id);
CREATE TABLE IF NOT EXISTS app_info(
    type INTEGER PRIMARY KEY,
    version_code TEXT NOT NULL,
    version_name TEXT NOT NULL,
    version_info TEXT NOT NULL,
    downurl TEXT NOT NULL);
)sql";

} // namespace

bool Storage::open(const QString &path, QString *errorText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_db.open(path, errorText))
        return false;
    // WAL keeps readers and the writer apart and survives a crash without losing commits.
    if (!m_db.execScript("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                         "PRAGMA foreign_keys=ON;")) {
        if (errorText)
            *errorText =
                QStringLiteral("Cannot set up database %1: %2").arg(path, m_db.lastError());
        m_db.close();
        return false;
    }
    m_db.takeFailure();
    return createSchema(errorText);
}

void Storage::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_db.close();
}

bool Storage::createSchema(QString *errorText)
{
    Statement version(m_db, "PRAGMA user_version");
    const int current = version.next() ? version.integer(0) : -1;
    if (current > kSchemaVersion) {
        if (errorText)
            *errorText = QStringLiteral("The data folder was written by a newer version");
        m_db.close();
        return false;
    }
    Transaction tx(m_db);
    m_db.execScript(kSchema);
    m_db.execScript("PRAGMA user_version=1");
    if (!tx.commit()) {
        if (errorText)
            *errorText =
                QStringLiteral("Cannot create the database schema: %1").arg(m_db.lastError());
        m_db.close();
        return false;
    }
    return true;
}

void Storage::setChangeListener(std::function<void(qint64)> listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_changeListener = std::move(listener);
}

void Storage::changed(qint64 domainId)
{
    if (m_changeListener)
        m_changeListener(domainId);
}

QString Storage::meta(const QString &key)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT value FROM meta WHERE key = ?");
    q.bind(1, key);
    return q.next() ? q.text(0) : QString();
}

bool Storage::setMeta(const QString &key, const QString &value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    Statement q(m_db, "INSERT INTO meta(key, value) VALUES(?, ?) "
                      "ON CONFLICT(key) DO UPDATE SET value = excluded.value");
    q.bind(1, key).bind(2, value).exec();
    return tx.commit();
}

bool Storage::insertAccount(const SeedAccount &account, qint64 *id)
{
    const QByteArray salt = randomBytes(16);
    Statement q(m_db, "INSERT INTO accounts(email, nickname, pw_salt, pw_hash, api_key, "
                      "api_secret, wx_openid, auto_authorise, created) "
                      "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    q.bind(1, account.email).bind(2, account.nickname);
    q.bindBlob(3, salt).bindBlob(4, hashPassword(account.password, salt));
    if (account.withApiKey)
        q.bind(5, randomHex(16)).bind(6, randomHex(16));
    else
        q.bindNull(5).bindNull(6);
    if (account.wxOpenId.isEmpty())
        q.bindNull(7);
    else
        q.bind(7, account.wxOpenId);
    q.bind(8, account.autoAuthoriseDevices ? 1 : 0);
    q.bind(9, QDateTime::currentSecsSinceEpoch());
    if (!q.exec())
        return false;
    *id = m_db.lastInsertId();
    return true;
}

bool Storage::import(const SeedSet &seed, QString *errorText)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    Statement group(m_db, "INSERT INTO domain_groups(account_id, name, display_order) "
                          "VALUES(?, ?, ?)");
    Statement domain(m_db, "INSERT INTO domains(account_id, name, state, user_lock, group_id, "
                           "view_type, service_id, created) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    Statement record(m_db, "INSERT INTO records(domain_id, host, type, value, ttl, mx, view_id, "
                           "state) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
    Statement message(m_db, "INSERT INTO messages(account_id, title, content, created, state) "
                            "VALUES(?, ?, ?, ?, ?)");
    for (const SeedAccount &account : seed.accounts) {
        qint64 accountId = 0;
        if (!insertAccount(account, &accountId))
            break;
        QHash<qint64, qint64> groupIds; // seed position -> stored id
        for (int i = 0; i < account.groups.size(); ++i) {
            const GroupRow &g = account.groups.at(i);
            group.reset();
            group.bind(1, accountId).bind(2, g.name).bind(3, g.displayOrder).exec();
            groupIds.insert(i + 1, m_db.lastInsertId());
        }
        for (const SeedAccount::Domain &d : account.domains) {
            const DomainRow &r = d.row;
            domain.reset();
            domain.bind(1, accountId).bind(2, r.name).bind(3, r.state).bind(4, r.userLock);
            domain.bind(5, groupIds.value(r.groupId, 0)).bind(6, r.viewType);
            domain.bind(7, r.serviceId).bind(8, r.created).exec();
            const qint64 domainId = m_db.lastInsertId();
            for (const RecordRow &rec : d.records) {
                record.reset();
                record.bind(1, domainId).bind(2, rec.host).bind(3, rec.type).bind(4, rec.value);
                record.bind(5, rec.ttl).bind(6, rec.mx).bind(7, rec.viewId).bind(8, rec.state);
                record.exec();
            }
        }
        for (const MessageRow &m : account.messages) {
            message.reset();
            message.bind(1, accountId).bind(2, m.title).bind(3, m.content).bind(4, m.created);
            message.bind(5, m.state).exec();
        }
    }
    Statement news(m_db, "INSERT INTO news(kind, title, url, content, publish_date) "
                         "VALUES(?, ?, ?, ?, ?)");
    for (const NewsRow &n : seed.news) {
        news.reset();
        news.bind(1, n.kind).bind(2, n.title).bind(3, n.url).bind(4, n.content);
        news.bind(5, n.publishDate).exec();
    }
    Statement app(m_db, "INSERT INTO app_info(type, version_code, version_name, version_info, "
                        "downurl) VALUES(?, ?, ?, ?, ?) ON CONFLICT(type) DO UPDATE SET "
                        "version_code = excluded.version_code, version_name = "
                        "excluded.version_name, version_info = excluded.version_info, "
                        "downurl = excluded.downurl");
    for (const AppInfoRow &a : seed.appInfo) {
        app.reset();
        app.bind(1, a.type).bind(2, a.versionCode).bind(3, a.versionName);
        app.bind(4, a.versionInfo).bind(5, a.downUrl).exec();
    }
    if (tx.commit()) {
        changed(0);
        return true;
    }
    if (errorText)
        *errorText = QStringLiteral("Cannot write the seed data: %1").arg(m_db.lastError());
    return false;
}
