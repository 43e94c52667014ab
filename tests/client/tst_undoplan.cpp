#include "client/journal/UndoPlanner.h"
#include "client/plan/Previews.h"
#include "client/plan/RecordJson.h"

#include <QJsonArray>
#include <QtTest>

namespace {

Record rec(int id, const QString &value, int ttl = 600, int state = 0)
{
    Record r;
    r.id = id;
    r.host = QStringLiteral("www");
    r.type = QStringLiteral("A");
    r.value = value;
    r.ttl = ttl;
    r.state = state;
    return r;
}

QJsonObject json(const Record &r)
{
    return recordToJson(r);
}

// The states a record of the tables can be in now.
enum Live
{
    Gone,
    AsBefore,
    AsAfter,
    Edited,          // the record the step left, its TTL edited since
    Other,           // another record under the step's id (the service reused it)
    OtherIdAsBefore, // a record equal to the before-state, under another id
    OtherIdAsAfter   // a record equal to the after-state, under another id
};

} // namespace

// How each kind of journaled step is undone, against each state the record may be in now.
class TestUndoPlan : public QObject
{
    Q_OBJECT
private slots:
    void revertRecord_data();
    void revertRecord();
    void refusedStepsAreLeftOut();
    void chainOfOneRecordRevertsToTheFirstState();
    void revertDomain_data();
    void revertDomain();
    void domainDeleteUndone_data();
    void domainDeleteUndone();
    void whoMayUndo_data();
    void whoMayUndo();
};

void TestUndoPlan::revertRecord_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("live");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("revert");
    QTest::addColumn<QString>("says"); // a piece of the step's problem, when another record stands

    const QString done = StepStatus::Done;
    const QString unknown = StepStatus::Unknown;
    const QString other = QStringLiteral("该 id 现为另一条记录");
    const QString elsewhere = QStringLiteral("不是本操作留下的");
    QTest::newRow("create, still there")
        << StepOps::Create << done << int(AsAfter) << false << StepOps::Delete << QString();
    QTest::newRow("create, gone") << StepOps::Create << done << int(Gone) << false
                                  << StepOps::AlreadyReverted << QString();
    QTest::newRow("create, edited since")
        << StepOps::Create << done << int(Edited) << false << StepOps::Conflict << QString();
    QTest::newRow("create, edited since, forced")
        << StepOps::Create << done << int(Edited) << true << StepOps::Delete << QString();
    QTest::newRow("create, its id reused, forced")
        << StepOps::Create << done << int(Other) << true << StepOps::Conflict << other;
    QTest::newRow("create, gone, the same made again elsewhere, forced")
        << StepOps::Create << done << int(OtherIdAsAfter) << true << StepOps::Conflict << elsewhere;
    QTest::newRow("create unknown, it happened")
        << StepOps::Create << unknown << int(AsAfter) << false << StepOps::Delete << QString();
    QTest::newRow("create unknown, it did not") << StepOps::Create << unknown << int(Gone) << false
                                                << StepOps::AlreadyReverted << QString();
    QTest::newRow("change, still as changed")
        << StepOps::Change << done << int(AsAfter) << false << StepOps::Change << QString();
    QTest::newRow("change, back already") << StepOps::Change << done << int(AsBefore) << false
                                          << StepOps::AlreadyReverted << QString();
    QTest::newRow("change, edited since")
        << StepOps::Change << done << int(Edited) << false << StepOps::Conflict << QString();
    QTest::newRow("change, edited since, forced")
        << StepOps::Change << done << int(Edited) << true << StepOps::Change << QString();
    QTest::newRow("change, its id reused")
        << StepOps::Change << done << int(Other) << false << StepOps::Conflict << other;
    QTest::newRow("change, its id reused, forced: put back beside it")
        << StepOps::Change << done << int(Other) << true << StepOps::Create << other;
    QTest::newRow("change, record gone")
        << StepOps::Change << done << int(Gone) << false << StepOps::Conflict << QString();
    QTest::newRow("change, gone, its first state made again elsewhere, forced")
        << StepOps::Change << done << int(OtherIdAsBefore) << true << StepOps::Conflict
        << elsewhere;
    QTest::newRow("change unknown, it happened")
        << StepOps::Change << unknown << int(AsAfter) << false << StepOps::Change << QString();
    QTest::newRow("change unknown, it did not") << StepOps::Change << unknown << int(AsBefore)
                                                << false << StepOps::AlreadyReverted << QString();
    QTest::newRow("delete, gone") << StepOps::Delete << done << int(Gone) << false
                                  << StepOps::Create << QString();
    QTest::newRow("delete, made again by someone, forced")
        << StepOps::Delete << done << int(OtherIdAsBefore) << true << StepOps::Conflict
        << elsewhere;
    QTest::newRow("delete, its id reused")
        << StepOps::Delete << done << int(Other) << false << StepOps::Conflict << other;
    QTest::newRow("delete, its id reused, forced: put back beside it")
        << StepOps::Delete << done << int(Other) << true << StepOps::Create << other;
    QTest::newRow("delete unknown, it did not") << StepOps::Delete << unknown << int(AsBefore)
                                                << false << StepOps::AlreadyReverted << QString();
    QTest::newRow("delete unknown, it did not, edited since, forced")
        << StepOps::Delete << unknown << int(Edited) << true << StepOps::Change << QString();
    QTest::newRow("pause, still paused")
        << StepOps::Pause << done << int(AsAfter) << false << StepOps::Start << QString();
    QTest::newRow("pause, started since") << StepOps::Pause << done << int(AsBefore) << false
                                          << StepOps::AlreadyReverted << QString();
    QTest::newRow("start, still running")
        << StepOps::Start << done << int(AsAfter) << false << StepOps::Pause << QString();
}

void TestUndoPlan::revertRecord()
{
    QFETCH(QString, op);
    QFETCH(QString, status);
    QFETCH(int, live);
    QFETCH(bool, force);
    QFETCH(QString, revert);
    QFETCH(QString, says);

    Record before = rec(7, QStringLiteral("1.1.1.1"));
    Record after = rec(7, QStringLiteral("2.2.2.2"), 300);
    if (op == StepOps::Pause || op == StepOps::Start) {
        after = before;
        (op == StepOps::Pause ? after : before).state = 1;
    }
    JournalStep step;
    step.id = 55;
    step.op = op;
    step.status = status;
    if (op != StepOps::Create)
        step.before = json(before);
    if (op != StepOps::Delete)
        step.after = json(after);
    if (op == StepOps::Create) {
        before = Record();
        // An unknown create never learned its id: the record is found by its values.
        if (status == StepStatus::Unknown)
            step.after.insert(QStringLiteral("id"), 0);
    }

    QList<Record> now{rec(1, QStringLiteral("9.9.9.9"))};
    Record edited = op == StepOps::Delete ? before : after;
    edited.ttl = 60;
    if (live == AsBefore)
        now.append(before);
    else if (live == AsAfter)
        now.append(after);
    else if (live == Edited)
        now.append(edited);
    else if (live == Other)
        now.append(rec(7, QStringLiteral("3.3.3.3")));
    else if (live == OtherIdAsBefore)
        now.append(rec(8, before.value));
    else if (live == OtherIdAsAfter)
        now.append(rec(8, after.value, after.ttl));

    const PlanStep s = revertStep(step, now, nullptr, force);
    QCOMPARE(s.op, revert);
    QCOMPARE(s.reverts, qint64(55));
    QCOMPARE(s.forced, force && revert != StepOps::Conflict);
    QVERIFY2(s.problem.contains(says), qPrintable(s.problem));
    // What the step left goes with every revert; a conflict, forced or not, shows beside it
    // what stands there now (the record other than the bystander), empty when it is gone.
    QCOMPARE(s.left, step.after);
    const QJsonObject there = now.size() > 1 ? json(now.last()) : QJsonObject();
    if (revert == StepOps::Conflict || s.forced)
        QCOMPARE(s.now, there);
    if (revert == StepOps::Conflict)
        QCOMPARE(s.before, there);
    // A revert in place names the live record and restores the before-state exactly.
    if (revert == StepOps::Change) {
        QCOMPARE(recordFromJson(s.before).id, 7);
        QCOMPARE(s.after, json(before));
    }
    if (revert == StepOps::Create)
        QCOMPARE(recordFromJson(s.after).value, before.value);
    if (revert == StepOps::Delete)
        QCOMPARE(recordFromJson(s.before).id, 7);
}

void TestUndoPlan::refusedStepsAreLeftOut()
{
    for (const QString &status : {StepStatus::Failed, StepStatus::Skipped,
                                  StepStatus::AlreadyReverted, StepStatus::Conflict}) {
        JournalStep step;
        step.op = StepOps::Delete;
        step.status = status;
        step.before = json(rec(7, QStringLiteral("1.1.1.1")));
        QVERIFY2(revertStep(step, {}, nullptr, true).op.isEmpty(), qPrintable(status));
    }
}

void TestUndoPlan::chainOfOneRecordRevertsToTheFirstState()
{
    // One job changed a record twice; reverted newest first, against the state each revert
    // leaves, the record ends as it was before the job.
    const Record v1 = rec(7, QStringLiteral("1.1.1.1"));
    const Record v2 = rec(7, QStringLiteral("2.2.2.2"));
    const Record v3 = rec(7, QStringLiteral("3.3.3.3"));
    JournalStep first{1,
                      1,
                      1,
                      1,
                      QStringLiteral("a.cn"),
                      7,
                      StepOps::Change,
                      json(v1),
                      json(v2),
                      StepStatus::Done,
                      QString(),
                      0};
    JournalStep second = first;
    second.id = 2;
    second.before = json(v2);
    second.after = json(v3);
    QList<Record> live{v3};
    const PlanStep undoSecond = revertStep(second, live, nullptr, false);
    QCOMPARE(undoSecond.op, StepOps::Change);
    applyToLive(undoSecond, live);
    const PlanStep undoFirst = revertStep(first, live, nullptr, false);
    QCOMPARE(undoFirst.op, StepOps::Change);
    applyToLive(undoFirst, live);
    QCOMPARE(live.size(), 1);
    QCOMPARE(live.first().value, v1.value);
    QCOMPARE(live.first().id, 7);
}

void TestUndoPlan::revertDomain_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("state"); // live domain: -1 gone
    QTest::addColumn<int>("locked");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("revert");

    QTest::newRow("paused, still paused")
        << StepOps::DomainPause << 1 << 0 << 0 << StepOps::DomainStart;
    QTest::newRow("paused, running again")
        << StepOps::DomainPause << 0 << 0 << 0 << StepOps::AlreadyReverted;
    QTest::newRow("locked, still locked")
        << StepOps::DomainLock << 0 << 1 << 0 << StepOps::DomainUnlock;
    QTest::newRow("unlocked, locked again")
        << StepOps::DomainUnlock << 0 << 1 << 0 << StepOps::AlreadyReverted;
    QTest::newRow("moved, still there")
        << StepOps::DomainMove << 0 << 0 << 5 << StepOps::DomainMove;
    QTest::newRow("moved, back already")
        << StepOps::DomainMove << 0 << 0 << 2 << StepOps::AlreadyReverted;
    QTest::newRow("moved, moved elsewhere")
        << StepOps::DomainMove << 0 << 0 << 9 << StepOps::Conflict;
    QTest::newRow("paused, domain gone")
        << StepOps::DomainPause << -1 << 0 << 0 << StepOps::Conflict;
}

void TestUndoPlan::revertDomain()
{
    QFETCH(QString, op);
    QFETCH(int, state);
    QFETCH(int, locked);
    QFETCH(int, group);
    QFETCH(QString, revert);

    Domain was;
    was.id = 3;
    was.name = QStringLiteral("a.cn");
    was.groupID = 2;
    Domain became = was;
    if (op == StepOps::DomainPause)
        became.state = 1;
    if (op == StepOps::DomainLock)
        became.userLock = 1;
    if (op == StepOps::DomainUnlock)
        was.userLock = 1;
    if (op == StepOps::DomainMove)
        became.groupID = 5;
    JournalStep step;
    step.id = 8;
    step.op = op;
    step.status = StepStatus::Done;
    step.before = domainToJson(was);
    if (op != StepOps::DomainDelete)
        step.after = domainToJson(became);
    Domain now = was;
    now.state = state;
    now.userLock = locked;
    now.groupID = group;
    const PlanStep s = revertStep(step, {}, state < 0 ? nullptr : &now, false);
    QCOMPARE(s.op, revert);
    if (revert == StepOps::DomainMove)
        QCOMPARE(s.after.value(QStringLiteral("groupID")).toInt(), 2);
}

void TestUndoPlan::domainDeleteUndone_data()
{
    QTest::addColumn<bool>("exists");  // a domain of the name exists again
    QTest::addColumn<int>("state");    // the deleted domain's: 1 paused, 2 locked, 3 both
    QTest::addColumn<QString>("live"); // its records now: "host type value" by ";"
    QTest::addColumn<bool>("force");
    QTest::addColumn<QStringList>("ops");

    // The journal holds www A, mail MX and www A on a line the package no longer offers.
    const QString create = StepOps::Create;
    const QString conflict = StepOps::Conflict;
    QTest::newRow("gone") << false << 0 << QString() << false
                          << QStringList{StepOps::DomainCreate, create, create, conflict};
    QTest::newRow("gone, was paused")
        << false << 1 << QString() << false
        << QStringList{StepOps::DomainCreate, create, create, conflict, StepOps::DomainPause};
    QTest::newRow("gone, was locked")
        << false << 2 << QString() << false
        << QStringList{StepOps::DomainCreate, create, create, conflict, StepOps::DomainLock};
    // Locked last: a locked domain takes neither records nor a pause.
    QTest::newRow("gone, was paused and locked")
        << false << 3 << QString() << false
        << QStringList{StepOps::DomainCreate, create, create, conflict, StepOps::DomainPause,
                       StepOps::DomainLock};
    // The domain of the name now is another: its lock is its own.
    QTest::newRow("added again, was locked")
        << true << 2 << QString() << false << QStringList{create, create, conflict};
    QTest::newRow("added again, empty")
        << true << 0 << QString() << false << QStringList{create, create, conflict};
    QTest::newRow("added again, its www record made again")
        << true << 0 << QStringLiteral("www A 1.1.1.1") << false
        << QStringList{StepOps::AlreadyReverted, create, conflict};
    QTest::newRow("added again, another www record")
        << true << 0 << QStringLiteral("www A 5.5.5.5") << false
        << QStringList{conflict, create, conflict};
    QTest::newRow("added again, another www record, forced")
        << true << 0 << QStringLiteral("www A 5.5.5.5") << true
        << QStringList{create, create, conflict};
    QTest::newRow("added again, a CNAME on mail")
        << true << 0 << QStringLiteral("mail CNAME edge.example.net") << false
        << QStringList{create, conflict, conflict};
    QTest::newRow("added again, others elsewhere")
        << true << 0 << QStringLiteral("ftp A 5.5.5.5;www TXT hello") << false
        << QStringList{create, create, conflict};
}

void TestUndoPlan::domainDeleteUndone()
{
    QFETCH(bool, exists);
    QFETCH(int, state);
    QFETCH(QString, live);
    QFETCH(bool, force);
    QFETCH(QStringList, ops);

    Record www = rec(11, QStringLiteral("1.1.1.1"));
    Record mail = rec(12, QStringLiteral("mx.a.cn"));
    mail.host = QStringLiteral("mail");
    mail.type = QStringLiteral("MX");
    mail.mx = 10;
    Record offLine = rec(13, QStringLiteral("2.2.2.2"));
    offLine.setLine(7);
    Domain was;
    was.id = 3;
    was.name = QStringLiteral("a.cn");
    was.state = state & 1;
    was.userLock = state >> 1;
    QJsonObject snapshot = domainToJson(was);
    snapshot.insert(QStringLiteral("records"), QJsonArray{json(www), json(mail), json(offLine)});
    JournalStep step;
    step.id = 8;
    step.op = StepOps::DomainDelete;
    step.status = StepStatus::Done;
    step.before = snapshot;

    Domain now;
    now.id = 40;
    now.name = was.name;
    QList<Record> records;
    int id = 100;
    for (const QString &r : live.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList f = r.split(QLatin1Char(' '));
        Record x = rec(++id, f.at(2));
        x.host = f.at(0);
        x.type = f.at(1);
        records.append(x);
    }

    const QList<PlanStep> steps =
        revertDomainDelete(step, records, exists ? &now : nullptr, force, {0});
    QStringList got;
    for (const PlanStep &s : steps) {
        got.append(s.op);
        QCOMPARE(s.reverts, qint64(8));
        // A record comes back without its former id, with its former values.
        if (s.op == StepOps::Create)
            QCOMPARE(recordFromJson(s.after).id, 0);
    }
    QCOMPARE(got, ops);
    if (!exists)
        QCOMPARE(steps.first().after.value(QStringLiteral("name")).toString(), was.name);
    if (steps.last().op == StepOps::DomainPause)
        QCOMPARE(steps.last().after.value(QStringLiteral("state")).toInt(), 1);
    if (steps.last().op == StepOps::DomainLock)
        QVERIFY(steps.last().after.value(QStringLiteral("locked")).toBool());
    // A conflict with a record of the domain, forced or not, holds it as the record now.
    for (const PlanStep &s : steps) {
        if ((s.op == StepOps::Conflict || s.forced) && recordFromJson(s.after).lineID == 0)
            QCOMPARE(recordFromJson(s.now).id, 101);
    }
}

void TestUndoPlan::whoMayUndo_data()
{
    QTest::addColumn<qint64>("id");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("refusal"); // a piece of it; empty: may be undone

    const QString me = QStringLiteral("ops@example.com");
    QTest::newRow("done") << qint64(4) << me << JobState::Done << QString();
    QTest::newRow("interrupted") << qint64(4) << me << JobState::Interrupted << QString();
    QTest::newRow("partly done") << qint64(4) << me << JobState::Partial << QString();
    QTest::newRow("no such job") << qint64(0) << me << QString() << QStringLiteral("没有");
    QTest::newRow("another account") << qint64(4) << QStringLiteral("boss@example.com")
                                     << JobState::Done << QStringLiteral("另一个账号");
    QTest::newRow("still running")
        << qint64(4) << me << JobState::Running << QStringLiteral("仍在进行");
    QTest::newRow("undone already")
        << qint64(4) << me << JobState::Undone << QStringLiteral("已撤销过");
}

void TestUndoPlan::whoMayUndo()
{
    QFETCH(qint64, id);
    QFETCH(QString, account);
    QFETCH(QString, state);
    QFETCH(QString, refusal);
    JournalJob job;
    job.id = id;
    job.account = account;
    job.state = state;
    const QString why = undoRefusal(job, QStringLiteral("Ops@Example.com"));
    QCOMPARE(why.isEmpty(), refusal.isEmpty());
    QVERIFY2(why.contains(refusal), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestUndoPlan)
#include "tst_undoplan.moc"
