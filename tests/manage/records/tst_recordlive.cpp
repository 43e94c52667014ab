#include "app/AppGlobals.h"
#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/JobSteps.h"
#include "client/journal/Journal.h"
#include "client/live/LiveCheck.h"
#include "localservice/dns/NameServers.h"
#include "manage/history/HistoryPage.h"
#include "manage/records/RecordPage.h"
#include "manage/shared/LiveCheckDialog.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WindowHarness.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kDomain = QStringLiteral("halvik-demo.com");
constexpr int kLiveWithinMs = 30000; // generous: the machine may be busy

} // namespace

// "检测生效" on the record page against the stand-in's two name servers: the summary line above
// the table, each row's mark with what is not live in its tool tip, and stop.
class TestRecordLive : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void rowsMarkedLiveThenNotAnswered();
    void stopEndsTheCheck();
    void exportAfterACheckWritesTheServiceNameServers();
    void historyChecksTheJobsRecords();
    void checksReadPastTheFirstList();

private:
    // Clicks "检测生效" and waits for the check to end.
    void runCheck();
    // The mark on the row of the record with id; null when the row has none.
    QLabel *badgeOf(int id) const;
    RecordPage &page() const { return h.window->recordPage(); }
    // Opens the history page's check of its chosen job (closing one open before) and waits for
    // its end; whether every record was live.
    static bool checkChosenJob(HistoryPage &history);
    // Adds an A record host with value (TTL 600) to domain as a journaled job; the job's id, 0
    // when it could not be started.
    static qint64 addByJob(const QString &domain, const QString &host, const QString &value);

    WindowHarness h;
    int m_id = 0;
};

void TestRecordLive::initTestCase()
{
    h.init();
    h.keepService(true);
    LocalServiceFixture::Options options;
    options.nameServers = true;
    QVERIFY(h.startService(options));
    QVERIFY(h.signIn());
    h.openManagement(WindowHarness::Show::Shown, QSize(1026, 675));
    // The check's settings as the user keeps them: where the name servers are, and the
    // stand-in's line table as line-subnets.txt.
    QSettings settings(QStringLiteral("halvik"), QStringLiteral("halvik"));
    const quint16 port = h.service->dnsPort();
    settings.setValue(QStringLiteral("live/resolver"), QStringLiteral("127.0.0.1:%1").arg(port));
    settings.setValue(QStringLiteral("live/dnsPort"), port);
    settings.sync();
    QVERIFY(QDir(h.settingsPath()).mkpath(QStringLiteral("halvik")));
    QVERIFY(QFile::copy(h.service->dataDir() + QStringLiteral("/dns/line-subnets.txt"),
                        h.settingsPath() + QStringLiteral("/halvik/line-subnets.txt")));

    User &u = theUser();
    Domain *domain = u.domain2ptr(kDomain);
    QVERIFY(domain);
    Record added;
    QVERIFY(u.addRecord(domain, QStringLiteral("192.0.2.70"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("page-live"), QStringLiteral("600"),
                        QStringLiteral("10"), &added));
    m_id = added.id;
    page().showDomain(u.domains.sharedOf(domain));
}

void TestRecordLive::cleanupTestCase()
{
    h.keepService(false);
    h.cleanup();
}

void TestRecordLive::cleanup()
{
    h.service->service().nameServers()->setNs2Fault(Ns2Fault());
}

void TestRecordLive::runCheck()
{
    QPushButton *button = h.widget<QPushButton>("pushButton_Rlive");
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
    button->click();
    QVERIFY(page().liveRunning());
    QCOMPARE(button->text(), QStringLiteral("停止检测"));
    QTRY_VERIFY_WITH_TIMEOUT(!page().liveRunning(), kLiveWithinMs);
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
}

QLabel *TestRecordLive::badgeOf(int id) const
{
    QTableWidget *table = h.widget<QTableWidget>("tableR");
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto record = table->verticalHeaderItem(row)
                                ->data(RecordPage::RecordRole)
                                .value<QSharedPointer<Record>>();
        if (!record || record->id != id)
            continue;
        // Rows get their widgets when they come into view.
        table->scrollTo(table->model()->index(row, 0));
        QCoreApplication::processEvents();
        QWidget *cell = table->cellWidget(row, 6);
        QLabel *badge = cell ? cell->findChild<QLabel *>(QStringLiteral("liveBadge")) : nullptr;
        // The whole mark is seen: its column leaves it the width its text needs.
        if (badge && (badge->width() < badge->sizeHint().width() ||
                      badge->geometry().right() >= table->columnWidth(6))) {
            qWarning("mark cut: %d of %d px, ends at %d in a column %d wide", badge->width(),
                     badge->sizeHint().width(), badge->geometry().right(), table->columnWidth(6));
            return nullptr;
        }
        return badge;
    }
    return nullptr;
}

void TestRecordLive::rowsMarkedLiveThenNotAnswered()
{
    // The record was just added: checked again until both name servers serve it.
    QTRY_VERIFY_WITH_TIMEOUT((runCheck(), page().liveVerdicts().value(m_id).live), kLiveWithinMs);
    QLabel *summary = h.widget<QLabel>("label_live");
    QVERIFY(summary->isVisible());
    QVERIFY2(summary->text().startsWith(
                 QStringLiteral("2台DNS服务器（ns1.halvik-local.test、ns2.halvik-local.test）：")),
             qPrintable(summary->text()));
    QLabel *badge = badgeOf(m_id);
    QVERIFY(badge);
    QCOMPARE(badge->text(), QStringLiteral("已生效"));

    Ns2Fault fault;
    fault.stopped = true;
    h.service->service().nameServers()->setNs2Fault(fault);
    QTRY_VERIFY_WITH_TIMEOUT((runCheck(), !page().liveVerdicts().value(m_id).live), kLiveWithinMs);
    QVERIFY2(summary->text().contains(QStringLiteral("ns2.halvik-local.test无应答")),
             qPrintable(summary->text()));
    badge = badgeOf(m_id);
    QVERIFY(badge);
    QCOMPARE(badge->text(), QStringLiteral("未生效"));
    QVERIFY2(badge->toolTip().contains(QStringLiteral("page-live A 默认 @ ns2.halvik-local.test")),
             qPrintable(badge->toolTip()));
    QVERIFY2(badge->toolTip().contains(QStringLiteral("无应答")), qPrintable(badge->toolTip()));
}

void TestRecordLive::stopEndsTheCheck()
{
    // ns2 silent: the check would wait on it.
    Ns2Fault fault;
    fault.stopped = true;
    h.service->service().nameServers()->setNs2Fault(fault);
    QPushButton *button = h.widget<QPushButton>("pushButton_Rlive");
    button->click();
    QVERIFY(page().liveRunning());
    button->click();
    QVERIFY(!page().liveRunning());
    QCOMPARE(button->text(), QStringLiteral("检测生效"));
    QLabel *summary = h.widget<QLabel>("label_live");
    QVERIFY2(summary->text().contains(QStringLiteral("检测已停止")), qPrintable(summary->text()));
}

// Once a check found the domain's name servers, "导出" writes SOA and NS from them.
void TestRecordLive::exportAfterACheckWritesTheServiceNameServers()
{
    runCheck();
    QTemporaryDir folder;
    page().chooseExportFolder = [&folder] { return folder.path(); };
    h.widget<QPushButton>("pushButton_Rexport")->click();
    page().chooseExportFolder = nullptr;
    QFile file(folder.filePath(kDomain + QStringLiteral(".zone")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.contains("\tIN\tSOA\tns1.halvik-local.test. hostmaster.halvik-demo.com. "),
             text.constData());
    QVERIFY(text.contains("\tIN\tNS\tns1.halvik-local.test.\n"));
    QVERIFY(text.contains("\tIN\tNS\tns2.halvik-local.test.\n"));
    QVERIFY(!text.contains("placeholder"));
}

void TestRecordLive::historyChecksTheJobsRecords()
{
    // A journaled job that adds one record, as the record page's own changes are journaled.
    QVERIFY(addByJob(kDomain, QStringLiteral("job-live"), QStringLiteral("192.0.2.80")) > 0);

    HistoryPage &history = h.window->historyPage();
    history.reload();
    QCOMPARE(history.jobTable()->currentIndex().row(), 0);
    QVERIFY(history.liveButton()->isEnabled());
    // Checked again until both name servers serve it; the list then says none is left.
    QTRY_VERIFY_WITH_TIMEOUT(checkChosenJob(history), kLiveWithinMs);
    LiveCheckDialog *dialog = history.liveDialog();
    // Exactly the job's record set, on both name servers.
    const LiveReport &report = dialog->reports().first();
    QCOMPARE(report.targets.size(), 1);
    QCOMPARE(report.targets.first().key.host, QStringLiteral("job-live"));
    QCOMPARE(report.results.size(), 2);
    QCOMPARE(dialog->notLiveList()->count(), 1);
    QCOMPARE(dialog->notLiveList()->item(0)->text(), QStringLiteral("无：每条记录均已生效"));
    QCOMPARE(dialog->stopButton()->text(), QStringLiteral("关闭"));
    dialog->close();

    // Its undo deletes the record; the undo's job is then the chosen one, and its check finds
    // the name nowhere once the name servers drop it.
    history.undoButton()->click();
    QVERIFY(history.planDialog());
    history.planDialog()->view().runButton()->click();
    QTRY_VERIFY_WITH_TIMEOUT(!history.planDialog(), kLiveWithinMs);
    QCOMPARE(history.jobTable()->currentIndex().row(), 0);
    QVERIFY(history.jobTable()->currentIndex().siblingAtColumn(2).data().toString().startsWith(
        QStringLiteral("撤销")));
    QTRY_VERIFY_WITH_TIMEOUT(checkChosenJob(history), kLiveWithinMs);
    const LiveReport &undone = history.liveDialog()->reports().first();
    QCOMPARE(undone.targets.size(), 1);
    QCOMPARE(undone.targets.first().answeringLine, -1);
    for (const LiveResult &r : undone.results)
        QVERIFY(r.served.isEmpty());
    history.liveDialog()->close();
}

// A domain past one list (999 records), one record set with a record on either side of it: the
// record page's check and a job's check judge the set by both (by the first list alone, the
// served set holds a record more than expected: not live).
void TestRecordLive::checksReadPastTheFirstList()
{
    const QString name = QStringLiteral("river-demo.com");
    User &u = theUser();
    QVERIFY(u.domain2ptr(name));
    Record near;
    QVERIFY(u.addRecord(u.domain2ptr(name), QStringLiteral("192.0.2.91"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("split"), QStringLiteral("600"),
                        QStringLiteral("10"), &near));
    QVERIFY(h.service->storeDemoRecords(name, 1000));
    // The far one added by a journaled job, as the record page adds it.
    const qint64 job = addByJob(name, QStringLiteral("split"), QStringLiteral("192.0.2.92"));
    QVERIFY(job > 0);
    Record far = near;
    far.value = QStringLiteral("192.0.2.92");

    QList<QPair<QString, QList<LiveTarget>>> checks;
    QString error;
    QVERIFY2(LiveCheckDialog::jobChecks(u, job, checks, error), qPrintable(error));
    QCOMPARE(checks.size(), 1);
    QCOMPARE(checks.first().second.size(), 1);
    QCOMPARE(checks.first().second.first().expected.size(), 2);

    // Once the name servers serve both, the page's one check finds the set live.
    LiveSettings settings;
    QVERIFY2(LiveSettings::load(settings, error), qPrintable(error));
    const ServedWait served = waitUntilServed(settings, name, {near, far}, kLiveWithinMs / 1000);
    QVERIFY2(served.served, qPrintable(served.notLive));
    page().showDomain(u.domains.sharedOf(u.domain2ptr(name)));
    runCheck();
    const QLabel *badge = badgeOf(near.id);
    QVERIFY(badge);
    QVERIFY2(badge->text() == QStringLiteral("已生效"), qPrintable(badge->toolTip()));
}

qint64 TestRecordLive::addByJob(const QString &domain, const QString &host, const QString &value)
{
    User &u = theUser();
    const Domain *dm = u.domain2ptr(domain);
    if (!dm)
        return 0;
    Record created;
    created.host = host;
    created.type = QStringLiteral("A");
    created.value = value;
    created.ttl = 600;
    ChangePlan plan;
    plan.domains.append(domainSteps(*dm, {recordStep(StepOps::Create, nullptr, &created)}));
    Journal journal;
    if (!journal.open(Journal::defaultPath()))
        return 0;
    JournalRunner runner(u, journal);
    if (!runner.start(plan, QStringLiteral("record"), host, journalAccount(u)))
        return 0;
    while (!runner.atEnd())
        runner.runNext();
    runner.finish();
    return runner.jobId();
}

bool TestRecordLive::checkChosenJob(HistoryPage &history)
{
    if (LiveCheckDialog *open = history.liveDialog())
        open->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    history.liveButton()->click();
    LiveCheckDialog *dialog = history.liveDialog();
    if (!dialog)
        return false;
    return QTest::qWaitFor([dialog] { return !dialog->isRunning(); }, kLiveWithinMs) &&
           dialog->reports().size() == 1 && dialog->reports().first().allLive();
}

QTEST_MAIN(TestRecordLive)
#include "tst_recordlive.moc"
