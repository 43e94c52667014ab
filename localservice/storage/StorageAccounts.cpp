#include "localservice/storage/PasswordHash.h"
#include "localservice/storage/Storage.h"

#include <QDateTime>

namespace {

#define ACCOUNT_SELECT                                                                             \
    "SELECT id, email, nickname, api_key, api_secret, wx_openid, auto_authorise, created "         \
    "FROM accounts WHERE "
constexpr const char *kByEmail = ACCOUNT_SELECT "email = ?";
constexpr const char *kByApiKey = ACCOUNT_SELECT "api_key = ?";
constexpr const char *kById = ACCOUNT_SELECT "id = ?";
constexpr const char *kByWxOpenId = ACCOUNT_SELECT "wx_openid = ?";
#undef ACCOUNT_SELECT

AccountRow readAccount(const Statement &q)
{
    AccountRow a;
    a.id = q.int64(0);
    a.email = q.text(1);
    a.nickname = q.text(2);
    a.apiKey = q.text(3);
    a.apiSecret = q.text(4);
    a.wxOpenId = q.text(5);
    a.autoAuthoriseDevices = q.int64(6) != 0;
    a.created = q.int64(7);
    return a;
}

template <typename T>
bool findAccount(Db &db, const char *sql, const T &key, AccountRow *out)
{
    Statement q(db, sql);
    q.bind(1, key);
    if (!q.next())
        return false;
    if (out)
        *out = readAccount(q);
    return true;
}

DeviceRow readDevice(const Statement &q)
{
    DeviceRow d;
    d.id = q.int64(0);
    d.accountId = q.int64(1);
    d.cpuId = q.text(2);
    d.hostName = q.text(3);
    d.authorised = q.int64(4) != 0;
    d.created = q.int64(5);
    return d;
}

} // namespace

bool Storage::accountByEmail(const QString &email, AccountRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return findAccount(m_db, kByEmail, email, out);
}

bool Storage::accountByApiKey(const QString &apiKey, AccountRow *out)
{
    if (apiKey.isEmpty())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return findAccount(m_db, kByApiKey, apiKey, out);
}

bool Storage::accountById(qint64 id, AccountRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return findAccount(m_db, kById, id, out);
}

bool Storage::accountByWxOpenId(const QString &openId, AccountRow *out)
{
    if (openId.isEmpty())
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    return findAccount(m_db, kByWxOpenId, openId, out);
}

int Storage::checkPassword(const QString &email, const QString &password, AccountRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, pw_salt, pw_hash FROM accounts WHERE email = ?");
    q.bind(1, email);
    if (!q.next())
        return 1001;
    const qint64 id = q.int64(0);
    if (!sameBytes(hashPassword(password, q.blob(1)), q.blob(2)))
        return 1001;
    return findAccount(m_db, kById, id, out) ? 0 : 2;
}

int Storage::registerAccount(const QString &email, const QString &password, AccountRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    if (findAccount(m_db, kByEmail, email, nullptr))
        return 1012;
    SeedAccount account;
    account.email = email;
    account.password = password;
    account.autoAuthoriseDevices = false;
    qint64 id = 0;
    if (!insertAccount(account, &id) || !tx.commit())
        return 2;
    findAccount(m_db, kById, id, out);
    return 0;
}

int Storage::domainCount(qint64 accountId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT COUNT(*) FROM domains WHERE account_id = ?");
    q.bind(1, accountId);
    return q.next() ? q.integer(0) : 0;
}

bool Storage::device(qint64 accountId, const QString &cpuId, DeviceRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, account_id, cpuid, hostname, authorised, created FROM devices "
                      "WHERE account_id = ? AND cpuid = ?");
    q.bind(1, accountId).bind(2, cpuId);
    if (!q.next())
        return false;
    if (out)
        *out = readDevice(q);
    return true;
}

bool Storage::addDevice(qint64 accountId, const QString &cpuId, const QString &hostName,
                        bool authorised, DeviceRow *out)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    // Registering a device again only renames it: its authorisation is the owner's decision.
    Statement q(m_db, "INSERT INTO devices(account_id, cpuid, hostname, authorised, created) "
                      "VALUES(?, ?, ?, ?, ?) ON CONFLICT(account_id, cpuid) DO UPDATE SET "
                      "hostname = excluded.hostname");
    q.bind(1, accountId).bind(2, cpuId).bind(3, hostName).bind(4, authorised ? 1 : 0);
    q.bind(5, QDateTime::currentSecsSinceEpoch()).exec();
    if (!tx.commit())
        return false;
    if (out) {
        Statement r(m_db, "SELECT id, account_id, cpuid, hostname, authorised, created "
                          "FROM devices WHERE account_id = ? AND cpuid = ?");
        r.bind(1, accountId).bind(2, cpuId);
        if (r.next())
            *out = readDevice(r);
    }
    return true;
}

bool Storage::setDeviceAuthorised(qint64 deviceId, bool authorised)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Transaction tx(m_db);
    Statement q(m_db, "UPDATE devices SET authorised = ? WHERE id = ?");
    q.bind(1, authorised ? 1 : 0).bind(2, deviceId).exec();
    const bool changed = m_db.changes() > 0;
    return tx.commit() && changed;
}

QList<DeviceRow> Storage::devices()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Statement q(m_db, "SELECT id, account_id, cpuid, hostname, authorised, created FROM devices "
                      "ORDER BY id");
    QList<DeviceRow> out;
    while (q.next())
        out.append(readDevice(q));
    return out;
}
