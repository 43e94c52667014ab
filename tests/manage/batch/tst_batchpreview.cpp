#include "client/journal/Journal.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "tests/support/WindowHarness.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>

namespace {

const QString kDemo = QStringLiteral("halvik-demo.com");

template <typename T>
T *part(QLineEdit *host, const char *name)
{
    return BatchRowTable::part<T>(host, name);
}

bool hasHost(const QList<Record> &records, const QString &host)
{
    for (const Record &r : records) {
        if (r.host == host)
            return true;
    }
    return false;
}

} // namespace

// The batch tabs' "预览": the plan over the domain list, changing nothing until its run button,
// which runs exactly that plan as a journaled job.
class TestBatchPreview : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_h.cleanup(); }

    void previewChangesNothingThenRunsThePlan();
    void deleteSkipsADomainChangedSincePreview();
    void unwritableJournalSendsNothing();
    void stopWhileReadingChangesNothing();
    void runShowsProgressAndStops();

private:
    BatchJobsPage &page() { return m_h.window->batchJobsPage(); }
    // Opens the tab and leaves one row filled with host, type A and value.
    void oneRow(BatchKind kind, const QString &host, const QString &value);
    void setDomains(const QString &text)
    {
        m_h.widget<QPlainTextEdit>("plainTextEdit_2")->setPlainText(text);
    }
    QList<JournalJob> jobs()
    {
        Journal j;
        return j.open(Journal::defaultPath(), false) ? j.jobs() : QList<JournalJob>();
    }

    WindowHarness m_h;
};

void TestBatchPreview::init()
{
    m_h.init();
    QVERIFY(m_h.openAfterSignIn());
}

void TestBatchPreview::oneRow(BatchKind kind, const QString &host, const QString &value)
{
    m_h.window->showBatchJobs();
    auto *tabs = m_h.widget<QTabWidget>("tabWidget_bat");
    tabs->setCurrentIndex(static_cast<int>(kind));
    QLineEdit *row = page().rows(kind).rows().first();
    row->setText(host);
    auto *type = part<QComboBox>(row, "typew");
    type->setCurrentIndex(type->findData(QStringLiteral("A")));
    part<QLineEdit>(row, "valuew")->setText(value);
}

void TestBatchPreview::previewChangesNothingThenRunsThePlan()
{
    setDomains(kDemo + QStringLiteral("\nnowhere-x.com"));
    oneRow(BatchKind::Add, QStringLiteral("prev"), QStringLiteral("198.51.100.9"));
    m_h.widget<QPushButton>("pushButton_prevbatadd")->click();

    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    PlanView &view = dialog->view();
    QAbstractItemModel *domains = view.domainTable()->model();
    QCOMPARE(domains->rowCount(), 2);
    QCOMPARE(domains->index(0, PlanDomainModel::Domain).data().toString(), kDemo);
    QCOMPARE(domains->index(0, PlanDomainModel::Creates).data().toInt(), 1);
    QCOMPARE(domains->index(1, PlanDomainModel::Problems).data().toInt(), 1);
    QCOMPARE(view.summaryLabel()->text(),
             QStringLiteral("共 2 个域名：新增 1，修改 0，删除 0，问题 1"));
    QAbstractItemModel *steps = view.stepTable()->model();
    QCOMPARE(steps->rowCount(), 1);
    QVERIFY(steps->index(0, 2).data().toString().startsWith(QStringLiteral("prev A 198.51.100.9")));
    // Nothing sent, nothing journaled.
    QVERIFY(!hasHost(m_h.records(kDemo), QStringLiteral("prev")));
    QVERIFY(jobs().isEmpty());

    QVERIFY(view.runButton()->isEnabled());
    view.runButton()->click();
    QVERIFY(hasHost(m_h.records(kDemo), QStringLiteral("prev")));
    const QList<JournalJob> all = jobs();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().kind, QStringLiteral("batch-add"));
    QCOMPARE(all.first().counts.value(StepStatus::Done), 1);
    // The same lines as "开始添加" writes.
    QCOMPARE(m_h.widget<QTextEdit>("textEdit_7")->toPlainText(),
             QStringLiteral("prev.halvik-demo.com A     198.51.100.9    默认   -  600  成功"));
    QCOMPARE(m_h.widget<QTextEdit>("textEdit_6")->toPlainText(),
             QStringLiteral("找不到域名 nowhere-x.com"));
    QCOMPARE(m_h.boxes->count(), 0);
}

void TestBatchPreview::deleteSkipsADomainChangedSincePreview()
{
    User &user = theUser();
    QVERIFY(user.addRecord(user.domain2ptr(kDemo), QStringLiteral("198.51.100.20"),
                           QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("gone")));
    setDomains(kDemo);
    oneRow(BatchKind::Delete, QStringLiteral("gone"), QStringLiteral("198.51.100.20"));
    m_h.widget<QPushButton>("pushButton_prevbatdel")->click();
    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->view().domainTable()->model()->index(0, PlanDomainModel::Deletes).data(),
             QVariant(1));

    // Behind the preview's back the domain gains a record: the job must not act on a stale look.
    QVERIFY(user.addRecord(user.domain2ptr(kDemo), QStringLiteral("198.51.100.21"),
                           QStringLiteral("A"), QStringLiteral("0"), QStringLiteral("late")));
    dialog->view().runButton()->click();
    QVERIFY(hasHost(m_h.records(kDemo), QStringLiteral("gone")));
    QCOMPARE(jobs().first().counts.value(StepStatus::Skipped), 1);
}

void TestBatchPreview::unwritableJournalSendsNothing()
{
    // A folder where the journal's file belongs: it can be neither created nor written.
    QVERIFY(QDir().mkpath(Journal::defaultPath()));
    setDomains(kDemo);
    oneRow(BatchKind::Add, QStringLiteral("nojournal"), QStringLiteral("198.51.100.10"));
    m_h.widget<QPushButton>("pushButton_prevbatadd")->click();
    QVERIFY(page().planDialog());
    page().planDialog()->view().runButton()->click();

    QCOMPARE(m_h.boxes->count(), 1);
    QVERIFY(m_h.boxes->contents().first().contains(QStringLiteral("无法写入操作记录")));
    QVERIFY(!hasHost(m_h.records(kDemo), QStringLiteral("nojournal")));
}

// While the previewed plan runs, the dialog shows how far it is and "停止"; it cannot be run
// again or closed meanwhile, and "停止" ends the job between domains.
void TestBatchPreview::runShowsProgressAndStops()
{
    QStringList names;
    for (const Domain &dm : theUser().domains)
        names.append(dm.name);
    QVERIFY(names.size() >= 4);
    names = names.mid(0, 4);
    setDomains(names.join(QLatin1Char('\n')));
    oneRow(BatchKind::Add, QStringLiteral("halfway"), QStringLiteral("198.51.100.12"));
    m_h.widget<QPushButton>("pushButton_prevbatadd")->click();
    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    PlanView &view = dialog->view();

    // The second domain's request is slow; what the dialog shows is read while it waits.
    const QString createPath = QStringLiteral("/api/record/create/");
    Fault slow;
    slow.delayMs = 1500;
    slow.skip = 1;
    slow.times = 1;
    m_h.service->setFault(createPath, slow);
    QString shown;
    bool stopOffered = false;
    bool runWaits = false;
    bool closeWaits = false;
    m_h.whenStruck(createPath, 1, [&] {
        shown = view.summaryLabel()->text();
        stopOffered = view.stopButton()->isVisible() && view.stopButton()->isEnabled();
        runWaits = !view.runButton()->isEnabled();
        closeWaits = !view.closeButton()->isEnabled();
        view.stopButton()->click();
    });
    view.runButton()->click();

    QCOMPARE(shown, QStringLiteral("正在执行 1/4 …"));
    QVERIFY(stopOffered);
    QVERIFY(runWaits);
    QVERIFY(closeWaits);
    const QList<JournalJob> all = jobs();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().state, JobState::Stopped);
    QCOMPARE(all.first().counts.value(StepStatus::Done), 2);
}

void TestBatchPreview::stopWhileReadingChangesNothing()
{
    User &user = theUser();
    QStringList names;
    for (const Domain &dm : user.domains)
        names.append(dm.name);
    QVERIFY(names.size() >= 3);
    setDomains(names.join(QLatin1Char('\n')));
    oneRow(BatchKind::Add, QStringLiteral("stopped"), QStringLiteral("198.51.100.11"));
    // Pressed while the service holds the first domain's read, with reads still ahead.
    const QString listPath = QStringLiteral("/api/record/list/");
    Fault slow;
    slow.delayMs = 1500;
    slow.times = 1;
    m_h.service->setFault(listPath, slow);
    bool stopped = false;
    m_h.whenStruck(listPath, 1, [this, &stopped] {
        if (PlanDialog *d = page().planDialog()) {
            d->view().stopButton()->click();
            stopped = true;
        }
    });
    m_h.widget<QPushButton>("pushButton_prevbatadd")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!page().planDialog(), kEventWithinMs);
    QVERIFY(stopped);
    QVERIFY(jobs().isEmpty());
    QVERIFY(!hasHost(m_h.records(kDemo), QStringLiteral("stopped")));
}

QTEST_MAIN(TestBatchPreview)
#include "tst_batchpreview.moc"
