#pragma once

#include "client/RecordChange.h"
#include "client/Types.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <memory>
#include <optional>

class QSqlQuery;
class DomainNameForm;

// One domain as the copy knows it.
struct CopyDomain
{
    int id = 0;
    QString name;
    QDateTime fetched; // when its records were last read whole (UTC); invalid = never
    QString error;     // why the last read failed; empty after a good read
};

// One record found by a search, with its domain and the age of the domain's copy.
struct CopyHit
{
    int domainID = 0;
    QString domain;
    QDateTime fetched;
    int id = 0;
    QString host;
    QString type;
    QString value;
    int lineID = 0;
    QString lineName;
    int ttl = 0;
    int mx = 0;
    int state = 0;
};

// What to look for: exact (a value, a host or a full name), a substring, or an address range
// (text with "/"), narrowed by type and line.
struct SearchQuery
{
    QString text;
    bool contains = false;
    QString type;    // empty = every type
    int lineID = -1; // negative = every line
};

// Whether query can be run; false with the reason (empty text, a malformed range).
bool checkSearchQuery(const SearchQuery &query, QString &error);

// The local copy of accounts' domains and records, in SQLite: one file shared by the window
// and halvik-cli, every account in it apart (keyed by its e-mail in lower case). Every write is
// one transaction, so a run cut off keeps what it finished. Not thread-safe: use it on one
// thread.
class LocalCopy
{
public:
    LocalCopy();
    ~LocalCopy();
    LocalCopy(const LocalCopy &) = delete;
    LocalCopy &operator=(const LocalCopy &) = delete;

    // halvik/copy.sqlite in the generic data folder, beside the journal.
    static QString defaultPath();

    // Opens (or creates) the file. A file that is not a readable copy is set aside as
    // "<path>.damaged" and a new one made, and notice() says so. False with errorText() when
    // the file cannot be used at all.
    bool open(const QString &path = defaultPath());
    void close();
    bool isOpen() const { return m_db.isOpen(); }
    QString path() const { return m_path; }
    QString errorText() const { return m_error; }
    // A message for the user about what open() had to do; empty when nothing.
    QString notice() const { return m_notice; }

    // Chooses the account every other call works on (the e-mail, any case).
    bool setAccount(const QString &email);
    QString account() const { return m_email; }
    static QString accountKey(const QString &email) { return email.trimmed().toLower(); }

    // --- What the copy holds ---------------------------------------------------------------
    // When the account's domain list was last read whole; invalid = never (no copy yet).
    QDateTime listedAt() const;
    QList<CopyDomain> domains() const;      // by name
    QList<CopyDomain> stalestFirst() const; // never read first, then oldest read
    int domainCount() const;
    int recordCount() const;

    // --- Writes -------------------------------------------------------------------------------
    // Domains read from the service. Only a complete list removes the domains not in it
    // (with their records); a partial one only adds and renames.
    bool storeDomains(const QList<CopyDomain> &domains, bool complete);
    bool removeDomain(int domainID);
    // Replaces all records of a domain, read whole at fetched.
    bool storeRecords(int domainID, const QList<Record> &records, const QDateTime &fetched);
    // storeRecords() put off until flushDeferred(), or until the next write (or the next
    // deferred store) comes first: no write overtakes it, so a change made after the read is
    // not undone by the read's late store. Reads of the copy see the records once written.
    void storeRecordsLater(int domainID, QList<Record> records, const QDateTime &fetched);
    bool hasDeferred() const { return m_deferred.has_value(); }
    // Writes what is put off; false with errorText() when that write failed, or one put off
    // earlier and written on the way of another write.
    bool flushDeferred();
    // Notes that reading a domain's records failed; its records stay as they were.
    bool storeReadError(int domainID, const QString &error);
    // Follows a change made on the service; lineName is the name of the new line, if any.
    bool applyChange(const RecordChange &change, const QString &lineName = QString());

    // --- Search ---------------------------------------------------------------------------
    // Hits ordered by domain, host, type; false with error for a bad query or a failed read.
    bool search(const SearchQuery &query, QVector<CopyHit> &hits, QString &error) const;

private:
    bool openFile(bool &damaged);
    bool switchToWal(QSqlQuery &q);
    bool createSchema(bool &damaged);
    bool fail(const QString &what, const class QSqlError &error);
    bool putRecord(int domainID, const QString &domainName, const Record &r);
    // A record's host and full name in the forms searches compare ("@" for the apex).
    struct RecordNames
    {
        QString host;
        QString fullName;
    };
    static RecordNames recordNames(const DomainNameForm &domain, const QString &host);
    bool putRecord(int domainID, const Record &r, const RecordNames &names);
    QString domainName(int domainID) const;
    void writeDeferred();

    struct DeferredStore
    {
        int domainID = 0;
        QList<Record> records;
        QDateTime fetched;
    };
    std::optional<DeferredStore> m_deferred;
    QString m_deferredError; // the first deferred store that failed, until flushDeferred()

    QSqlDatabase m_db;
    // Prepared once per open file: a refresh runs them for every domain and record.
    std::unique_ptr<QSqlQuery> m_insert;
    std::unique_ptr<QSqlQuery> m_deleteRecord;
    std::unique_ptr<QSqlQuery> m_heldRecords;
    std::unique_ptr<QSqlQuery> m_markFetched;
    mutable std::unique_ptr<QSqlQuery> m_findName;
    QString m_connection;
    QString m_path;
    QString m_error;
    QString m_notice;
    QString m_email;
    qint64 m_account = 0;
};
