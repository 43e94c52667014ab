#include "manage/batch/BatchJobsPage.h"

#include "client/User.h"
#include "manage/batch/BatchRecordJobs.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/records/RecordPage.h"
#include "manage/shared/JobRunner.h"
#include "manage/shared/NameLines.h"
#include "manage/shared/ResultList.h"
#include "manage/shell/MainWindow2.h"
#include "ui_MainWindow2.h"

#include <algorithm>

namespace {

// An edit opened from the record page takes at most this many of the ticked records.
constexpr int kMaxRowsFromRecordPage = 5;

JobWidgets jobWidgets(QWidget *overlay, QLabel *animation, QLabel *progress, QPushButton *stop,
                      QPushButton *locked, QTextEdit *failures, QTextEdit *successes)
{
    JobWidgets w;
    w.overlay = overlay;
    w.animation = animation;
    w.progress = progress;
    w.stop = stop;
    w.locked = {locked};
    w.covered = {failures, successes};
    return w;
}

} // namespace

BatchJobsPage::BatchJobsPage(MainWindow2 &window) : ManagePage(window)
{
    Ui::MainWindow2 &ui = m_ui;
    Tab add{BatchKind::Add};
    add.rows = new BatchRowTable(window, BatchKind::Add, ui.gridLayout_4, "batadd", this);
    add.runner = new JobRunner(jobWidgets(ui.frame_loading1, ui.label_f_loading1,
                                          ui.label_fp_loading1, ui.pushButton_f_loading1,
                                          ui.pushButton_43, ui.textEdit_6, ui.textEdit_7),
                               this);
    add.stack = ui.stackedWidget_batadd;
    add.inputPage = ui.page_batadd1;
    add.resultsPage = ui.page_batadd2;
    add.failures = ui.textEdit_6;
    add.successes = ui.textEdit_7;
    add.newRow = ui.pushButton_bataddnew;
    add.returnButton = ui.pushButton_43;

    Tab edit{BatchKind::Edit};
    edit.rows = new BatchRowTable(window, BatchKind::Edit, ui.gridLayout_5, "batedit", this);
    edit.runner = new JobRunner(jobWidgets(ui.frame_loading2, ui.label_f_loading2,
                                           ui.label_fp_loading2, ui.pushButton_f_loading2,
                                           ui.pushButton_46, ui.textEdit_8, ui.textEdit_9),
                                this);
    edit.stack = ui.stackedWidget_batedit;
    edit.inputPage = ui.page_batedit1;
    edit.resultsPage = ui.page_batedit2;
    edit.failures = ui.textEdit_8;
    edit.successes = ui.textEdit_9;
    edit.newRow = ui.pushButton_bateditnew;
    edit.returnButton = ui.pushButton_46;

    Tab del{BatchKind::Delete};
    del.rows = new BatchRowTable(window, BatchKind::Delete, ui.gridLayout_6, "batdel", this);
    del.runner = new JobRunner(jobWidgets(ui.frame_loading3, ui.label_f_loading3,
                                          ui.label_fp_loading3, ui.pushButton_f_loading3,
                                          ui.pushButton_59, ui.textEdit_10, ui.textEdit_11),
                               this);
    del.stack = ui.stackedWidget_batdel;
    del.inputPage = ui.page_batdel1;
    del.resultsPage = ui.page_batdel2;
    del.failures = ui.textEdit_10;
    del.successes = ui.textEdit_11;
    del.newRow = ui.pushButton_batdelnew;
    del.returnButton = ui.pushButton_59;

    m_tabs = {add, edit, del};
}

BatchJobsPage::~BatchJobsPage() = default;

const BatchJobsPage::Tab &BatchJobsPage::tab(BatchKind kind) const
{
    return m_tabs.at(static_cast<int>(kind));
}

BatchRowTable &BatchJobsPage::rows(BatchKind kind) const
{
    return *tab(kind).rows;
}

JobRunner &BatchJobsPage::runner(BatchKind kind) const
{
    return *tab(kind).runner;
}

void BatchJobsPage::newAddRowClicked()
{
    tab(BatchKind::Add).rows->addRow();
}

void BatchJobsPage::newEditRowClicked()
{
    tab(BatchKind::Edit).rows->addRow();
}

void BatchJobsPage::newDeleteRowClicked()
{
    tab(BatchKind::Delete).rows->addRow();
}

void BatchJobsPage::startAddClicked()
{
    startJob(BatchKind::Add);
}

void BatchJobsPage::startEditClicked()
{
    startJob(BatchKind::Edit);
}

void BatchJobsPage::startDeleteClicked()
{
    startJob(BatchKind::Delete);
}

void BatchJobsPage::returnAddClicked()
{
    returnAndContinue(BatchKind::Add);
}

void BatchJobsPage::returnEditClicked()
{
    returnAndContinue(BatchKind::Edit);
}

void BatchJobsPage::returnDeleteClicked()
{
    returnAndContinue(BatchKind::Delete);
}

void BatchJobsPage::tabChanged(int index)
{
    // A disabled button (its tab's job runs) ignores the press.
    if (index >= 0 && index < m_tabs.size())
        m_tabs.at(index).returnButton->click();
}

void BatchJobsPage::clearDomainsClicked()
{
    m_ui.plainTextEdit_2->clear();
}

QStringList BatchJobsPage::takeDomainList()
{
    const QStringList domains = cleanDomainList(m_ui.plainTextEdit_2->toPlainText());
    const QString text = domains.join(QLatin1Char('\n'));
    if (m_ui.plainTextEdit_2->toPlainText() != text)
        m_ui.plainTextEdit_2->setPlainText(text);
    return domains;
}

void BatchJobsPage::startJob(BatchKind kind)
{
    const Tab &t = tab(kind);
    if (t.runner->isRunning())
        return;
    const QStringList domains = takeDomainList();
    if (!checkStart(t, domains))
        return;
    runJob(t, domains);
}

bool BatchJobsPage::checkStart(const Tab &t, const QStringList &domains)
{
    const QList<QLineEdit *> hosts = t.rows->rows();
    QList<BatchRowTexts> texts;
    for (QLineEdit *host : hosts)
        texts.append(t.rows->texts(host));
    const StartCheck check = checkBatchStart(t.kind, domains, texts);
    // The fix-ups stay in the editors whether or not the start goes on.
    for (int i = 0; i < hosts.size(); ++i)
        t.rows->setTexts(hosts.at(i), texts.at(i));
    if (check.passed())
        return true;

    User::showMsgBox(check.message, QString(), 1);
    QWidget *offending = nullptr;
    if (check.outcome == StartCheck::NoDomains)
        offending = m_ui.plainTextEdit_2;
    else if (check.outcome == StartCheck::RowIncomplete)
        offending = t.rows->requiredEditor(hosts.at(check.row));
    if (offending) {
        offending->setFocus();
        JobRunner::flashInput(offending);
    }
    return false;
}

void BatchJobsPage::runJob(const Tab &t, const QStringList &domains)
{
    // Read once: the rows cannot change while the results page covers them, and the job must
    // not depend on widgets that a later action may delete.
    QList<BatchRowValues> values;
    const QList<QLineEdit *> hosts = t.rows->rows();
    for (QLineEdit *host : hosts)
        values.append(t.rows->values(host));

    t.stack->setCurrentWidget(t.resultsPage);
    t.failures->clear();
    t.successes->clear();
    t.runner->start();
    User &u = user();
    if (t.kind != BatchKind::Add) {
        for (Domain &dm : u.domains)
            dm.recordsDirty = true;
    }
    QTextEdit *successes = t.successes;
    QTextEdit *failures = t.failures;
    const BatchResultSink sink{
        [successes](const QString &line) { appendResultLine(successes, line); },
        [failures](const QString &line) { appendResultLine(failures, line); }};
    for (int i = 0; i < domains.size(); ++i) {
        if (!t.runner->next(i, domains.size()))
            break;
        runBatchDomain(u, t.kind, domains.at(i), values, sink);
    }
    t.runner->finish();
}

void BatchJobsPage::returnAndContinue(BatchKind kind)
{
    const Tab &t = tab(kind);
    const QList<QLineEdit *> hosts = t.rows->rows();
    for (auto it = hosts.crbegin(); it != hosts.crend(); ++it) {
        if (auto *cancel = BatchRowTable::part<QPushButton>(*it, "btnC"))
            cancel->click();
    }
    t.newRow->click();
    t.stack->setCurrentWidget(t.inputPage);
}

void BatchJobsPage::openFromRecordPage()
{
    const RecordPage &records = m_window.recordPage();
    const QSharedPointer<Domain> domain = records.domain();
    editRecords(domain ? domain->name : QString(), records.checkedRecords());
}

void BatchJobsPage::editRecords(const QString &domainName,
                                const QList<QSharedPointer<Record>> &records)
{
    m_ui.plainTextEdit_2->setPlainText(domainName);
    takeDomainList();
    m_ui.commandLinkButton_2->click();
    m_ui.tabWidget_bat->setCurrentWidget(m_ui.tab_batedit);
    m_ui.pushButton_46->click();

    QList<QSharedPointer<Record>> taken;
    for (const QSharedPointer<Record> &record : records) {
        if (record && taken.size() < kMaxRowsFromRecordPage)
            taken.append(record);
    }
    if (taken.isEmpty()) {
        m_ui.tabWidget_bat->setCurrentWidget(m_ui.tab_batadd);
        return;
    }
    const Tab &t = tab(BatchKind::Edit);
    for (int n = t.rows->rows().size(); n < taken.size(); ++n)
        t.newRow->click();
    QList<QLineEdit *> hosts = t.rows->rows();
    while (hosts.size() > taken.size()) {
        if (auto *cancel = BatchRowTable::part<QPushButton>(hosts.takeLast(), "btnC"))
            cancel->click();
    }
    for (int i = 0; i < hosts.size(); ++i)
        t.rows->fillFromRecord(hosts.at(i), *taken.at(i));
}
