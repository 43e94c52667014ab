#pragma once

#include "localservice/storage/Db.h"
#include "localservice/storage/StorageTypes.h"

#include <QHash>

#include <functional>
#include <mutex>

// The service's state in one SQLite file. Every public call takes the lock and runs in one
// transaction, so concurrent requests see each other's changes whole or not at all. Calls that
// can be refused return the service's result code (0 = done).
class Storage
{
public:
    Storage() = default;
    Storage(const Storage &) = delete;
    Storage &operator=(const Storage &) = delete;

    bool open(const QString &path, QString *errorText);
    void close();

    QString meta(const QString &key);
    bool setMeta(const QString &key, const QString &value);
    // Writes every account, domain, record, message and news item of seed at once.
    bool import(const SeedSet &seed, QString *errorText);

    // --- Accounts -----------------------------------------------------------------------
    bool accountByEmail(const QString &email, AccountRow *out);
    bool accountByApiKey(const QString &apiKey, AccountRow *out);
    bool accountById(qint64 id, AccountRow *out);
    bool accountByWxOpenId(const QString &openId, AccountRow *out);
    // 0 when email and password match, else 1001.
    int checkPassword(const QString &email, const QString &password, AccountRow *out);
    // 0, or 1012 when the e-mail is taken. The new account gets an API key.
    int registerAccount(const QString &email, const QString &password, AccountRow *out);
    int domainCount(qint64 accountId);

    // --- Devices ------------------------------------------------------------------------
    bool device(qint64 accountId, const QString &cpuId, DeviceRow *out);
    bool addDevice(qint64 accountId, const QString &cpuId, const QString &hostName, bool authorised,
                   DeviceRow *out);
    bool setDeviceAuthorised(qint64 deviceId, bool authorised);
    QList<DeviceRow> devices();

    // --- Domains ------------------------------------------------------------------------
    Page<DomainRow> domains(qint64 accountId, int offset, int limit);
    int domain(qint64 accountId, qint64 domainId, DomainRow *out); // 2005 when unknown
    // 2001 when the account has it, 2002 when another account has it.
    int createDomain(qint64 accountId, const QString &name, int serviceId, const QString &viewType,
                     DomainRow *out);
    int setDomainLock(qint64 accountId, qint64 domainId, bool locked, DomainRow *out);
    // 2010 while the domain is locked.
    int setDomainState(qint64 accountId, qint64 domainId, int state, DomainRow *out);
    int removeDomain(qint64 accountId, qint64 domainId);
    // 3 when the group is not one of the account's (0 takes the domain out of its group).
    int setDomainGroup(qint64 accountId, qint64 domainId, qint64 groupId, DomainRow *out);

    // --- Groups -------------------------------------------------------------------------
    QList<GroupRow> groups(qint64 accountId);
    int createGroup(qint64 accountId, const QString &name, int order, GroupRow *out);
    int updateGroup(qint64 accountId, qint64 groupId, const QString &name, int order,
                    GroupRow *out); // 2 when unknown
    int removeGroup(qint64 accountId, qint64 groupId);

    // --- Records ------------------------------------------------------------------------
    Page<RecordRow> records(qint64 accountId, qint64 domainId, int offset, int limit, int *code);
    int record(qint64 accountId, qint64 domainId, qint64 recordId, RecordRow *out);
    // rec.id is set on success. 2010 locked, 3008 clashes with an existing record.
    int createRecord(qint64 accountId, qint64 domainId, RecordRow &rec);
    int updateRecord(qint64 accountId, qint64 domainId, const RecordRow &rec);
    int setRecordState(qint64 accountId, qint64 domainId, qint64 recordId, int state,
                       RecordRow *out);
    int removeRecord(qint64 accountId, qint64 domainId, qint64 recordId);

    // --- What the name servers serve --------------------------------------------------
    QList<DomainRow> allDomains();
    bool domainById(qint64 domainId, DomainRow *out);
    QList<RecordRow> domainRecords(qint64 domainId);
    // Every record of every domain, by domain: one read for a start with many domains.
    QHash<qint64, QList<RecordRow>> allRecords();
    // Told the domain after every change of what it serves (0: possibly every domain), on the
    // thread that made the change, with the storage locked: it must not call back.
    void setChangeListener(std::function<void(qint64 domainId)> listener);

    // --- Messages and service information ----------------------------------------------
    Page<NewsRow> news(int kind, int offset, int limit);
    bool newsItem(qint64 id, NewsRow *out);
    Page<MessageRow> messages(qint64 accountId, int state, int offset, int limit);
    int setMessageState(qint64 accountId, qint64 msgId, int state); // 3 when unknown
    bool appInfo(int type, AppInfoRow *out);

private:
    bool createSchema(QString *errorText);
    bool insertAccount(const SeedAccount &account, qint64 *id);
    int lockedDomain(qint64 accountId, qint64 domainId, DomainRow *out);
    bool recordClashes(const RecordRow &rec);
    void changed(qint64 domainId);

    std::mutex m_mutex;
    Db m_db;
    std::function<void(qint64)> m_changeListener;
};
