#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// What the file itself holds for job: its state and the status of its last step.
QString storedStates(const QString &path, qint64 job)
{
    QString result;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT state FROM jobs WHERE id = %1").arg(job));
            if (q.next())
                result = q.value(0).toString();
            q.exec(QStringLiteral("SELECT status FROM steps WHERE job = %1 ORDER BY ord DESC")
                       .arg(job));
            if (q.next())
                result += QLatin1Char(' ') + q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return result;
}

} // namespace

// The SQLite journal: what it keeps, how it refuses a file it cannot use, and what a job cut
// off by a killed process looks like afterwards.
class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void stepsRoundTrip();
    void unusableFiles_data();
    void unusableFiles();
    void killedJobIsInterruptedWithSettledStepsIntact();
    void undoMarksForcedAndPartlyUndone();

private:
    QTemporaryDir m_dir;
};

void TestJournal::stepsRoundTrip()
{
    const QString path = m_dir.filePath(QStringLiteral("round/journal.sqlite"));
    qint64 job = 0;
    {
        Journal journal;
        QVERIFY2(journal.open(path), qPrintable(journal.errorText()));
        job = journal.beginJob(QStringLiteral("Ops@Example.com"), QStringLiteral("batch-add"),
                               QStringLiteral("add www"));
        QVERIFY(job > 0);
        JournalStep create;
        create.job = job;
        create.order = 1;
        create.domain = QStringLiteral("工作.cn");
        create.domainID = 12;
        create.op = QStringLiteral("create");
        create.after = QJsonObject{{QStringLiteral("host"), QStringLiteral("www")},
                                   {QStringLiteral("value"), QStringLiteral("1.2.3.4")}};
        const qint64 step = journal.addStep(create);
        QVERIFY(step > 0);
        QCOMPARE(journal.job(job).state, JobState::Running);
        // The service's id for the new record reaches the step.
        QJsonObject made = create.after;
        made.insert(QStringLiteral("id"), 777);
        QVERIFY(journal.settleStep(step, StepStatus::Done, QString(), made));
        JournalStep refused = create;
        refused.order = 2;
        refused.status = StepStatus::Failed;
        refused.error = QStringLiteral("记录已存在");
        QVERIFY(journal.addSettledStep(refused) > 0);
        QVERIFY(journal.finishJob(job, JobState::Partial));
    }
    Journal again;
    QVERIFY(again.open(path, false));
    const JournalJob j = again.job(job);
    QCOMPARE(j.account, QStringLiteral("ops@example.com"));
    QCOMPARE(j.state, JobState::Partial);
    QVERIFY(j.finished.isValid());
    QCOMPARE(j.counts.value(StepStatus::Done), 1);
    QCOMPARE(j.counts.value(StepStatus::Failed), 1);
    const QList<JournalStep> steps = again.steps(job);
    QCOMPARE(steps.size(), 2);
    QCOMPARE(steps.at(0).domain, QStringLiteral("工作.cn"));
    QCOMPARE(steps.at(0).recordID, 777);
    QCOMPARE(steps.at(0).after.value(QStringLiteral("id")).toInt(), 777);
    QVERIFY(steps.at(0).before.isEmpty());
    QCOMPARE(steps.at(1).error, QStringLiteral("记录已存在"));
    QCOMPARE(again.jobs(QStringLiteral("other@example.com")).size(), 0);
    QCOMPARE(again.jobs(QStringLiteral("OPS@example.com")).size(), 1);
    QCOMPARE(again.job(job + 100).id, qint64(0));
}

void TestJournal::unusableFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("not sqlite") << QStringLiteral("garbage");
    QTest::newRow("read-only") << QStringLiteral("readonly");
    QTest::newRow("a folder") << QStringLiteral("folder");
}

void TestJournal::unusableFiles()
{
    QFETCH(QString, kind);
    const QString path = m_dir.filePath(kind + QStringLiteral(".sqlite"));
    if (kind == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else {
        if (::geteuid() == 0)
            QSKIP("file permissions do not bind root");
        {
            Journal j;
            QVERIFY(j.open(path));
        }
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    Journal journal;
    const bool opened = journal.open(path);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!opened);
    QVERIFY(journal.errorText().contains(path));
    // Nothing can be begun on it.
    QCOMPARE(journal.beginJob(QStringLiteral("a@b.cn"), QStringLiteral("record"), QString()),
             qint64(0));
    if (kind == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(4096, 'x'));
    }
}

void TestJournal::killedJobIsInterruptedWithSettledStepsIntact()
{
    const QString path = m_dir.filePath(QStringLiteral("killed/journal.sqlite"));
    QProcess child;
    child.start(QStringLiteral(HALVIK_JOURNAL_CHILD), {path});
    QVERIFY(child.waitForStarted(30000));
    while (!child.canReadLine() && child.state() == QProcess::Running)
        child.waitForReadyRead(30000);
    const QByteArray line = child.readLine().trimmed();
    QVERIFY2(line.startsWith("ready "), line.constData());
    const qint64 job = line.mid(6).toLongLong();

    Journal beside;
    QVERIFY(beside.open(path));
    // Its process still runs: running, not interrupted, its pending step still pending.
    QCOMPARE(beside.job(job).state, JobState::Running);
    QCOMPARE(beside.job(job).counts.value(StepStatus::Pending), 1);

    child.kill(); // SIGKILL: no chance to settle or finish anything
    QVERIFY(child.waitForFinished(30000));

    // A reader cannot write, yet shows the job as it is: interrupted, its last step unknown.
    {
        Journal reader;
        QVERIFY(reader.open(path, false));
        const JournalJob j = reader.job(job);
        QCOMPARE(j.state, JobState::Interrupted);
        QCOMPARE(j.counts.value(StepStatus::Pending), 0);
        QCOMPARE(j.counts.value(StepStatus::Unknown), 1);
        QCOMPARE(reader.steps(job).at(2).status, StepStatus::Unknown);
        QCOMPARE(storedStates(path, job), QStringLiteral("running pending"));
    }
    // The next journal opened for writing settles it in the file, before any job is read.
    {
        Journal writer;
        QVERIFY(writer.open(path));
        QCOMPARE(storedStates(path, job), QStringLiteral("interrupted unknown"));
    }

    Journal after;
    QVERIFY(after.open(path));
    const JournalJob j = after.job(job);
    QCOMPARE(j.state, JobState::Interrupted);
    const QList<JournalStep> steps = after.steps(job);
    QCOMPARE(steps.size(), 3);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(steps.at(i).status, StepStatus::Done);
        QCOMPARE(steps.at(i).after.value(QStringLiteral("value")).toString(),
                 QStringLiteral("2.2.2.%1").arg(i + 1));
    }
    QCOMPARE(steps.at(2).status, StepStatus::Unknown);
    QCOMPARE(steps.at(2).before.value(QStringLiteral("value")).toString(),
             QStringLiteral("1.1.1.3"));
    // It stays so for every reader after.
    QCOMPARE(beside.job(job).state, JobState::Interrupted);
}

// A journal written before forced steps were kept reads as it was and gains the column when
// written; an undo's forced steps are counted, and a job an undo reverted only in part says by
// which until a later undo reverts the rest.
void TestJournal::undoMarksForcedAndPartlyUndone()
{
    const QString path = m_dir.filePath(QStringLiteral("older/journal.sqlite"));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral(
            "CREATE TABLE jobs (id INTEGER PRIMARY KEY AUTOINCREMENT, account TEXT NOT NULL,"
            " kind TEXT NOT NULL, created TEXT NOT NULL, finished TEXT, state TEXT NOT NULL,"
            " summary TEXT NOT NULL DEFAULT '', runner TEXT, undoes INTEGER NOT NULL DEFAULT 0)")));
        QVERIFY(q.exec(QStringLiteral(
            "CREATE TABLE steps (id INTEGER PRIMARY KEY AUTOINCREMENT, job INTEGER NOT NULL,"
            " ord INTEGER NOT NULL, domain_id INTEGER NOT NULL DEFAULT 0,"
            " domain TEXT NOT NULL DEFAULT '', record_id INTEGER NOT NULL DEFAULT 0,"
            " op TEXT NOT NULL, before TEXT NOT NULL DEFAULT '', after TEXT NOT NULL DEFAULT '',"
            " status TEXT NOT NULL, error TEXT NOT NULL DEFAULT '',"
            " reverts INTEGER NOT NULL DEFAULT 0)")));
        QVERIFY(q.exec(QStringLiteral("INSERT INTO jobs (account, kind, created, finished, state)"
                                      " VALUES ('a@b.cn', 'batch-add', '2026-01-01T00:00:00Z',"
                                      " '2026-01-01T00:00:01Z', 'done')")));
        for (int ord = 1; ord <= 2; ++ord)
            QVERIFY(q.exec(QStringLiteral("INSERT INTO steps (job, ord, domain, op, status)"
                                          " VALUES (1, %1, 'a.cn', 'create', 'done')")
                               .arg(ord)));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    {
        Journal reading;
        QVERIFY2(reading.open(path, false), qPrintable(reading.errorText()));
        QCOMPARE(reading.steps(1).size(), 2);
        QVERIFY(!reading.steps(1).first().forced);
        QCOMPARE(reading.job(1).partlyUndoneBy, qint64(0));
    }

    Journal journal;
    QVERIFY2(journal.open(path), qPrintable(journal.errorText()));
    const auto undo = [&journal](const QStringList &statuses, const QString &state) {
        const qint64 id =
            journal.beginJob(QStringLiteral("a@b.cn"), QStringLiteral("undo"), QString(), 1);
        for (int i = 0; i < statuses.size(); ++i) {
            JournalStep s;
            s.job = id;
            s.order = i + 1;
            s.domain = QStringLiteral("a.cn");
            s.op = StepOps::Delete;
            s.status = statuses.at(i);
            s.forced = i == 0;
            journal.addSettledStep(s);
        }
        journal.finishJob(id, state);
        if (state == JobState::Done)
            journal.markUndone(1);
        return id;
    };
    // An undo that reverted nothing leaves the job as it was.
    undo({StepStatus::Failed}, JobState::Partial);
    QCOMPARE(journal.job(1).partlyUndoneBy, qint64(0));
    const qint64 part = undo({StepStatus::Done, StepStatus::Conflict}, JobState::Partial);
    QCOMPARE(journal.job(1).partlyUndoneBy, part);
    QCOMPARE(journal.job(part).forced, 1);
    QVERIFY(journal.steps(part).first().forced);
    QVERIFY(!journal.steps(part).last().forced);
    undo({StepStatus::AlreadyReverted, StepStatus::Done}, JobState::Done);
    QCOMPARE(journal.job(1).state, JobState::Undone);
    QCOMPARE(journal.job(1).partlyUndoneBy, qint64(0));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
