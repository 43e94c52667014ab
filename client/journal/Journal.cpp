#include "client/journal/Journal.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>

namespace {

const char *const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS jobs (id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL,"
    " kind TEXT NOT NULL, created TEXT NOT NULL, finished TEXT, state TEXT NOT NULL,"
    " summary TEXT NOT NULL DEFAULT '', runner TEXT, undoes INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE IF NOT EXISTS steps (id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " job INTEGER NOT NULL REFERENCES jobs(id), ord INTEGER NOT NULL,"
    " domain_id INTEGER NOT NULL DEFAULT 0, domain TEXT NOT NULL DEFAULT '',"
    " record_id INTEGER NOT NULL DEFAULT 0, op TEXT NOT NULL, before TEXT NOT NULL DEFAULT '',"
    " after TEXT NOT NULL DEFAULT '', status TEXT NOT NULL, error TEXT NOT NULL DEFAULT '',"
    " reverts INTEGER NOT NULL DEFAULT 0, forced INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX IF NOT EXISTS steps_by_job ON steps (job, ord)",
    "CREATE INDEX IF NOT EXISTS jobs_by_account ON jobs (account, id)"};

QString nowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

QString jsonText(const QJsonObject &o)
{
    // Never a null text: SQL would store NULL.
    return o.isEmpty() ? QStringLiteral("")
                       : QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject jsonObject(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

QDateTime timeOf(const QVariant &v)
{
    QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t;
}

// A text bound never as NULL: the columns are NOT NULL.
QString text(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

int nextConnection = 0;

} // namespace

Journal::Journal() : m_connection(QStringLiteral("halvik-journal-%1").arg(++nextConnection)) {}

Journal::~Journal()
{
    m_locks.clear();
    m_prepared.clear();
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString Journal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/halvik/journal.sqlite");
}

bool Journal::open(const QString &path, bool forWriting)
{
    m_path = path;
    m_error.clear();
    const QFileInfo info(path);
    if (forWriting && !QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("无法创建操作记录的目录 %1").arg(info.absolutePath());
        return false;
    }
    if (!forWriting && !info.exists()) {
        m_error = QStringLiteral("还没有操作记录 (%1)").arg(path);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_prepared.clear();
    m_writable = m_hasForced = false;
    db.close();
    db.setDatabaseName(path);
    // Another halvik process may be writing: wait for it rather than fail.
    db.setConnectOptions(forWriting ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000")
                                    : QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000;"
                                                     "QSQLITE_OPEN_READONLY"));
    const QString broken = QStringLiteral("操作记录 %1 无法使用: %2");
    if (!db.open()) {
        m_error = broken.arg(path, db.lastError().text());
        return false;
    }
    // Reading the schema is the first thing that fails on a file that is not SQLite.
    if (!exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        m_error = broken.arg(path, m_error);
        m_prepared.clear();
        db.close();
        return false;
    }
    m_hasForced = hasStepColumn(QStringLiteral("forced"));
    if (!forWriting)
        return true;
    bool ok = exec(QStringLiteral("PRAGMA journal_mode=WAL")) &&
              exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    for (const char *statement : kSchema)
        ok = ok && exec(QString::fromLatin1(statement));
    // A journal from before undo marked forced steps gains the column; its steps read unforced.
    if (ok && !hasStepColumn(QStringLiteral("forced")))
        ok = exec(QStringLiteral("ALTER TABLE steps ADD COLUMN forced INTEGER NOT NULL DEFAULT 0"));
    m_hasForced = ok;
    // A read-only file opens and reads; only a write shows it.
    ok = ok && exec(QStringLiteral("BEGIN IMMEDIATE")) && exec(QStringLiteral("COMMIT"));
    if (!ok) {
        m_error = QStringLiteral("操作记录 %1 无法写入: %2").arg(path, m_error);
        m_prepared.clear();
        db.close();
        return false;
    }
    m_writable = true;
    // Jobs whose process is gone are settled now: their readers only showed them so.
    selectJobs(QStringLiteral("state = ?"), {JobState::Running});
    return true;
}

bool Journal::isOpen() const
{
    return QSqlDatabase::contains(m_connection) &&
           QSqlDatabase::database(m_connection, false).isOpen();
}

bool Journal::exec(const QString &sql, const QVariantList &values, qint64 *insertId)
{
    auto found = m_prepared.find(sql);
    if (found == m_prepared.end()) {
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        if (!q.prepare(sql)) {
            m_error = q.lastError().text();
            return false;
        }
        found = m_prepared.insert(sql, q);
    }
    QSqlQuery &q = found.value();
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    const bool ok = q.exec();
    if (!ok)
        m_error = q.lastError().text();
    else if (insertId)
        *insertId = q.lastInsertId().toLongLong();
    // Done with its rows: a statement left active would hold the file's read lock.
    q.finish();
    return ok;
}

bool Journal::hasStepColumn(const QString &column)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("PRAGMA table_info(steps)")))
        return false;
    while (q.next()) {
        if (q.value(1).toString() == column)
            return true;
    }
    return false;
}

QString Journal::lockPath(const QString &runner) const
{
    return QFileInfo(m_path).absolutePath() + QStringLiteral("/journal-locks/") + runner +
           QStringLiteral(".lock");
}

qint64 Journal::beginJob(const QString &account, const QString &kind, const QString &summary,
                         qint64 undoes)
{
    if (!isOpen()) {
        m_error = QStringLiteral("操作记录未打开");
        return 0;
    }
    // The lock comes first, so no reader ever sees the job running without it.
    const QString runner = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(QFileInfo(lockPath(runner)).absolutePath());
    auto lock = std::make_shared<QLockFile>(lockPath(runner));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        m_error = QStringLiteral("无法锁定操作记录 %1").arg(lockPath(runner));
        return 0;
    }
    qint64 id = 0;
    if (!exec(QStringLiteral("INSERT INTO jobs (account, kind, created, state, summary, runner,"
                             " undoes) VALUES (?, ?, ?, ?, ?, ?, ?)"),
              {text(account.toLower()), text(kind), nowText(), JobState::Running, text(summary),
               runner, undoes},
              &id))
        return 0;
    m_locks.insert(id, lock);
    return id;
}

qint64 Journal::addStep(const JournalStep &step)
{
    JournalStep pending = step;
    pending.status = StepStatus::Pending;
    return addSettledStep(pending);
}

qint64 Journal::addSettledStep(const JournalStep &s)
{
    qint64 id = 0;
    if (!exec(QStringLiteral("INSERT INTO steps (job, ord, domain_id, domain, record_id, op,"
                             " before, after, status, error, reverts, forced)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
              {s.job, s.order, s.domainID, text(s.domain), s.recordID, text(s.op),
               jsonText(s.before), jsonText(s.after), text(s.status), text(s.error), s.reverts,
               s.forced ? 1 : 0},
              &id))
        return 0;
    return id;
}

bool Journal::settleStep(qint64 stepId, const QString &status, const QString &error,
                         const QJsonObject &after)
{
    if (after.isEmpty())
        return exec(QStringLiteral("UPDATE steps SET status = ?, error = ? WHERE id = ?"),
                    {text(status), text(error), stepId});
    return exec(QStringLiteral("UPDATE steps SET status = ?, error = ?, after = ?,"
                               " record_id = CASE WHEN record_id = 0 THEN ? ELSE record_id END"
                               " WHERE id = ?"),
                {text(status), text(error), jsonText(after),
                 after.value(QStringLiteral("id")).toInt(), stepId});
}

bool Journal::finishJob(qint64 jobId, const QString &state)
{
    const bool ok = exec(QStringLiteral("UPDATE jobs SET state = ?, finished = ? WHERE id = ?"),
                         {state, nowText(), jobId});
    if (ok)
        m_locks.remove(jobId);
    return ok;
}

bool Journal::markUndone(qint64 jobId)
{
    return exec(QStringLiteral("UPDATE jobs SET state = ? WHERE id = ?"),
                {JobState::Undone, jobId});
}

bool Journal::settleAbandoned(JournalJob &job, const QString &runner)
{
    if (job.state != JobState::Running || m_locks.contains(job.id))
        return false;
    QLockFile lock(lockPath(runner));
    lock.setStaleLockTime(0);
    // Held means its process still runs; a lock left by a dead process counts as stale.
    if (!lock.tryLock(0))
        return false;
    job.state = JobState::Interrupted;
    // A reader only shows it so; the next writer settles it in the file.
    if (m_writable) {
        exec(QStringLiteral("UPDATE jobs SET state = ? WHERE id = ? AND state = ?"),
             {JobState::Interrupted, job.id, JobState::Running});
        exec(QStringLiteral("UPDATE steps SET status = ? WHERE job = ? AND status = ?"),
             {StepStatus::Unknown, job.id, StepStatus::Pending});
    }
    lock.unlock();
    return true;
}

QList<JournalJob> Journal::jobs(const QString &account)
{
    const QString who = text(account.toLower());
    return selectJobs(QStringLiteral("? = '' OR account = ?"), {who, who});
}

JournalJob Journal::job(qint64 id)
{
    const QList<JournalJob> found = selectJobs(QStringLiteral("id = ?"), {id});
    return found.isEmpty() ? JournalJob() : found.first();
}

QList<JournalJob> Journal::selectJobs(const QString &where, const QVariantList &values)
{
    QList<JournalJob> result;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT id, account, kind, created, finished, state, summary, runner,"
                             " undoes FROM jobs WHERE ") +
              where + QStringLiteral(" ORDER BY id DESC"));
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return result;
    }
    QList<QString> runners;
    while (q.next()) {
        JournalJob j;
        j.id = q.value(0).toLongLong();
        j.account = q.value(1).toString();
        j.kind = q.value(2).toString();
        j.created = timeOf(q.value(3));
        if (!q.value(4).isNull())
            j.finished = timeOf(q.value(4));
        j.state = q.value(5).toString();
        j.summary = q.value(6).toString();
        j.undoes = q.value(8).toLongLong();
        runners.append(q.value(7).toString());
        result.append(j);
    }
    q.finish();
    for (int i = 0; i < result.size(); ++i) {
        JournalJob &j = result[i];
        const bool abandoned = settleAbandoned(j, runners.at(i));
        QSqlQuery c(QSqlDatabase::database(m_connection, false));
        c.prepare(QStringLiteral("SELECT status, count(*) FROM steps WHERE job = ?"
                                 " GROUP BY status"));
        c.addBindValue(j.id);
        if (c.exec()) {
            while (c.next())
                j.counts.insert(c.value(0).toString(), c.value(1).toInt());
        }
        if (abandoned && j.counts.contains(StepStatus::Pending))
            j.counts[StepStatus::Unknown] += j.counts.take(StepStatus::Pending);
        readJobFacts(j);
    }
    return result;
}

void Journal::readJobFacts(JournalJob &job)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT op, count(*) FROM steps WHERE job = ? GROUP BY op"));
    q.addBindValue(job.id);
    if (q.exec()) {
        while (q.next())
            job.ops.insert(q.value(0).toString(), q.value(1).toInt());
    }
    q.prepare(
        QStringLiteral("SELECT count(DISTINCT domain), min(domain) FROM steps WHERE job = ?"));
    q.addBindValue(job.id);
    if (q.exec() && q.next()) {
        job.domainCount = q.value(0).toInt();
        job.firstDomain = q.value(1).toString();
    }
    if (job.undoes > 0 && m_hasForced) {
        q.prepare(QStringLiteral("SELECT count(*) FROM steps WHERE job = ? AND forced = 1"
                                 " AND status = ?"));
        q.addBindValue(job.id);
        q.addBindValue(StepStatus::Done);
        if (q.exec() && q.next())
            job.forced = q.value(0).toInt();
    }
    if (job.state == JobState::Undone || job.state == JobState::Running)
        return;
    // The newest undo of it that ended short of the whole, having reverted something.
    q.prepare(QStringLiteral("SELECT j.id FROM jobs j WHERE j.undoes = ? AND j.state <> ?"
                             " AND EXISTS (SELECT 1 FROM steps s WHERE s.job = j.id"
                             " AND s.status = ?) ORDER BY j.id DESC LIMIT 1"));
    q.addBindValue(job.id);
    q.addBindValue(JobState::Running);
    q.addBindValue(StepStatus::Done);
    if (q.exec() && q.next())
        job.partlyUndoneBy = q.value(0).toLongLong();
}

QList<JournalStep> Journal::steps(qint64 jobId)
{
    QList<JournalStep> result;
    // A pending step of an interrupted job may or may not have reached the service.
    const bool interrupted = job(jobId).state == JobState::Interrupted;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    const QString forced = m_hasForced ? QStringLiteral("forced") : QStringLiteral("0");
    q.prepare(QStringLiteral("SELECT id, job, ord, domain_id, domain, record_id, op, before,"
                             " after, status, error, reverts, ") +
              forced + QStringLiteral(" FROM steps WHERE job = ? ORDER BY ord, id"));
    q.addBindValue(jobId);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return result;
    }
    while (q.next()) {
        JournalStep s;
        s.id = q.value(0).toLongLong();
        s.job = q.value(1).toLongLong();
        s.order = q.value(2).toInt();
        s.domainID = q.value(3).toInt();
        s.domain = q.value(4).toString();
        s.recordID = q.value(5).toInt();
        s.op = q.value(6).toString();
        s.before = jsonObject(q.value(7).toString());
        s.after = jsonObject(q.value(8).toString());
        s.status = q.value(9).toString();
        if (interrupted && s.status == StepStatus::Pending)
            s.status = StepStatus::Unknown;
        s.error = q.value(10).toString();
        s.reverts = q.value(11).toLongLong();
        s.forced = q.value(12).toInt() != 0;
        result.append(s);
    }
    return result;
}
