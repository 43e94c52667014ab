#pragma once

#include <QByteArray>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class Db;

// One prepared statement. Values are only ever bound, never spliced into the SQL text.
class Statement
{
public:
    Statement(Db &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool isValid() const { return m_stmt != nullptr; }

    // Binding is by position, starting at 1.
    Statement &bind(int index, qint64 value);
    Statement &bind(int index, int value) { return bind(index, qint64(value)); }
    Statement &bind(int index, const QString &value);
    Statement &bindBlob(int index, const QByteArray &value);
    Statement &bindNull(int index);

    // Steps once: true while a row is available.
    bool next();
    // Runs to completion: true when it finished without an error.
    bool exec();
    // Makes the statement ready to run again with new bindings.
    void reset();

    qint64 int64(int column) const;
    int integer(int column) const { return int(int64(column)); }
    QString text(int column) const;
    QByteArray blob(int column) const;
    bool isNull(int column) const;

private:
    Db &m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// A SQLite connection. Not locked: its owner serialises every use.
class Db
{
public:
    Db() = default;
    ~Db();
    Db(const Db &) = delete;
    Db &operator=(const Db &) = delete;

    bool open(const QString &path, QString *errorText);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // For statements without values (schema, pragmas, transactions).
    bool execScript(const char *sql);
    qint64 lastInsertId() const;
    int changes() const;
    QString lastError() const;

    sqlite3 *handle() const { return m_db; }
    // A failed step or bind is remembered here so that a transaction can roll back.
    void noteFailure() { m_failed = true; }
    bool takeFailure()
    {
        const bool failed = m_failed;
        m_failed = false;
        return failed;
    }

private:
    sqlite3 *m_db = nullptr;
    bool m_failed = false;
};

// Begins an immediate transaction; rolls back unless committed.
class Transaction
{
public:
    explicit Transaction(Db &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Commits when every statement since the start succeeded, else rolls back.
    bool commit();

private:
    Db &m_db;
    bool m_open = false;
};
