#pragma once

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QLockFile>
#include <QMap>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <memory>

// Status of a journaled step: written as pending before its request, settled after it.
namespace StepStatus {
inline const QString Pending = QStringLiteral("pending");
inline const QString Done = QStringLiteral("done");
inline const QString Failed = QStringLiteral("failed");   // the service refused
inline const QString Unknown = QStringLiteral("unknown"); // no answer: may or may not be done
inline const QString Skipped = QStringLiteral("skipped"); // not sent (changed since the preview)
inline const QString AlreadyReverted = QStringLiteral("already-reverted");
inline const QString Conflict = QStringLiteral("conflict");
} // namespace StepStatus

// State of a job. A running job whose process is gone reads as interrupted.
namespace JobState {
inline const QString Running = QStringLiteral("running");
inline const QString Done = QStringLiteral("done");
inline const QString Partial = QStringLiteral("partial");
inline const QString Stopped = QStringLiteral("stopped");
inline const QString Interrupted = QStringLiteral("interrupted");
inline const QString Undone = QStringLiteral("undone");
} // namespace JobState

struct JournalJob
{
    qint64 id = 0;
    QString account;
    QString kind; // batch-add, batch-edit, batch-delete, record, domain, zone-import, undo
    QDateTime created;
    QDateTime finished;
    QString state;
    QString summary;
    qint64 undoes = 0;         // for an undo: the job it reverts
    QMap<QString, int> counts; // steps per status
    // What the steps are about, for its summary: steps per op, and the domains they name.
    QMap<QString, int> ops;
    int domainCount = 0;
    QString firstDomain;
    // For an undo: how many of its steps overwrote a conflict and were carried out.
    int forced = 0;
    // The undo that reverted part of this job and not the rest (stopped, or some steps not
    // carried out); 0 when none did, or once the job is undone whole.
    qint64 partlyUndoneBy = 0;
};

struct JournalStep
{
    qint64 id = 0;
    qint64 job = 0;
    int order = 0;
    int domainID = 0;
    QString domain;
    int recordID = 0;
    QString op;
    QJsonObject before;
    QJsonObject after;
    QString status;
    QString error;
    qint64 reverts = 0;  // for an undo step: the step it reverts
    bool forced = false; // an undo step that overwrote a conflict
};

// The record of what halvik changed: one SQLite file shared by every halvik process of the
// user. WAL and one transaction per write, so a process killed mid-job leaves every settled step
// intact; a running job holds a lock file, so a job whose process is gone is told from one that
// still runs elsewhere.
class Journal
{
public:
    Journal();
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // halvik/journal.sqlite under the user's data folder.
    static QString defaultPath();

    // Opens (creating when missing) the journal at path. forWriting also proves that it can be
    // written, and settles the jobs whose process is gone. False with the reason in errorText().
    bool open(const QString &path, bool forWriting = true);
    bool isOpen() const;
    QString errorText() const { return m_error; }
    QString path() const { return m_path; }

    // A new running job, locked by this process until finishJob; 0 on failure.
    qint64 beginJob(const QString &account, const QString &kind, const QString &summary,
                    qint64 undoes = 0);
    // Writes step (job, order and the rest) as pending; returns its id, 0 on failure.
    qint64 addStep(const JournalStep &step);
    // Writes a step straight with its final status (a step that sends nothing).
    qint64 addSettledStep(const JournalStep &step);
    // Settles a pending step; after, when not empty, replaces the step's after-state (the id
    // the service gave a created record).
    bool settleStep(qint64 stepId, const QString &status, const QString &error,
                    const QJsonObject &after = QJsonObject());
    bool finishJob(qint64 jobId, const QString &state);
    // Marks a job undone by a later job.
    bool markUndone(qint64 jobId);

    // Jobs of account (every account when empty), newest first, with their step counts.
    QList<JournalJob> jobs(const QString &account = QString());
    // The job; id 0 when there is none.
    JournalJob job(qint64 id);
    QList<JournalStep> steps(qint64 jobId);

private:
    QList<JournalJob> selectJobs(const QString &where, const QVariantList &values);
    // The job's steps per op and the domains they name.
    void readJobFacts(JournalJob &job);
    bool exec(const QString &sql, const QVariantList &values = {}, qint64 *insertId = nullptr);
    // Whether job was left running by a process that is gone: it reads as interrupted, its
    // pending steps as unknown, and a journal open for writing settles it so in the file.
    bool settleAbandoned(JournalJob &job, const QString &runner);
    QString lockPath(const QString &runner) const;
    // Whether the file's steps table has a column (a journal written by an older halvik may
    // lack the newer ones).
    bool hasStepColumn(const QString &column);

    QString m_connection;
    // Statements prepared once per open file: a job writes two for every request.
    QHash<QString, QSqlQuery> m_prepared;
    QString m_path;
    QString m_error;
    bool m_writable = false;
    bool m_hasForced = false; // the steps table has the forced column
    QMap<qint64, std::shared_ptr<QLockFile>> m_locks;
};
