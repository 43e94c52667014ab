#include "client/journal/JobRunner.h"
#include "client/journal/Journal.h"
#include "client/plan/Previews.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/history/HistoryModels.h"
#include "manage/history/HistoryPage.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>

namespace {

const QString kDemo = QStringLiteral("halvik-demo.com");

const Record *findHost(const QList<Record> &records, const QString &host)
{
    for (const Record &r : records) {
        if (r.host == host)
            return &r;
    }
    return nullptr;
}

} // namespace

// The history page: the journal's jobs newest first with their steps, and undo through its own
// preview, conflicts shown per step.
class TestHistoryPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_h.cleanup(); }

    void emptyJournalIsNotCreated();
    void jobsNewestFirstWithTheirSteps();
    void columnsFitTheirContent();
    void undoThroughItsPreview();
    void conflictShownPerStepAndForced();
    void deletedDomainComesBack();
    void domainActionsJournaledAndUndone_data();
    void domainActionsJournaledAndUndone();

private:
    HistoryPage &page() { return m_h.window->historyPage(); }
    // Adds host A value to domains as a journaled batch job; returns its id.
    qint64 addJob(const QString &host, const QString &value, const QStringList &domains = {kDemo});
    QAbstractItemModel *jobModel() { return page().jobTable()->model(); }
    QList<Record> records() { return m_h.records(kDemo); }
    // The domain page's row of the domain named name, once it is filled.
    int domainRow(const QString &name);

    WindowHarness m_h;
};

void TestHistoryPage::init()
{
    m_h.init();
    QVERIFY(m_h.openAfterSignIn());
}

qint64 TestHistoryPage::addJob(const QString &host, const QString &value,
                               const QStringList &domains)
{
    BatchRequest request;
    request.match = RecordPattern{QStringLiteral("A"), host, 0, value};
    User &user = theUser();
    BatchPreview preview(user, request, domains);
    if (!preview.begin())
        return 0;
    while (!preview.atEnd())
        preview.runNext();
    Journal journal;
    if (!journal.open(Journal::defaultPath()))
        return 0;
    JournalRunner runner(user, journal);
    if (!runner.start(preview.plan(), QStringLiteral("batch-add"), QStringLiteral("add ") + host,
                      journalAccount(user)))
        return 0;
    while (!runner.atEnd())
        runner.runNext();
    runner.finish();
    return runner.jobId();
}

int TestHistoryPage::domainRow(const QString &name)
{
    m_h.window->showDomainList();
    auto *table = m_h.widget<QTableWidget>("tableWidget");
    const auto find = [&] {
        for (int r = 0; r < table->rowCount(); ++r) {
            auto *b =
                table->cellWidget(r, 0)
                    ? table->cellWidget(r, 0)->findChild<QPushButton *>(QStringLiteral("dmName"))
                    : nullptr;
            if (b && b->text() == name)
                return r;
        }
        return -1;
    };
    return QTest::qWaitFor([&] { return find() >= 0; }, kEventWithinMs) ? find() : -1;
}

void TestHistoryPage::emptyJournalIsNotCreated()
{
    m_h.window->showHistory();
    QCOMPARE(m_h.widget<QStackedWidget>("stackedWidget")->currentWidget(),
             m_h.widget<QWidget>("page_history"));
    QCOMPARE(jobModel()->rowCount(), 0);
    QVERIFY(!page().emptyLabel()->isHidden());
    QVERIFY(!page().undoButton()->isEnabled());
    // Looking must not leave a journal behind.
    QVERIFY(!QFileInfo::exists(Journal::defaultPath()));
}

void TestHistoryPage::jobsNewestFirstWithTheirSteps()
{
    const qint64 first = addJob(QStringLiteral("h1"), QStringLiteral("198.51.100.31"));
    const qint64 second = addJob(QStringLiteral("h2"), QStringLiteral("198.51.100.32"));
    QVERIFY(first && second);
    m_h.window->showHistory();

    QCOMPARE(jobModel()->rowCount(), 2);
    // Numbered as halvik-cli names them; the summary made from the steps, in Chinese, though
    // the job was written with an English one.
    QCOMPARE(jobModel()->index(0, JobListModel::Number).data().toString(),
             QStringLiteral("#%1").arg(second));
    QCOMPARE(jobModel()->index(1, JobListModel::Number).data().toString(),
             QStringLiteral("#%1").arg(first));
    QCOMPARE(jobModel()->index(0, JobListModel::Summary).data().toString(),
             kDemo + QStringLiteral("：新增 1"));
    QCOMPARE(jobModel()->index(0, JobListModel::Kind).data().toString(),
             QStringLiteral("批量添加"));
    QCOMPARE(jobModel()->index(0, JobListModel::State).data().toString(), QStringLiteral("已完成"));
    QVERIFY(page().emptyLabel()->isHidden());

    // The newest is chosen; choosing the older shows its steps.
    QAbstractItemModel *steps = page().stepTable()->model();
    QCOMPARE(steps->rowCount(), 1);
    QVERIFY(steps->index(0, 3).data().toString().startsWith(QStringLiteral("h2 A 198.51.100.32")));
    page().jobTable()->setCurrentIndex(jobModel()->index(1, 0));
    QCOMPARE(steps->index(0, 0).data().toString(), kDemo);
    QCOMPARE(steps->index(0, 1).data().toString(), QStringLiteral("新增记录"));
    QVERIFY(steps->index(0, 2).data().toString().isEmpty());
    QVERIFY(steps->index(0, 3).data().toString().startsWith(QStringLiteral("h1 A")));
    QCOMPARE(steps->index(0, 4).data().toString(), QStringLiteral("成功"));
}

// At the smallest window size every column but the summary shows its whole text, and the
// columns together fit the table.
void TestHistoryPage::columnsFitTheirContent()
{
    QVERIFY(addJob(QStringLiteral("wide1"), QStringLiteral("198.51.100.33")));
    m_h.window->resize(900, 620);
    m_h.window->showHistory();
    QTableView *jobs = page().jobTable();
    QVERIFY(QTest::qWaitFor([jobs] { return jobs->isVisible() && jobs->viewport()->width() > 0; }));
    QHeaderView *header = jobs->horizontalHeader();
    const QFontMetrics metrics(jobs->font());
    int total = 0;
    for (int c = 0; c < jobModel()->columnCount(); ++c) {
        total += header->sectionSize(c);
        if (c == JobListModel::Summary)
            continue;
        const QString title = jobModel()->headerData(c, Qt::Horizontal).toString();
        const QString text = jobModel()->index(0, c).data().toString();
        QVERIFY2(metrics.horizontalAdvance(text) < header->sectionSize(c),
                 qPrintable(QStringLiteral("%1: \"%2\" in %3 px")
                                .arg(title, text)
                                .arg(header->sectionSize(c))));
    }
    QVERIFY2(total <= jobs->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(total).arg(jobs->viewport()->width())));
    QVERIFY(
        header->sectionSize(JobListModel::Summary) >=
        metrics.horizontalAdvance(jobModel()->index(0, JobListModel::Summary).data().toString()));
}

void TestHistoryPage::undoThroughItsPreview()
{
    QVERIFY(addJob(QStringLiteral("undome"), QStringLiteral("198.51.100.40")));
    QVERIFY(findHost(records(), QStringLiteral("undome")));
    m_h.window->showHistory();
    page().undoButton()->click();

    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->view().domainTable()->model()->index(0, PlanDomainModel::Deletes).data(),
             QVariant(1));
    // One undo at a time, whatever reloads the list ("刷新").
    QVERIFY(!page().undoButton()->isEnabled());
    page().reload();
    QVERIFY(!page().undoButton()->isEnabled());
    // The preview alone changes nothing.
    QVERIFY(findHost(records(), QStringLiteral("undome")));

    // While it runs: how far it is and "停止"; neither it nor another undo can be started.
    const QString removePath = QStringLiteral("/api/record/remove/");
    Fault slow;
    slow.delayMs = 1500;
    slow.times = 1;
    m_h.service->setFault(removePath, slow);
    PlanView &view = dialog->view();
    QString shown;
    bool stopOffered = false;
    bool runWaits = false;
    bool undoWaits = false;
    m_h.whenStruck(removePath, 1, [&] {
        shown = view.summaryLabel()->text();
        stopOffered = view.stopButton()->isVisible() && view.stopButton()->isEnabled();
        runWaits = !view.runButton()->isEnabled();
        page().reload();
        undoWaits = !page().undoButton()->isEnabled();
    });
    view.runButton()->click();
    QCOMPARE(shown, QStringLiteral("正在执行 0/1 …"));
    QVERIFY(stopOffered);
    QVERIFY(runWaits);
    QVERIFY(undoWaits);

    QVERIFY(!findHost(records(), QStringLiteral("undome")));
    QCOMPARE(jobModel()->rowCount(), 2);
    QCOMPARE(jobModel()->index(0, JobListModel::Kind).data().toString(), QStringLiteral("撤销"));
    QCOMPARE(jobModel()->index(0, JobListModel::Summary).data().toString(),
             QStringLiteral("撤销 %1：%2：删除 1")
                 .arg(jobModel()->index(1, JobListModel::Number).data().toString(), kDemo));
    QCOMPARE(jobModel()->index(1, JobListModel::State).data().toString(), QStringLiteral("已撤销"));
    // An undone job offers no second undo.
    page().jobTable()->setCurrentIndex(jobModel()->index(1, 0));
    QVERIFY(!page().undoButton()->isEnabled());
    QCOMPARE(m_h.boxes->count(), 0);
}

// A job over two domains whose record on one was edited since. The undo shows that conflict
// with what the record is now beside what the job left; run as it is, it reverts the rest and
// the job reads "部分撤销"; undone again, the force choice starts unticked, and ticked it
// overwrites the edit, marked so in the notice and in the history.
void TestHistoryPage::conflictShownPerStepAndForced()
{
    const QString other = QStringLiteral("harbor-demo.com");
    const qint64 job =
        addJob(QStringLiteral("moved"), QStringLiteral("198.51.100.50"), {kDemo, other});
    QVERIFY(job);
    // Someone edits the record's TTL after the job: still the record the job made.
    User &user = theUser();
    const QList<Record> now = records();
    const Record *r = findHost(now, QStringLiteral("moved"));
    QVERIFY(r);
    const int leftTtl = r->ttl;
    QVERIFY2(user.editRecord(user.domain2ptr(kDemo), r->id, r->host, r->type, r->value,
                             QString::number(leftTtl + 60), QString(), QString::number(r->viewID)),
             qPrintable(user.errorText));
    m_h.window->showHistory();

    page().undoButton()->click();
    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    QVERIFY(page().forceBox());
    QVERIFY(page().forceBox()->isVisibleTo(dialog));
    QVERIFY(!page().forceBox()->isChecked());
    QCOMPARE(dialog->view().domainTable()->model()->index(0, PlanDomainModel::Domain).data(),
             QVariant(kDemo));
    QAbstractItemModel *steps = dialog->view().stepTable()->model();
    QCOMPARE(steps->rowCount(), 1);
    QCOMPARE(steps->index(0, UndoStepModel::Op).data().toString(), QStringLiteral("冲突"));
    const QString nowText = steps->index(0, UndoStepModel::Now).data().toString();
    const QString leftText = steps->index(0, UndoStepModel::Left).data().toString();
    QVERIFY2(nowText.startsWith(QStringLiteral("moved A 198.51.100.50")) &&
                 nowText.endsWith(QStringLiteral("TTL %1").arg(leftTtl + 60)),
             qPrintable(nowText));
    QVERIFY2(leftText.endsWith(QStringLiteral("TTL %1").arg(leftTtl)), qPrintable(leftText));
    QVERIFY(!steps->index(0, UndoStepModel::Why).data().toString().isEmpty());
    // Ticked, then stopped while the undo is planned again (the service holds its read): the
    // plan shown stays, and so does the choice it was made with.
    const QString listPath = QStringLiteral("/api/record/list/");
    Fault slow;
    slow.delayMs = 1500;
    slow.times = 1;
    m_h.service->setFault(listPath, slow);
    m_h.whenStruck(listPath, 1, [dialog] { dialog->view().stopButton()->click(); });
    page().forceBox()->setChecked(true);
    QVERIFY(!page().forceBox()->isChecked());
    QCOMPARE(steps->index(0, UndoStepModel::Op).data().toString(), QStringLiteral("冲突"));

    // Run as it is: the other domain's record goes, the edited one stays.
    QVERIFY(dialog->view().runButton()->isEnabled());
    dialog->view().runButton()->click();
    QVERIFY(findHost(records(), QStringLiteral("moved")));
    QVERIFY(!findHost(m_h.records(other), QStringLiteral("moved")));
    QVERIFY2(m_h.toast().endsWith(QStringLiteral("：已改回 1 条记录，1 处冲突未改回")),
             qPrintable(m_h.toast()));
    QCOMPARE(jobModel()->index(1, JobListModel::Number).data().toString(),
             QStringLiteral("#%1").arg(job));
    QCOMPARE(jobModel()->index(1, JobListModel::State).data().toString(),
             QStringLiteral("部分撤销"));

    // The rest, forced: the choice is this undo's own, unticked again.
    page().jobTable()->setCurrentIndex(jobModel()->index(1, 0));
    QVERIFY(page().undoButton()->isEnabled());
    page().undoButton()->click();
    dialog = page().planDialog();
    QVERIFY(dialog);
    QVERIFY(!page().forceBox()->isChecked());
    QVERIFY(!dialog->view().runButton()->isEnabled());
    page().forceBox()->setChecked(true);
    QVERIFY(dialog->view().runButton()->isEnabled());
    QAbstractItemModel *domains = dialog->view().domainTable()->model();
    for (int row = 0; row < domains->rowCount(); ++row) {
        if (domains->index(row, PlanDomainModel::Domain).data() == kDemo)
            dialog->view().domainTable()->setCurrentIndex(domains->index(row, 0));
    }
    steps = dialog->view().stepTable()->model();
    QCOMPARE(steps->index(0, UndoStepModel::Op).data().toString(),
             QStringLiteral("删除记录 (强制)"));
    dialog->view().runButton()->click();
    QVERIFY(!findHost(records(), QStringLiteral("moved")));
    QVERIFY2(m_h.toast().endsWith(QStringLiteral("：已改回 1 条记录（其中 1 条强制覆盖）")),
             qPrintable(m_h.toast()));
    QCOMPARE(jobModel()->index(2, JobListModel::State).data().toString(), QStringLiteral("已撤销"));
    // The forced undo: counted in its row, marked in its steps.
    QVERIFY2(jobModel()
                 ->index(0, JobListModel::Steps)
                 .data()
                 .toString()
                 .contains(QStringLiteral("强制 1")),
             qPrintable(jobModel()->index(0, JobListModel::Steps).data().toString()));
    QStringList ops;
    for (int row = 0; row < page().stepTable()->model()->rowCount(); ++row)
        ops.append(page().stepTable()->model()->index(row, 1).data().toString());
    QVERIFY2(ops.contains(QStringLiteral("删除记录 (强制)")), qPrintable(ops.join(", ")));
}

void TestHistoryPage::deletedDomainComesBack()
{
    const QString name = QStringLiteral("harbor-demo.com");
    User &user = theUser();
    const int groupID = user.domain2ptr(name)->groupID;
    const int recordCount = m_h.records(name).size();
    QVERIFY(recordCount > 0);

    // Deleted from its row on the domain page, confirmed.
    m_h.window->showDomainList();
    auto *table = m_h.widget<QTableWidget>("tableWidget");
    const int row = domainRow(name);
    QVERIFY(row >= 0);
    m_h.boxes->answer(1);
    table->cellWidget(row, 1)->findChildren<QPushButton *>().value(2)->click();
    QVERIFY(user.getDomain() >= 0);
    QVERIFY(!user.domain2ptr(name));

    m_h.window->showHistory();
    QCOMPARE(jobModel()->index(0, JobListModel::Kind).data().toString(),
             QStringLiteral("域名操作"));
    QCOMPARE(page().stepTable()->model()->index(0, 1).data().toString(),
             QStringLiteral("删除域名"));
    page().undoButton()->click();
    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    QAbstractItemModel *steps = dialog->view().stepTable()->model();
    QCOMPARE(steps->index(0, 0).data().toString(), QStringLiteral("重新添加域名"));
    // The domain comes back as a new one: a warning, so the run is asked for again.
    const int asked = m_h.boxes->count();
    m_h.boxes->answer(1);
    dialog->view().runButton()->click();
    QCOMPARE(m_h.boxes->count(), asked + 1);
    QVERIFY(
        m_h.boxes->shown.last().content.contains(QStringLiteral("将重新添加为新域名：1 个域名")));

    QVERIFY(user.getDomain() > 0);
    Domain *back = user.domain2ptr(name);
    QVERIFY(back);
    QCOMPARE(back->groupID, groupID);
    QCOMPARE(m_h.records(name).size(), recordCount);
    // Told by what came back, not by steps.
    QVERIFY2(m_h.toast().endsWith(QStringLiteral("：已改回 %1 条记录、1 个域名").arg(recordCount)),
             qPrintable(m_h.toast()));
}

void TestHistoryPage::domainActionsJournaledAndUndone_data()
{
    QTest::addColumn<QString>("pick"); // which demo domain: "locked", "paused" or "running"
    QTest::addColumn<int>("button");   // the row's 0 lock, 1 pause; -1 the checked rows' combo
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("comboIndex");
    QTest::addColumn<int>("questions");   // asked before the call, answered yes
    QTest::addColumn<QString>("summary"); // %1: the domain
    QTest::addColumn<QString>("op");
    QTest::addColumn<bool>("lockChanges");
    QTest::addColumn<int>("changedTo");
    QTest::newRow("lock") << "running" << 0 << "" << 0 << 0 << "锁定 %1"
                          << "锁定域名" << true << 1;
    QTest::newRow("unlock") << "locked" << 0 << "" << 0 << 0 << "解锁 %1"
                            << "解锁域名" << true << 0;
    QTest::newRow("pause") << "running" << 1 << "" << 0 << 1 << "暂停 %1"
                           << "暂停域名" << false << 1;
    QTest::newRow("start") << "paused" << 1 << "" << 0 << 0 << "启用 %1"
                           << "启用域名" << false << 0;
    QTest::newRow("checked lock") << "running" << -1 << "comboBox_9" << 0 << 0 << "锁定 %1"
                                  << "锁定域名" << true << 1;
    QTest::newRow("checked unlock") << "locked" << -1 << "comboBox_9" << 1 << 0 << "解锁 %1"
                                    << "解锁域名" << true << 0;
    QTest::newRow("checked pause") << "running" << -1 << "comboBox_8" << 0 << 0 << "暂停 %1"
                                   << "暂停域名" << false << 1;
    QTest::newRow("checked start") << "paused" << -1 << "comboBox_8" << 1 << 0 << "启用 %1"
                                   << "启用域名" << false << 0;
}

// Each action on a domain is one job whose step says what was done; undo puts it back.
void TestHistoryPage::domainActionsJournaledAndUndone()
{
    QFETCH(QString, pick);
    QFETCH(int, button);
    QFETCH(QString, combo);
    QFETCH(int, comboIndex);
    QFETCH(int, questions);
    QFETCH(QString, summary);
    QFETCH(QString, op);
    QFETCH(bool, lockChanges);
    QFETCH(int, changedTo);
    User &user = theUser();
    QString name;
    for (const Domain &d : qAsConst(user.domains)) {
        const QString kind = d.userLock != 0 ? QStringLiteral("locked")
                             : d.state != 0  ? QStringLiteral("paused")
                                             : QStringLiteral("running");
        if (kind == pick && name.isEmpty())
            name = d.name;
    }
    QVERIFY(!name.isEmpty());
    const auto served = [&] {
        if (user.getDomain() <= 0 || !user.domain2ptr(name))
            return -1;
        const Domain *d = user.domain2ptr(name);
        return lockChanges ? d->userLock : d->state;
    };
    const int original = served();
    QCOMPARE(original, 1 - changedTo);

    const int row = domainRow(name);
    QVERIFY(row >= 0);
    auto *table = m_h.widget<QTableWidget>("tableWidget");
    m_h.boxes->setQuestionDefault(1);
    if (button >= 0) {
        table->cellWidget(row, 1)->findChildren<QPushButton *>().value(button)->click();
    } else {
        setRowChecked(table, row, true);
        emit m_h.widget<QComboBox>(qPrintable(combo))->activated(comboIndex);
    }
    QCOMPARE(m_h.boxes->count(), questions);
    QCOMPARE(served(), changedTo);

    m_h.window->showHistory();
    QCOMPARE(jobModel()->index(0, JobListModel::Kind).data().toString(),
             QStringLiteral("域名操作"));
    QCOMPARE(jobModel()->index(0, JobListModel::Summary).data().toString(),
             QString(summary).replace(QLatin1String("%1"), name));
    QAbstractItemModel *steps = page().stepTable()->model();
    QCOMPARE(steps->rowCount(), 1);
    QCOMPARE(steps->index(0, 0).data().toString(), name);
    QCOMPARE(steps->index(0, 1).data().toString(), op);
    QCOMPARE(steps->index(0, 4).data().toString(), QStringLiteral("成功"));

    page().undoButton()->click();
    PlanDialog *dialog = page().planDialog();
    QVERIFY(dialog);
    dialog->view().runButton()->click();
    QCOMPARE(served(), original);
    QVERIFY2(m_h.toast().endsWith(QStringLiteral("：已改回 1 个域名")), qPrintable(m_h.toast()));
}

QTEST_MAIN(TestHistoryPage)
#include "tst_historypage.moc"
