#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/JobSteps.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/Previews.h"
#include "client/plan/RecordJson.h"
#include "localservice/server/Faults.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/Storage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

ChangePlan preview(User &user, const BatchRequest &request, const QStringList &names)
{
    BatchPreview p(user, request, names);
    if (!p.begin())
        return ChangePlan();
    while (!p.atEnd())
        p.runNext();
    return p.plan();
}

ChangePlan undoPlan(User &user, Journal &journal, qint64 job, QString *error = nullptr)
{
    UndoPreview p(user, journal, job, false);
    if (!p.begin()) {
        if (error)
            *error = p.errorText();
        return ChangePlan();
    }
    while (!p.atEnd())
        p.runNext();
    return p.plan();
}

QString run(User &user, Journal &journal, const ChangePlan &plan, const QString &kind,
            qint64 undoes = 0, JournalRunner *keep = nullptr)
{
    JournalRunner local(user, journal);
    JournalRunner &runner = keep ? *keep : local;
    if (!runner.start(plan, kind, QString(), journalAccount(user), undoes))
        return runner.errorText();
    while (!runner.atEnd())
        runner.runNext();
    return runner.finish();
}

// The domain's records now, read by a second client.
QList<Record> recordsOf(User &user, const QString &name)
{
    user.getDomain();
    Domain *dm = user.domain2ptr(name);
    QList<Record> list;
    if (!dm || !user.getRecord(dm))
        return list;
    for (const Record &r : dm->records)
        list.append(r);
    return list;
}

QList<Record> withHost(const QList<Record> &records, const QString &host)
{
    QList<Record> found;
    for (const Record &r : records) {
        if (r.host == host)
            found.append(r);
    }
    return found;
}

} // namespace

// Jobs against the stand-in service, run in this process: the fresh look before each domain,
// unknown outcomes, and undo with what changed in between.
class TestJournalJobs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void changedSincePreviewIsSkipped();
    void stepsNotRunSayWhy();
    void unknownOutcomeIsNeverGuessed();
    void deadNetworkStopsAfterThreeInARow();
    void deletedDomainComesBack_data();
    void deletedDomainComesBack();
    void planReadsEveryPageOfALargeDomain();
    void deletionKeepsEveryPageOfRecords();
    void ownCallsSettledByWhatCameBack();
    void runShowsProgressAndStopsBetweenDomains();

private:
    RecordingPresenter m_presenter;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<QTemporaryDir> m_dir;
    User m_user;
    User m_other; // changes things behind the job's back
    Journal m_journal;
};

// A plan must not act on part of a domain's records: the one asked for is beyond the first
// list a read returns (999 records).
void TestJournalJobs::planReadsEveryPageOfALargeDomain()
{
    const QString name = QStringLiteral("halvik-demo.com");
    QVERIFY(m_user.getDomain() > 0);
    const int domainId = m_user.domain2dmid(name);
    QVERIFY(domainId > 0);
    QVERIFY(m_service->storeDemoRecords(name, 1000));
    Storage &storage = m_service->service().storage();
    AccountRow account;
    QVERIFY(storage.accountByEmail(LocalServiceFixture::demoEmail(), &account));
    RecordRow far;
    far.host = QStringLiteral("far");
    far.type = QStringLiteral("A");
    far.value = QStringLiteral("10.9.9.9");
    QCOMPARE(storage.createRecord(account.id, domainId, far), 0);

    BatchRequest add;
    add.match = RecordPattern{far.type, far.host, 0, far.value};
    // Already there: no second copy of it is planned.
    QCOMPARE(preview(m_user, add, {name}).counts().value(StepOps::Create), 0);
    BatchRequest remove = add;
    remove.kind = BatchRequest::Delete;
    const ChangePlan plan = preview(m_user, remove, {name});
    QCOMPARE(plan.counts().value(StepOps::Delete), 1);
    QCOMPARE(run(m_user, m_journal, plan, QStringLiteral("batch-delete")), JobState::Done);
}

void TestJournalJobs::initTestCase()
{
    User::setMsgPresenter(&m_presenter);
}

void TestJournalJobs::init()
{
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    QVERIFY(m_service->loginDemo(m_user));
    QVERIFY(m_service->loginDemo(m_other));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_journal.open(m_dir->filePath(QStringLiteral("journal.sqlite"))));
}

void TestJournalJobs::cleanup()
{
    m_service.reset();
}

void TestJournalJobs::changedSincePreviewIsSkipped()
{
    const QStringList names{QStringLiteral("halvik-demo.com"), QStringLiteral("harbor-demo.com")};
    BatchRequest add;
    add.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("jr"), 0, QStringLiteral("10.1.1.1")};
    QCOMPARE(run(m_user, m_journal, preview(m_user, add, names), QStringLiteral("batch-add")),
             JobState::Done);

    BatchRequest edit = add;
    edit.kind = BatchRequest::Edit;
    edit.newValue = QStringLiteral("10.2.2.2");
    const ChangePlan plan = preview(m_user, edit, names);
    QCOMPARE(plan.counts().value(StepOps::Change), 2);
    // The preview changed nothing.
    QCOMPARE(withHost(recordsOf(m_other, names.at(0)), QStringLiteral("jr")).first().value,
             QStringLiteral("10.1.1.1"));

    // Someone adds a record to the second domain between preview and apply.
    QVERIFY(m_other.addRecord(m_other.domain2dmid(names.at(1)), QStringLiteral("10.9.9.9"),
                              QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("other")));
    JournalRunner runner(m_user, m_journal);
    QCOMPARE(run(m_user, m_journal, plan, QStringLiteral("batch-edit"), 0, &runner),
             JobState::Partial);
    QCOMPARE(runner.outcomes().size(), 2);
    QCOMPARE(runner.outcomes().at(0).status, StepStatus::Done);
    QCOMPARE(runner.outcomes().at(1).status, StepStatus::Skipped);
    QCOMPARE(runner.outcomes().at(1).error, QStringLiteral("预览后已有改动"));
    QCOMPARE(outcomeSummary(runner.outcomes()),
             QStringLiteral("已完成 1 步，失败 0 步，1 步因预览后记录已变更而跳过"));
    QCOMPARE(withHost(recordsOf(m_other, names.at(0)), QStringLiteral("jr")).first().value,
             QStringLiteral("10.2.2.2"));
    QCOMPARE(withHost(recordsOf(m_other, names.at(1)), QStringLiteral("jr")).first().value,
             QStringLiteral("10.1.1.1"));
}

// A step the plan itself held back, and a domain that could not be read again right before its
// change, are told as such, not as records changed since the preview.
void TestJournalJobs::stepsNotRunSayWhy()
{
    const QStringList names{QStringLiteral("halvik-demo.com"), QStringLiteral("harbor-demo.com"),
                            QStringLiteral("maple-demo.com")};
    BatchRequest add;
    add.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("why"), 0, QStringLiteral("10.5.5.5")};
    QCOMPARE(
        run(m_user, m_journal, preview(m_user, add, names.mid(0, 2)), QStringLiteral("batch-add")),
        JobState::Done);
    BatchRequest edit = add;
    edit.kind = BatchRequest::Edit;
    edit.newValue = QStringLiteral("10.6.6.6");
    // The third domain has no such record: the plan holds that step back.
    const ChangePlan plan = preview(m_user, edit, names);
    QCOMPARE(plan.counts().value(StepOps::Change), 2);

    // The second domain's fresh look is refused.
    Fault refused;
    refused.kind = FaultKind::Http500;
    refused.skip = 1;
    refused.times = 1;
    m_service->setFault(QStringLiteral("/api/record/list/"), refused);
    JournalRunner runner(m_user, m_journal);
    QCOMPARE(run(m_user, m_journal, plan, QStringLiteral("batch-edit"), 0, &runner),
             JobState::Partial);
    m_service->clearFaults();
    QCOMPARE(outcomeSummary(runner.outcomes()),
             QStringLiteral("已完成 1 步，失败 0 步，1 步因无法再次读取记录而跳过，"
                            "1 步有冲突或问题，未执行"));
}

void TestJournalJobs::unknownOutcomeIsNeverGuessed()
{
    const QString name = QStringLiteral("maple-demo.com");
    BatchRequest add;
    add.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("u"), 0, QStringLiteral("10.3.3.3")};
    add.ttl = 300;
    Fault drop;
    drop.kind = FaultKind::Drop;
    m_service->setFault(QStringLiteral("/api/record/create/"), drop);
    JournalRunner runner(m_user, m_journal);
    QCOMPARE(run(m_user, m_journal, preview(m_user, add, {name}), QStringLiteral("batch-add"), 0,
                 &runner),
             JobState::Partial);
    m_service->clearFaults();
    QVERIFY(runner.networkFailed());
    const QList<JournalStep> steps = m_journal.steps(runner.jobId());
    QCOMPARE(steps.size(), 1);
    QCOMPARE(steps.first().status, StepStatus::Unknown);

    // It did not happen: undo finds the record absent and calls the step already reverted.
    ChangePlan undo = undoPlan(m_user, m_journal, runner.jobId());
    QCOMPARE(undo.counts().value(StepOps::AlreadyReverted), 1);

    // Had it happened (someone added the same record), undo takes it away.
    QVERIFY(m_other.addRecord(m_other.domain2dmid(name), QStringLiteral("10.3.3.3"),
                              QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("u"),
                              QStringLiteral("300"), QStringLiteral("10")));
    undo = undoPlan(m_user, m_journal, runner.jobId());
    QCOMPARE(undo.counts().value(StepOps::Delete), 1);
    QCOMPARE(run(m_user, m_journal, undo, QStringLiteral("undo"), runner.jobId()), JobState::Done);
    QVERIFY(withHost(recordsOf(m_other, name), QStringLiteral("u")).isEmpty());
    QCOMPARE(m_journal.job(runner.jobId()).state, JobState::Undone);
    QString refusal;
    undoPlan(m_user, m_journal, runner.jobId(), &refusal);
    QVERIFY(refusal.contains(QStringLiteral("已撤销过")));
}

// A service that stops answering: three requests without an answer in a row and the job gives
// up, the rest journaled as skipped instead of each waiting out its time limit.
void TestJournalJobs::deadNetworkStopsAfterThreeInARow()
{
    m_user.getDomain();
    QStringList names;
    for (const Domain &dm : m_user.domains) {
        if (dm.state == 0 && dm.userLock == 0)
            names.append(dm.name);
    }
    QVERIFY(names.size() >= 5);
    names = names.mid(0, 5);
    BatchRequest add;
    add.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("dn"), 0, QStringLiteral("10.4.4.4")};
    const ChangePlan plan = preview(m_user, add, names);
    QCOMPARE(plan.counts().value(StepOps::Create), 5);

    Fault drop;
    drop.kind = FaultKind::Drop;
    const QString create = QStringLiteral("/api/record/create/");
    m_service->setFault(create, drop);
    JournalRunner runner(m_user, m_journal);
    QCOMPARE(run(m_user, m_journal, plan, QStringLiteral("batch-add"), 0, &runner),
             JobState::Stopped);
    QCOMPARE(m_service->service().faults().struck(create), 3);
    m_service->clearFaults();
    QVERIFY(runner.gaveUp());
    QCOMPARE(runner.stoppedAt(), 3);
    QStringList statuses;
    for (const JournalStep &step : m_journal.steps(runner.jobId()))
        statuses.append(step.status);
    QCOMPARE(statuses, (QStringList{StepStatus::Unknown, StepStatus::Unknown, StepStatus::Unknown,
                                    StepStatus::Skipped, StepStatus::Skipped}));
    QVERIFY2(m_journal.steps(runner.jobId()).last().error.contains(QStringLiteral("3/5")),
             qPrintable(m_journal.steps(runner.jobId()).last().error));
    // Told as it happened: no answer, then not run; nothing had changed since the preview.
    QCOMPARE(outcomeSummary(runner.outcomes()),
             QStringLiteral("已完成 0 步，失败 0 步，3 步无应答，结果未知，"
                            "2 步因服务无应答、任务停止而未执行"));

    // The preview before it likewise: reads stop after the third without an answer.
    const QString list = QStringLiteral("/api/record/list/");
    m_service->setFault(list, drop);
    BatchPreview reading(m_user, add, names);
    QVERIFY(reading.begin());
    while (!reading.atEnd())
        reading.runNext();
    // Three reads without an answer; a read (never a change) may be asked once more on a fresh
    // connection when the kept-alive one it went out on was closed under it.
    const int reads = m_service->service().faults().struck(list);
    QVERIFY2(reads == 3 || reads == 4, qPrintable(QString::number(reads)));
    m_service->clearFaults();
    QVERIFY(reading.gaveUp());
    QVERIFY(reading.networkFailed());
    const ChangePlan unread = reading.plan();
    QCOMPARE(unread.counts().value(StepOps::Problem), 5);
    QVERIFY(unread.domains.last().steps.first().problem.contains(QStringLiteral("未再读取")));
}

void TestJournalJobs::deletedDomainComesBack_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("as it was") << false;
    // Locked when it went (a service that lets a locked domain go): locked again once its
    // records are back, which the lock would have refused.
    QTest::newRow("locked") << true;
}

void TestJournalJobs::deletedDomainComesBack()
{
    QFETCH(bool, locked);
    const QString name = QStringLiteral("cedar-demo.com");
    m_user.getDomain();
    Domain *dm = m_user.domain2ptr(name);
    QVERIFY(dm);
    const int group = dm->groupID;
    QVERIFY(group > 0);
    const QList<Record> before = recordsOf(m_other, name);
    QVERIFY(!before.isEmpty());

    PlanStep del;
    QString error;
    QVERIFY2(domainDeleteStep(m_user, *dm, del, error), qPrintable(error));
    if (locked)
        del.before.insert(QStringLiteral("locked"), true);
    ChangePlan plan;
    plan.domains.append(domainSteps(*dm, {del}));
    QCOMPARE(run(m_user, m_journal, plan, QStringLiteral("domain")), JobState::Done);
    m_other.getDomain();
    QVERIFY(!m_other.domain2ptr(name));

    JournalRunner runner(m_user, m_journal);
    const qint64 job = m_journal.jobs().first().id;
    const ChangePlan undo = undoPlan(m_user, m_journal, job);
    QCOMPARE(undo.warnings.size(), 1);
    QCOMPARE(undo.warnings.first().code, QStringLiteral("domain-created-anew"));
    QCOMPARE(run(m_user, m_journal, undo, QStringLiteral("undo"), job, &runner), JobState::Done);

    m_other.getDomain();
    Domain *back = m_other.domain2ptr(name);
    QVERIFY(back);
    QCOMPARE(back->groupID, group);
    QCOMPARE(back->userLock, locked ? 1 : 0);
    const QList<Record> after = recordsOf(m_other, name);
    QCOMPARE(after.size(), before.size());
    for (const Record &r : before) {
        bool found = false;
        for (const Record &a : after)
            found = found || (a.host == r.host && a.type == r.type && a.value == r.value &&
                              a.ttl == r.ttl && a.lineID == r.lineID && a.state == r.state);
        QVERIFY2(found, qPrintable(r.host + QLatin1Char(' ') + r.value));
    }
}

// Deleting a domain keeps what brings it back: every record, not only the first list a read
// returns (999 records).
void TestJournalJobs::deletionKeepsEveryPageOfRecords()
{
    const QString name = QStringLiteral("cedar-demo.com");
    QVERIFY(m_user.getDomain() > 0);
    Domain *dm = m_user.domain2ptr(name);
    QVERIFY(dm);
    const int had = recordsOf(m_other, name).size();
    QVERIFY(m_service->storeDemoRecords(name, 1000));

    PlanStep del;
    QString error;
    QVERIFY2(domainDeleteStep(m_user, *dm, del, error), qPrintable(error));
    const QJsonArray kept = del.before.value(QStringLiteral("records")).toArray();
    QCOMPARE(kept.size(), had + 1000);
    bool farthest = false;
    for (const QJsonValue &r : kept)
        farthest = farthest ||
                   r.toObject().value(QStringLiteral("host")).toString() == QStringLiteral("h1000");
    QVERIFY(farthest);
}

void TestJournalJobs::ownCallsSettledByWhatCameBack()
{
    // A window's own calls, journaled around them: a refusal did not happen, a call without an
    // answer may have.
    const QString name = QStringLiteral("maple-demo.com");
    m_user.getDomain();
    const QSharedPointer<Domain> dm = m_user.domains.sharedOf(m_user.domain2ptr(name));
    QVERIFY(dm);
    JobWriter writer(m_user, m_journal);
    QVERIFY2(writer.begin(QStringLiteral("domain"), QStringLiteral("own calls")),
             qPrintable(writer.errorText()));
    Record missing;
    missing.id = 987654;
    const qint64 refused = writer.pending(name, dm->id, recordStep(StepOps::Pause, &missing));
    QVERIFY(refused);
    writer.settle(refused, m_user.pauseRecord(dm.data(), missing.id));
    QVERIFY(!writer.networkFailed());

    Fault drop;
    drop.kind = FaultKind::Drop;
    m_service->setFault(QStringLiteral("/api/domain/lock/"), drop);
    const qint64 lost = writer.pending(name, dm->id, domainStep(StepOps::DomainLock, *dm));
    writer.settle(lost, m_user.lockDomain(dm->id));
    m_service->clearFaults();
    QVERIFY(writer.networkFailed());
    QCOMPARE(writer.state(), JobState::Partial);
    writer.finish(writer.state());

    const QList<JournalStep> steps = m_journal.steps(writer.jobId());
    QCOMPARE(steps.size(), 2);
    QCOMPARE(steps.at(0).status, StepStatus::Failed);
    QCOMPARE(steps.at(1).status, StepStatus::Unknown);
    QCOMPARE(m_journal.job(writer.jobId()).state, JobState::Partial);
}

void TestJournalJobs::runShowsProgressAndStopsBetweenDomains()
{
    const QStringList names{QStringLiteral("halvik-demo.com"), QStringLiteral("harbor-demo.com"),
                            QStringLiteral("maple-demo.com")};
    BatchRequest add;
    add.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("rp"), 0, QStringLiteral("10.4.4.4")};
    const ChangePlan plan = preview(m_user, add, names);
    QCOMPARE(plan.domains.size(), 3);

    // Stop is asked once the first domain is done.
    QList<QPair<int, int>> shown;
    RunControl control;
    control.progress = [&shown](int done, int total) { shown.append({done, total}); };
    control.stopAsked = [&shown] { return !shown.isEmpty() && shown.last().first >= 1; };
    const PlanRun run = runPlan(m_user, m_journal, plan, QStringLiteral("batch-add"),
                                QStringLiteral("three"), control);
    QVERIFY(run.jobId > 0);
    QCOMPARE(run.state, JobState::Stopped);
    QCOMPARE(run.outcomes.size(), 1);
    QCOMPARE(run.outcomes.first().domain, names.first());
    QCOMPARE(shown, (QList<QPair<int, int>>{{0, 3}, {1, 3}, {1, 3}}));
    QCOMPARE(m_journal.job(run.jobId).state, JobState::Stopped);
    QCOMPARE(withHost(recordsOf(m_other, names.at(0)), QStringLiteral("rp")).size(), 1);
    QVERIFY(withHost(recordsOf(m_other, names.at(1)), QStringLiteral("rp")).isEmpty());
    QCOMPARE(outcomeSummary(run.outcomes), QStringLiteral("已完成 1 步，失败 0 步"));
}

QTEST_GUILESS_MAIN(TestJournalJobs)
#include "tst_journaljobs.moc"
