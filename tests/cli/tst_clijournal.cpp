#include "localservice/server/Faults.h"
#include "tests/support/CliRun.h"
#include "tests/support/LocalServiceFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using Run = CliRun;

// halvik-cli's batch commands, journal and undo, as a child process against the stand-in.
class TestCliJournal : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void previewApplyAndUndoAroundAChangeBehindOurBack();
    void warningNeedsYes();
    void singleChangesAreJournaledAndUndone();
    void deletedDomainComesBackPaused();
    void undoNeverTouchesARecordThatReusedItsId();
    void deletedDomainRestoredIntoItsNewNamesake();
    void deadNetworkStopsTheJob();
    void badInput_data();
    void badInput();

private:
    Run run(const QStringList &args, const QByteArray &input = QByteArray());
    QString wwwValue(const QString &domain, const QString &host);
    // The id of the newest job, after a command that should have written it.
    qint64 newestJob(const QString &kind);
    bool domainPaused(const QString &name);
    LocalServiceFixture m_service;
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestCliJournal::initTestCase()
{
    QVERIFY2(m_service.start(), qPrintable(m_service.errorText()));
}

void TestCliJournal::init()
{
    // Each test its own journal.
    m_data = std::make_unique<QTemporaryDir>();
}

Run TestCliJournal::run(const QStringList &args, const QByteArray &input)
{
    return runProgram(QStringLiteral(HALVIK_CLI_BINARY), args,
                      cliEnvironment(m_service.baseUrl(), m_service.caFile(),
                                     LocalServiceFixture::demoEmail(),
                                     LocalServiceFixture::demoPassword(), m_data->path()),
                      input);
}

// The values of domain's records on host, sorted, as one text.
QString TestCliJournal::wwwValue(const QString &domain, const QString &host)
{
    const Run r = run({QStringLiteral("--json"), QStringLiteral("records"), domain});
    QStringList values;
    const QJsonArray records = r.json().object().value(QStringLiteral("records")).toArray();
    for (const QJsonValue &v : records) {
        const QJsonObject o = v.toObject();
        if (o.value(QStringLiteral("host")).toString() == host)
            values.append(o.value(QStringLiteral("value")).toString());
    }
    values.sort();
    return values.join(QLatin1Char(','));
}

qint64 TestCliJournal::newestJob(const QString &kind)
{
    const QJsonObject job =
        run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array().at(0).toObject();
    return job.value(QStringLiteral("kind")).toString() == kind
               ? job.value(QStringLiteral("id")).toInt()
               : 0;
}

bool TestCliJournal::domainPaused(const QString &name)
{
    const QJsonArray domains =
        run({QStringLiteral("--json"), QStringLiteral("domains")}).json().array();
    for (const QJsonValue &v : domains) {
        if (v.toObject().value(QStringLiteral("name")).toString() == name)
            return v.toObject().value(QStringLiteral("paused")).toBool();
    }
    return false;
}

void TestCliJournal::previewApplyAndUndoAroundAChangeBehindOurBack()
{
    const QString a = QStringLiteral("river-demo.com");
    const QString b = QStringLiteral("summit-demo.com");
    const QString c = QStringLiteral("orbit-demo.com");
    const QStringList add{QStringLiteral("batch"),          QStringLiteral("add"),
                          QStringLiteral("--domains-file"), QStringLiteral("-"),
                          QStringLiteral("--host"),         QStringLiteral("e2e"),
                          QStringLiteral("--value"),        QStringLiteral("10.0.0.1")};
    const QByteArray names =
        (a + QStringLiteral("\n ") + b + QStringLiteral(" \n\n") + c + QStringLiteral("\n") + a)
            .toUtf8();

    // Without --apply: the plan, and nothing changed or journaled.
    const Run plan = run(QStringList{QStringLiteral("--json")} + add, names);
    QCOMPARE(plan.exit, 0);
    const QJsonObject p = plan.json().object();
    QCOMPARE(p.value(QStringLiteral("domains")).toArray().size(), 3);
    QCOMPARE(p.value(QStringLiteral("counts")).toObject().value(QStringLiteral("create")).toInt(),
             3);
    const QJsonObject step = p.value(QStringLiteral("domains"))
                                 .toArray()
                                 .at(1)
                                 .toObject()
                                 .value(QStringLiteral("steps"))
                                 .toArray()
                                 .at(0)
                                 .toObject();
    QCOMPARE(step.value(QStringLiteral("op")).toString(), QStringLiteral("create"));
    QCOMPARE(step.value(QStringLiteral("after")).toObject().value(QStringLiteral("ttl")).toInt(),
             600);
    QVERIFY(step.value(QStringLiteral("before")).isNull());
    QCOMPARE(wwwValue(b, QStringLiteral("e2e")), QString());
    QCOMPARE(run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array().size(), 0);

    const Run applied =
        run(QStringList{QStringLiteral("--json")} + add + QStringList{QStringLiteral("--apply")},
            names);
    QCOMPARE(applied.exit, 0);
    const qint64 addJob = applied.json().object().value(QStringLiteral("id")).toInt();
    QVERIFY(addJob > 0);
    for (const QString &d : {a, b, c})
        QCOMPARE(wwwValue(d, QStringLiteral("e2e")), QStringLiteral("10.0.0.1"));

    const Run edit =
        run({QStringLiteral("batch"), QStringLiteral("edit"), a, b, c, QStringLiteral("--host"),
             QStringLiteral("e2e"), QStringLiteral("--value"), QStringLiteral("10.0.0.1"),
             QStringLiteral("--new-value"), QStringLiteral("10.0.0.2"), QStringLiteral("--apply")});
    QCOMPARE(edit.exit, 0);
    const Run jobs = run({QStringLiteral("--json"), QStringLiteral("jobs")});
    const QJsonArray list = jobs.json().array();
    QCOMPARE(list.size(), 2);
    const QJsonObject newest = list.at(0).toObject();
    QCOMPARE(newest.value(QStringLiteral("kind")).toString(), QStringLiteral("batch-edit"));
    QCOMPARE(newest.value(QStringLiteral("state")).toString(), QStringLiteral("done"));
    QCOMPARE(newest.value(QStringLiteral("counts")).toObject().value(QStringLiteral("done")),
             QJsonValue(3));
    QVERIFY(QDateTime::fromString(newest.value(QStringLiteral("created")).toString(), Qt::ISODate)
                .isValid());
    QVERIFY(newest.value(QStringLiteral("created")).toString().endsWith(QLatin1Char('Z')));
    const qint64 editJob = newest.value(QStringLiteral("id")).toInt();

    // Someone changes b's record behind our back.
    QVERIFY(run({QStringLiteral("batch"), QStringLiteral("edit"), b, QStringLiteral("--host"),
                 QStringLiteral("e2e"), QStringLiteral("--value"), QStringLiteral("10.0.0.2"),
                 QStringLiteral("--new-ttl"), QStringLiteral("60"), QStringLiteral("--apply")})
                .exit == 0);

    const QStringList undo{QStringLiteral("undo"), QString::number(editJob)};
    const Run undoPlan = run(QStringList{QStringLiteral("--json")} + undo);
    QCOMPARE(undoPlan.exit, 1); // a preview with a conflict exits as its --apply would
    const QJsonObject counts = undoPlan.json().object().value(QStringLiteral("counts")).toObject();
    QCOMPARE(counts.value(QStringLiteral("change")).toInt(), 2);
    QCOMPARE(counts.value(QStringLiteral("conflict")).toInt(), 1);
    QCOMPARE(wwwValue(a, QStringLiteral("e2e")), QStringLiteral("10.0.0.2"));

    const Run undone = run(undo + QStringList{QStringLiteral("--apply")});
    QCOMPARE(undone.exit, 1);
    QVERIFY2(undone.err.contains(b.toUtf8()) && undone.err.contains("conflict"),
             undone.err.constData());
    QVERIFY(!undone.err.contains(a.toUtf8()));
    QCOMPARE(wwwValue(a, QStringLiteral("e2e")), QStringLiteral("10.0.0.1"));
    QCOMPARE(wwwValue(c, QStringLiteral("e2e")), QStringLiteral("10.0.0.1"));
    QCOMPARE(wwwValue(b, QStringLiteral("e2e")), QStringLiteral("10.0.0.2"));
    // Reverted in part: the job says by which undo, and can be undone again for the rest.
    const QJsonArray afterPart =
        run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array();
    // Newest first: the undo, the change behind our back, the edit.
    QCOMPARE(afterPart.at(2).toObject().value(QStringLiteral("id")).toInt(), int(editJob));
    QCOMPARE(afterPart.at(2).toObject().value(QStringLiteral("partlyUndoneBy")).toInt(),
             afterPart.at(0).toObject().value(QStringLiteral("id")).toInt());

    // --force reverts the conflict too; the job is then undone, and not twice.
    const Run forced =
        run(undo + QStringList{QStringLiteral("--apply"), QStringLiteral("--force")});
    QCOMPARE(forced.exit, 0);
    QCOMPARE(wwwValue(b, QStringLiteral("e2e")), QStringLiteral("10.0.0.1"));
    // The forced step is marked so in its job; the job undone whole is no longer partly so.
    const QJsonArray afterForce =
        run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array();
    const Run forcedJob =
        run({QStringLiteral("--json"), QStringLiteral("job"), QStringLiteral("show"),
             QString::number(afterForce.at(0).toObject().value(QStringLiteral("id")).toInt())});
    int forcedSteps = 0;
    for (const QJsonValue &s : forcedJob.json().object().value(QStringLiteral("steps")).toArray())
        forcedSteps += s.toObject().value(QStringLiteral("forced")).toBool() ? 1 : 0;
    QCOMPARE(forcedSteps, 1);
    QCOMPARE(afterForce.at(3).toObject().value(QStringLiteral("id")).toInt(), int(editJob));
    QVERIFY(afterForce.at(3).toObject().value(QStringLiteral("partlyUndoneBy")).isNull());
    const Run again = run(undo + QStringList{QStringLiteral("--apply")});
    QCOMPARE(again.exit, 1);
    QVERIFY(again.err.contains(QStringLiteral("已撤销过").toUtf8()));

    // Undo of the add: its creates are taken away again.
    QCOMPARE(run({QStringLiteral("undo"), QString::number(addJob), QStringLiteral("--apply")}).exit,
             0);
    for (const QString &d : {a, b, c})
        QCOMPARE(wwwValue(d, QStringLiteral("e2e")), QString());

    const Run show = run({QStringLiteral("--json"), QStringLiteral("job"), QStringLiteral("show"),
                          QString::number(editJob)});
    QCOMPARE(show.exit, 0);
    const QJsonArray steps = show.json().object().value(QStringLiteral("steps")).toArray();
    QCOMPARE(steps.size(), 3);
    QCOMPARE(steps.at(0)
                 .toObject()
                 .value(QStringLiteral("before"))
                 .toObject()
                 .value(QStringLiteral("value")),
             QJsonValue(QStringLiteral("10.0.0.1")));
    QCOMPARE(show.json().object().value(QStringLiteral("state")).toString(),
             QStringLiteral("undone"));
}

void TestCliJournal::warningNeedsYes()
{
    // A second SPF record at the apex: the service takes it, the plan warns.
    const QStringList spf{
        QStringLiteral("batch"),  QStringLiteral("add"),     QStringLiteral("halvik-demo.com"),
        QStringLiteral("--host"), QStringLiteral("@"),       QStringLiteral("--type"),
        QStringLiteral("TXT"),    QStringLiteral("--value"), QStringLiteral("v=spf1 -all"),
        QStringLiteral("--apply")};
    const QString before = wwwValue(QStringLiteral("halvik-demo.com"), QStringLiteral("www"));
    QVERIFY(!before.isEmpty());
    const Run refused = run(spf);
    QCOMPARE(refused.exit, 1);
    QVERIFY2(refused.err.contains("second-spf"), refused.err.constData());
    QCOMPARE(wwwValue(QStringLiteral("halvik-demo.com"), QStringLiteral("www")), before);
    QCOMPARE(run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array().size(), 0);
}

void TestCliJournal::singleChangesAreJournaledAndUndone()
{
    const QString d = QStringLiteral("river-demo.com");
    const Run added =
        run({QStringLiteral("--json"), QStringLiteral("record"), QStringLiteral("add"), d,
             QStringLiteral("--host"), QStringLiteral("solo"), QStringLiteral("--value"),
             QStringLiteral("10.1.1.1")});
    QCOMPARE(added.exit, 0);
    const QString id = QString::number(added.json().object().value(QStringLiteral("id")).toInt());
    QVERIFY(id.toInt() > 0);
    const qint64 addJob = newestJob(QStringLiteral("record"));
    QVERIFY(addJob > 0);

    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("edit"), d, id,
                  QStringLiteral("--value"), QStringLiteral("10.1.1.2")})
                 .exit,
             0);
    const qint64 editJob = newestJob(QStringLiteral("record"));
    QVERIFY(editJob > addJob);
    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("pause"), d, id}).exit, 0);
    const qint64 pauseJob = newestJob(QStringLiteral("record"));
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("lock"), d}).exit, 0);
    const qint64 lockJob = newestJob(QStringLiteral("domain"));
    QVERIFY(lockJob > pauseJob);

    // Undone newest first, each puts back what its command changed.
    for (const qint64 job : {lockJob, pauseJob, editJob}) {
        const Run undone =
            run({QStringLiteral("undo"), QString::number(job), QStringLiteral("--apply")});
        QVERIFY2(undone.exit == 0, undone.err.constData());
    }
    QCOMPARE(wwwValue(d, QStringLiteral("solo")), QStringLiteral("10.1.1.1"));
    const Run records = run({QStringLiteral("--json"), QStringLiteral("records"), d});
    for (const QJsonValue &v : records.json().object().value(QStringLiteral("records")).toArray())
        if (v.toObject().value(QStringLiteral("host")).toString() == QLatin1String("solo"))
            QCOMPARE(v.toObject().value(QStringLiteral("paused")).toBool(), false);
    QCOMPARE(run({QStringLiteral("undo"), QString::number(addJob), QStringLiteral("--apply")}).exit,
             0);
    QCOMPARE(wwwValue(d, QStringLiteral("solo")), QString());

    // A record delete keeps the record, so undo makes it again.
    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("add"), d, QStringLiteral("--host"),
                  QStringLiteral("solo"), QStringLiteral("--value"), QStringLiteral("10.1.1.3")})
                 .exit,
             0);
    const QString again = QString::number(run({QStringLiteral("--json"), QStringLiteral("jobs")})
                                              .json()
                                              .array()
                                              .at(0)
                                              .toObject()
                                              .value(QStringLiteral("id"))
                                              .toInt());
    const QJsonArray steps =
        run({QStringLiteral("--json"), QStringLiteral("job"), QStringLiteral("show"), again})
            .json()
            .object()
            .value(QStringLiteral("steps"))
            .toArray();
    const QString madeId = QString::number(
        steps.at(0).toObject().value(QStringLiteral("after")).toObject().value("id").toInt());
    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("delete"), d, madeId}).exit, 0);
    QCOMPARE(wwwValue(d, QStringLiteral("solo")), QString());
    QCOMPARE(run({QStringLiteral("undo"), QString::number(newestJob(QStringLiteral("record"))),
                  QStringLiteral("--apply")})
                 .exit,
             0);
    QCOMPARE(wwwValue(d, QStringLiteral("solo")), QStringLiteral("10.1.1.3"));

    // A domain added is taken away again.
    const QString newDomain = QStringLiteral("added-undo.cn");
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("add"), newDomain}).exit, 0);
    const qint64 addDomainJob = newestJob(QStringLiteral("domain"));
    QVERIFY(addDomainJob > 0);
    const Run removed = run({QStringLiteral("undo"), QString::number(addDomainJob),
                             QStringLiteral("--apply"), QStringLiteral("--yes")});
    QVERIFY2(removed.exit == 0, removed.err.constData());
    const QJsonArray domains =
        run({QStringLiteral("--json"), QStringLiteral("domains")}).json().array();
    for (const QJsonValue &v : domains)
        QVERIFY(v.toObject().value(QStringLiteral("name")).toString() != newDomain);
}

void TestCliJournal::undoNeverTouchesARecordThatReusedItsId()
{
    const QString d = QStringLiteral("summit-demo.com");
    auto add = [&](const QString &host, const QString &value) {
        const Run r =
            run({QStringLiteral("--json"), QStringLiteral("record"), QStringLiteral("add"), d,
                 QStringLiteral("--host"), host, QStringLiteral("--value"), value});
        return QString::number(r.json().object().value(QStringLiteral("id")).toInt());
    };
    const QString id = add(QStringLiteral("reused"), QStringLiteral("10.7.7.1"));
    const qint64 addJob = newestJob(QStringLiteral("record"));
    // Another client deletes it and makes another record, which gets the same id.
    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("delete"), d, id}).exit, 0);
    const QString other = add(QStringLiteral("reused"), QStringLiteral("10.7.7.2"));
    if (other != id)
        QSKIP("the service did not reuse the id");

    const Run forced = run({QStringLiteral("undo"), QString::number(addJob),
                            QStringLiteral("--apply"), QStringLiteral("--force")});
    QCOMPARE(forced.exit, 1);
    QVERIFY2(forced.err.contains("10.7.7.2"), forced.err.constData());
    QCOMPARE(wwwValue(d, QStringLiteral("reused")), QStringLiteral("10.7.7.2"));
}

void TestCliJournal::deletedDomainComesBackPaused()
{
    const QString d = QStringLiteral("paused-undo.cn");
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("add"), d}).exit, 0);
    QCOMPARE(run({QStringLiteral("record"), QStringLiteral("add"), d, QStringLiteral("--host"),
                  QStringLiteral("www"), QStringLiteral("--value"), QStringLiteral("10.5.5.5")})
                 .exit,
             0);
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("pause"), d}).exit, 0);
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("delete"), d}).exit, 0);
    const qint64 deletion = newestJob(QStringLiteral("domain"));
    QVERIFY(deletion > 0);

    // Added back as a new domain: a warning, accepted.
    const Run undone = run({QStringLiteral("undo"), QString::number(deletion),
                            QStringLiteral("--apply"), QStringLiteral("--yes")});
    QVERIFY2(undone.exit == 0, undone.err.constData());
    QCOMPARE(wwwValue(d, QStringLiteral("www")), QStringLiteral("10.5.5.5"));
    QVERIFY(domainPaused(d));
}

void TestCliJournal::deletedDomainRestoredIntoItsNewNamesake()
{
    const QString d = QStringLiteral("namesake-undo.cn");
    auto add = [&](const QString &host, const QString &value) {
        return run({QStringLiteral("record"), QStringLiteral("add"), d, QStringLiteral("--host"),
                    host, QStringLiteral("--value"), value})
            .exit;
    };
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("add"), d}).exit, 0);
    QCOMPARE(add(QStringLiteral("www"), QStringLiteral("10.2.2.2")), 0);
    QCOMPARE(add(QStringLiteral("mail"), QStringLiteral("10.3.3.3")), 0);
    QCOMPARE(add(QStringLiteral("ftp"), QStringLiteral("10.4.4.4")), 0);
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("delete"), d}).exit, 0);
    const QString deletion = QString::number(newestJob(QStringLiteral("domain")));

    // Someone adds the name again, with a www of its own and one record as it was.
    QCOMPARE(run({QStringLiteral("domain"), QStringLiteral("add"), d}).exit, 0);
    QCOMPARE(add(QStringLiteral("www"), QStringLiteral("10.9.9.9")), 0);
    QCOMPARE(add(QStringLiteral("mail"), QStringLiteral("10.3.3.3")), 0);

    const Run plan = run({QStringLiteral("--json"), QStringLiteral("undo"), deletion});
    const QJsonObject counts = plan.json().object().value(QStringLiteral("counts")).toObject();
    QCOMPARE(counts.value(QStringLiteral("create")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("conflict")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("already-reverted")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("domain-create")).toInt(), 0);

    const Run partly = run({QStringLiteral("undo"), deletion, QStringLiteral("--apply")});
    QCOMPARE(partly.exit, 1);
    QVERIFY2(partly.err.contains("10.9.9.9"), partly.err.constData());
    QCOMPARE(wwwValue(d, QStringLiteral("ftp")), QStringLiteral("10.4.4.4"));
    QCOMPARE(wwwValue(d, QStringLiteral("www")), QStringLiteral("10.9.9.9"));
    QCOMPARE(wwwValue(d, QStringLiteral("mail")), QStringLiteral("10.3.3.3"));

    // Forced, the old www comes back beside the new one, which stays.
    const Run forced = run(
        {QStringLiteral("undo"), deletion, QStringLiteral("--apply"), QStringLiteral("--force")});
    QVERIFY2(forced.exit == 0, forced.err.constData());
    QCOMPARE(wwwValue(d, QStringLiteral("www")), QStringLiteral("10.2.2.2,10.9.9.9"));
    QCOMPARE(wwwValue(d, QStringLiteral("ftp")), QStringLiteral("10.4.4.4"));
}

// Creates that never get an answer: the job stops after the third, says how far it got, and
// journals the rest as skipped.
void TestCliJournal::deadNetworkStopsTheJob()
{
    const QStringList names{QStringLiteral("river-demo.com"), QStringLiteral("summit-demo.com"),
                            QStringLiteral("orbit-demo.com"), QStringLiteral("maple-demo.com"),
                            QStringLiteral("cedar-demo.com")};
    Fault drop;
    drop.kind = FaultKind::Drop;
    m_service.setFault(QStringLiteral("/api/record/create/"), drop);
    const Run applied =
        run(QStringList{QStringLiteral("batch"), QStringLiteral("add")} + names +
            QStringList{QStringLiteral("--host"), QStringLiteral("dead"), QStringLiteral("--value"),
                        QStringLiteral("10.5.5.5"), QStringLiteral("--apply")});
    m_service.clearFaults();
    QCOMPARE(applied.exit, 2);
    QVERIFY2(applied.err.contains("stopped at domain 3 of 5"), applied.err.constData());

    const QJsonObject job =
        run({QStringLiteral("--json"), QStringLiteral("jobs")}).json().array().at(0).toObject();
    QCOMPARE(job.value(QStringLiteral("state")).toString(), QStringLiteral("stopped"));
    const QJsonObject counts = job.value(QStringLiteral("counts")).toObject();
    QCOMPARE(counts.value(QStringLiteral("unknown")).toInt(), 3);
    QCOMPARE(counts.value(QStringLiteral("skipped")).toInt(), 2);
}

void TestCliJournal::badInput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("journal"); // what the journal file holds first
    QTest::addColumn<int>("exit");
    QTest::addColumn<QByteArray>("message");

    const QStringList del{QStringLiteral("batch"),   QStringLiteral("delete"),
                          QStringLiteral("--host"),  QStringLiteral("www"),
                          QStringLiteral("--value"), QStringLiteral("1.2.3.4"),
                          QStringLiteral("--apply")};
    QTest::newRow("unreadable domains file")
        << (del + QStringList{QStringLiteral("--domains-file"), QStringLiteral("/nonexistent/x")})
        << QByteArray() << QString() << 64 << QByteArray("cannot read the domains file");
    QTest::newRow("empty domain list")
        << (del + QStringList{QStringLiteral("--domains-file"), QStringLiteral("-")})
        << QByteArray(" \n\n  \n") << QString() << 64 << QByteArray("empty");
    QTest::newRow("domains and a file")
        << (del + QStringList{QStringLiteral("a.cn"), QStringLiteral("--domains-file"),
                              QStringLiteral("-")})
        << QByteArray() << QString() << 64 << QByteArray("not both");
    QTest::newRow("no domains") << del << QByteArray() << QString() << 64
                                << QByteArray("give domains");
    QTest::newRow("journal is not sqlite")
        << (del + QStringList{QStringLiteral("halvik-demo.com")}) << QByteArray()
        << QStringLiteral("garbage") << 1 << QByteArray("journal.sqlite");
    QTest::newRow("no such job") << QStringList{QStringLiteral("job"), QStringLiteral("show"),
                                                QStringLiteral("99")}
                                 << QByteArray() << QStringLiteral("empty") << 1
                                 << QByteArray("no job 99");
    QTest::newRow("check of no such job")
        << QStringList{QStringLiteral("job"), QStringLiteral("check"), QStringLiteral("99")}
        << QByteArray() << QStringLiteral("empty") << 1 << QByteArray("no job 99");
    QTest::newRow("undo of no such job")
        << QStringList{QStringLiteral("undo"), QStringLiteral("99"), QStringLiteral("--apply")}
        << QByteArray() << QStringLiteral("empty") << 1
        << QStringLiteral("没有这条操作记录").toUtf8();
    QTest::newRow("bad ttl") << QStringList{QStringLiteral("batch"),   QStringLiteral("add"),
                                            QStringLiteral("a.cn"),    QStringLiteral("--value"),
                                            QStringLiteral("1.1.1.1"), QStringLiteral("--ttl"),
                                            QStringLiteral("soon")}
                             << QByteArray() << QString() << 64 << QByteArray("whole number");
}

void TestCliJournal::badInput()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, journal);
    QFETCH(int, exit);
    QFETCH(QByteArray, message);

    const QString path = m_data->filePath(QStringLiteral("halvik/journal.sqlite"));
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    if (journal == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2048, 'z'));
    } else if (journal == QLatin1String("empty")) {
        QVERIFY(
            run({QStringLiteral("batch"), QStringLiteral("add"), QStringLiteral("nope.cn"),
                 QStringLiteral("--value"), QStringLiteral("1.1.1.1"), QStringLiteral("--apply")})
                .exit == 1);
    }
    const QString before = wwwValue(QStringLiteral("halvik-demo.com"), QStringLiteral("www"));
    const Run r = run(args, input);
    QCOMPARE(r.exit, exit);
    QVERIFY2(r.err.contains(message), r.err.constData());
    QCOMPARE(wwwValue(QStringLiteral("halvik-demo.com"), QStringLiteral("www")), before);
    if (journal == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(2048, 'z'));
    }
}

QTEST_GUILESS_MAIN(TestCliJournal)
#include "tst_clijournal.moc"
