#include "client/journal/JobSummary.h"
#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QTemporaryDir>
#include <QtTest>

using Steps = QList<QPair<QString, QString>>; // op, domain

Q_DECLARE_METATYPE(Steps)

// A job's summary is made from its steps when shown: the same job reads in Chinese in the
// window and in English in the CLI, whatever wrote its stored summary.
class TestJobSummary : public QObject
{
    Q_OBJECT
private slots:
    void fromTheSteps_data();
    void fromTheSteps();
};

void TestJobSummary::fromTheSteps_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("undoes");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    const QString a = QStringLiteral("a.example");
    const QString b = QStringLiteral("b.example");
    QTest::newRow("one domain, two ops")
        << "batch-edit" << qint64(0)
        << Steps{{StepOps::Create, a}, {StepOps::Create, a}, {StepOps::Change, a}}
        << "a.example：新增 2，修改 1"
        << "a.example: 2 created, 1 changed";
    // Was "20 个域名：共 20 个域名：…".
    QTest::newRow("many domains") << "batch-add" << qint64(0)
                                  << Steps{{StepOps::Create, a}, {StepOps::Create, b}}
                                  << "2 个域名：新增 2"
                                  << "2 domains: 2 created";
    QTest::newRow("problems are not changes")
        << "batch-delete" << qint64(0) << Steps{{StepOps::Delete, a}, {StepOps::NotFound, b}}
        << "2 个域名：删除 1"
        << "2 domains: 1 deleted";
    QTest::newRow("nothing sent") << "batch-delete" << qint64(0) << Steps{{StepOps::NotFound, a}}
                                  << "a.example：无改动"
                                  << "a.example: no changes";
    QTest::newRow("a domain action names the domain")
        << "domain" << qint64(0) << Steps{{StepOps::DomainLock, a}} << "锁定 a.example"
        << "locked a.example";
    QTest::newRow("undo") << "undo" << qint64(7) << Steps{{StepOps::Delete, a}}
                          << "撤销 #7：a.example：删除 1"
                          << "undo #7: a.example: 1 deleted";
    QTest::newRow("no steps keep the stored text") << "record" << qint64(0) << Steps{} << "stored"
                                                   << "stored";
}

void TestJobSummary::fromTheSteps()
{
    QFETCH(QString, kind);
    QFETCH(qint64, undoes);
    QFETCH(Steps, steps);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    QTemporaryDir dir;
    Journal journal;
    QVERIFY(journal.open(dir.filePath(QStringLiteral("journal.sqlite"))));
    const qint64 id =
        journal.beginJob(QStringLiteral("me@example.com"), kind, QStringLiteral("stored"), undoes);
    QVERIFY(id);
    int order = 0;
    for (const auto &s : steps) {
        JournalStep step;
        step.job = id;
        step.order = order++;
        step.op = s.first;
        step.domain = s.second;
        step.status = StepStatus::Done;
        QVERIFY(journal.addSettledStep(step));
    }
    QVERIFY(journal.finishJob(id, JobState::Done));
    const JournalJob job = journal.job(id);
    QCOMPARE(jobSummary(job, SummaryLanguage::Chinese), chinese);
    QCOMPARE(jobSummary(job, SummaryLanguage::English), english);
}

QTEST_MAIN(TestJobSummary)
#include "tst_jobsummary.moc"
