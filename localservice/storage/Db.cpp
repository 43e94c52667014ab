#include "localservice/storage/Db.h"

#include <sqlite3.h>

Statement::Statement(Db &db, const char *sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        m_stmt = nullptr;
        db.noteFailure();
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, qint64 value)
{
    if (m_stmt && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_db.noteFailure();
    return *this;
}

Statement &Statement::bind(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (m_stmt && sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(),
                                    SQLITE_TRANSIENT) != SQLITE_OK)
        m_db.noteFailure();
    return *this;
}

Statement &Statement::bindBlob(int index, const QByteArray &value)
{
    if (m_stmt && sqlite3_bind_blob(m_stmt, index, value.constData(), value.size(),
                                    SQLITE_TRANSIENT) != SQLITE_OK)
        m_db.noteFailure();
    return *this;
}

Statement &Statement::bindNull(int index)
{
    if (m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_db.noteFailure();
    return *this;
}

bool Statement::next()
{
    if (!m_stmt)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_db.noteFailure();
    return false;
}

bool Statement::exec()
{
    if (!m_stmt)
        return false;
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE) {
        m_db.noteFailure();
        return false;
    }
    return true;
}

void Statement::reset()
{
    if (!m_stmt)
        return;
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

qint64 Statement::int64(int column) const
{
    return m_stmt ? sqlite3_column_int64(m_stmt, column) : 0;
}

QString Statement::text(int column) const
{
    if (!m_stmt)
        return QString();
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

QByteArray Statement::blob(int column) const
{
    if (!m_stmt)
        return QByteArray();
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return QByteArray(data, sqlite3_column_bytes(m_stmt, column));
}

bool Statement::isNull(int column) const
{
    return !m_stmt || sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

Db::~Db()
{
    close();
}

bool Db::open(const QString &path, QString *errorText)
{
    close();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        if (errorText)
            *errorText = QStringLiteral("Cannot open database %1: %2").arg(path, lastError());
        close();
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    return true;
}

void Db::close()
{
    if (m_db)
        sqlite3_close(m_db);
    m_db = nullptr;
}

bool Db::execScript(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    noteFailure();
    return false;
}

qint64 Db::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Db::changes() const
{
    return sqlite3_changes(m_db);
}

QString Db::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("not open");
}

Transaction::Transaction(Db &db) : m_db(db)
{
    m_db.takeFailure();
    m_open = m_db.execScript("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_open)
        m_db.execScript("ROLLBACK");
    m_db.takeFailure();
}

bool Transaction::commit()
{
    if (!m_open)
        return false;
    if (m_db.takeFailure())
        return false; // the destructor rolls back
    m_open = false;
    if (m_db.execScript("COMMIT"))
        return true;
    m_db.execScript("ROLLBACK");
    return false;
}
