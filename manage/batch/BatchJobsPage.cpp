#include "manage/batch/BatchJobsPage.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/NoAnswerWatch.h"
#include "client/plan/NameLines.h"
#include "client/plan/Previews.h"
#include "manage/batch/BatchRecordJobs.h"
#include "manage/batch/BatchResultLines.h"
#include "manage/batch/BatchRowRequests.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/shared/LiveCheckDialog.h"
#include "manage/shared/PageJobRunner.h"
#include "manage/shared/PageJournal.h"
#include "manage/shared/PageShell.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "manage/shared/ResultList.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
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

// The journal's name for a job of kind.
QString jobKind(BatchKind kind)
{
    return batchKindName(kind == BatchKind::Add    ? BatchRequest::Add
                         : kind == BatchKind::Edit ? BatchRequest::Edit
                                                   : BatchRequest::Delete);
}

// The layout under root that holds widget; null when none does.
QLayout *layoutHolding(QLayout *root, QWidget *widget)
{
    if (!root)
        return nullptr;
    if (root->indexOf(widget) >= 0)
        return root;
    for (int i = 0; i < root->count(); ++i) {
        if (QLayout *found = layoutHolding(root->itemAt(i)->layout(), widget))
            return found;
    }
    return nullptr;
}

// "检测生效" on a results page, right after its return button and styled as it is.
QPushButton *liveButtonBeside(QPushButton *returnButton)
{
    QWidget *parent = returnButton->parentWidget();
    auto *button = new QPushButton(QStringLiteral("检测生效"), parent);
    button->setToolTip(QStringLiteral("检查此作业改动的记录是否已在每台DNS服务器的每条线路生效"));
    button->setStyleSheet(returnButton->styleSheet());
    button->setMinimumSize(returnButton->minimumSize());
    button->setCursor(Qt::PointingHandCursor);
    button->setEnabled(false);
    QLayout *layout = layoutHolding(parent->layout(), returnButton);
    if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
        box->insertWidget(box->indexOf(returnButton) + 1, button);
    } else if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(returnButton), &row, &column, &rowSpan, &columnSpan);
        grid->addWidget(button, row, column + columnSpan);
    } else if (layout) {
        layout->addWidget(button);
    }
    return button;
}

// "将操作 N 个域名" on an input page, right before its preview button.
QLabel *domainCountBefore(QPushButton *preview)
{
    QWidget *parent = preview->parentWidget();
    auto *label = new QLabel(parent);
    label->setStyleSheet(QStringLiteral("color:#666;"));
    if (auto *box = qobject_cast<QBoxLayout *>(layoutHolding(parent->layout(), preview)))
        box->insertWidget(box->indexOf(preview), label);
    return label;
}

} // namespace

BatchJobsPage::BatchJobsPage(PageShell &window, const BatchJobsWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    const auto makeTab = [this, &window](BatchKind kind, const BatchTabWidgets &w,
                                         const char *listName) {
        Tab t{kind};
        t.rows = new BatchRowTable(window, kind, w.rows, listName, this);
        t.runner = new PageJobRunner(jobWidgets(w.overlay, w.animation, w.progress, w.stop,
                                                w.returnButton, w.failures, w.successes),
                                     this);
        t.stack = w.stack;
        t.inputPage = w.inputPage;
        t.resultsPage = w.resultsPage;
        t.failures = w.failures;
        t.successes = w.successes;
        t.newRow = w.newRow;
        t.returnButton = w.returnButton;
        t.liveButton = liveButtonBeside(w.returnButton);
        t.liveButton->setObjectName(QString::fromLatin1(listName) + QStringLiteral("_live"));
        connect(t.liveButton, &QPushButton::clicked, this, [this, kind] { liveClicked(kind); });
        const QString name = QString::fromLatin1(listName);
        if (auto *preview =
                w.inputPage->findChild<QPushButton *>(QStringLiteral("pushButton_prev") + name)) {
            t.domainCount = domainCountBefore(preview);
            t.domainCount->setObjectName(name + QStringLiteral("_count"));
        }
        return t;
    };
    m_tabs = {makeTab(BatchKind::Add, widgets.add, "batadd"),
              makeTab(BatchKind::Edit, widgets.edit, "batedit"),
              makeTab(BatchKind::Delete, widgets.del, "batdel")};
    connect(m_w.plainTextEdit_2, &QPlainTextEdit::textChanged, this,
            &BatchJobsPage::showDomainCount);
    showDomainCount();
}

void BatchJobsPage::showDomainCount()
{
    const int n = cleanDomainList(m_w.plainTextEdit_2->toPlainText()).size();
    for (const Tab &t : qAsConst(m_tabs)) {
        if (t.domainCount)
            t.domainCount->setText(QStringLiteral("将操作 %1 个域名").arg(n));
    }
}

BatchJobsPage::~BatchJobsPage() = default;

PlanDialog *BatchJobsPage::planDialog() const
{
    return m_dialog;
}

const BatchJobsPage::Tab &BatchJobsPage::tab(BatchKind kind) const
{
    return m_tabs.at(static_cast<int>(kind));
}

BatchRowTable &BatchJobsPage::rows(BatchKind kind) const
{
    return *tab(kind).rows;
}

PageJobRunner &BatchJobsPage::runner(BatchKind kind) const
{
    return *tab(kind).runner;
}

void BatchJobsPage::newRowClicked(BatchKind kind)
{
    tab(kind).rows->addRow();
}

void BatchJobsPage::tabChanged(int index)
{
    // A disabled button (its tab's job runs) ignores the press.
    if (index >= 0 && index < m_tabs.size())
        m_tabs.at(index).returnButton->click();
}

void BatchJobsPage::clearDomainsClicked()
{
    m_w.plainTextEdit_2->clear();
}

QList<BatchRowValues> BatchJobsPage::rowValues(const Tab &t) const
{
    QList<BatchRowValues> values;
    for (QLineEdit *host : t.rows->rows())
        values.append(t.rows->values(host));
    return values;
}

QStringList BatchJobsPage::takeDomainList()
{
    const QStringList domains = cleanDomainList(m_w.plainTextEdit_2->toPlainText());
    const QString text = domains.join(QLatin1Char('\n'));
    if (m_w.plainTextEdit_2->toPlainText() != text)
        m_w.plainTextEdit_2->setPlainText(text);
    return domains;
}

bool BatchJobsPage::mayStart(const Tab &t, QStringList &domains)
{
    // Not while a previewed plan is shown or runs: one job at a time changes the records.
    if (t.runner->isRunning() || m_dialog)
        return false;
    domains = takeDomainList();
    return checkStart(t, domains);
}

void BatchJobsPage::startClicked(BatchKind kind)
{
    const Tab &t = tab(kind);
    QStringList domains;
    if (mayStart(t, domains))
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
        offending = m_w.plainTextEdit_2;
    else if (check.outcome == StartCheck::RowIncomplete)
        offending = t.rows->requiredEditor(hosts.at(check.row));
    else if (check.outcome == StartCheck::RowInvalid)
        offending = check.editor.isEmpty()
                        ? hosts.at(check.row)
                        : BatchRowTable::part<QWidget>(hosts.at(check.row),
                                                       check.editor.toLatin1().constData());
    if (offending) {
        offending->setFocus();
        PageJobRunner::flashInput(offending);
    }
    return false;
}

void BatchJobsPage::runJob(const Tab &t, const QStringList &domains)
{
    // Read once: the rows cannot change while the results page covers them, and the job must
    // not depend on widgets that a later action may delete.
    const QList<BatchRowValues> values = rowValues(t);

    // Every change is journaled: without a journal the job does not start.
    PageJournal journal;
    if (!journal.begin(
            user(), jobKind(t.kind),
            QStringLiteral("%1 行记录，%2 个域名").arg(values.size()).arg(domains.size())))
        return;

    t.stack->setCurrentWidget(t.resultsPage);
    t.failures->clear();
    t.successes->clear();
    t.runner->start();
    User &u = user();
    if (t.kind != BatchKind::Add) {
        for (Domain &dm : u.domains)
            dm.recordsDirty = true;
    }
    // The lists are covered and not repainted while the job runs, so their lines go in once
    // at the end: a document edited per item was laid out again per item.
    QStringList successLines;
    QStringList failureLines;
    // A service that stops answering: the job gives up as every job does (NoAnswerWatch),
    // rather than wait out the time limit of every remaining request; the rest is journaled as
    // skipped.
    NoAnswerWatch noAnswers;
    int current = 0;
    BatchResultSink sink;
    sink.success = [&successLines](const QString &line) { successLines.append(line); };
    sink.failure = [&failureLines](const QString &line) { failureLines.append(line); };
    sink.journal = &journal;
    sink.answer = [&noAnswers, &current](bool answered) { noAnswers.note(answered, current + 1); };
    sink.gaveUp = [&noAnswers] { return noAnswers.gaveUp(); };
    sink.reason = [&noAnswers, &domains]() -> QString {
        return noAnswers.reason(domains.size()) + QStringLiteral("，未执行");
    };
    bool stopped = false;
    for (int i = 0; i < domains.size(); ++i) {
        // A journal that failed stops the job: nothing goes out unjournaled.
        if (journal.failed() || !t.runner->next(i, domains.size())) {
            stopped = true;
            break;
        }
        current = i;
        if (sink.gaveUp()) {
            skipBatchDomain(u, t.kind, domains.at(i), values, sink);
            continue;
        }
        runBatchDomain(u, t.kind, domains.at(i), values, sink);
        noAnswers.endDomain();
    }
    if (noAnswers.gaveUp()) {
        stopped = true;
        failureLines.append(sink.reason());
    }
    appendResultLines(t.successes, successLines);
    appendResultLines(t.failures, failureLines);
    journal.finish(stopped);
    t.runner->finish();
    m_tabs[static_cast<int>(t.kind)].lastJob = journal.jobId();
    t.liveButton->setEnabled(journal.jobId() != 0);
}

void BatchJobsPage::liveClicked(BatchKind kind)
{
    const Tab &t = tab(kind);
    if (!t.lastJob)
        return;
    LiveCheckDialog::openForJob(user(), t.lastJob, QStringLiteral("检测生效：#%1").arg(t.lastJob),
                                t.stack->window());
}

void BatchJobsPage::previewClicked(BatchKind kind)
{
    const Tab &t = tab(kind);
    QStringList domains;
    if (!mayStart(t, domains))
        return;
    BatchPreview preview(user(), batchRequests(kind, rowValues(t)), domains, QStringLiteral("："));
    static const char *const titles[] = {"批量添加预览", "批量修改预览", "批量删除预览"};
    auto *dialog =
        new PlanDialog(t.stack->window(), QString::fromUtf8(titles[static_cast<int>(kind)]));
    m_dialog = dialog;
    dialog->buildAndOpen(preview, this, [this, kind] { runPreviewed(kind); });
}

void BatchJobsPage::runPreviewed(BatchKind kind)
{
    PlanDialog *dialog = m_dialog;
    if (!dialog)
        return;
    const Tab &t = tab(kind);
    const ChangePlan &plan = dialog->view().plan();
    const QString summary = PlanText::summary(plan);
    t.stack->setCurrentWidget(t.resultsPage);
    t.failures->clear();
    t.successes->clear();
    for (Domain &dm : user().domains)
        dm.recordsDirty = true;
    const qint64 job = dialog->run(user(), jobKind(kind), summary);
    m_tabs[static_cast<int>(kind)].lastJob = job;
    t.liveButton->setEnabled(job != 0);
    if (job) {
        QStringList done;
        QStringList failed;
        // In the start button's formats: one tab, one way of reading its results.
        for (const StepOutcome &o : dialog->outcomes()) {
            bool success = false;
            const QStringList lines = outcomeLines(o, success);
            (success ? done : failed).append(lines);
        }
        appendResultLines(t.successes, done);
        appendResultLines(t.failures, failed);
        // The job's number, as the history page and halvik-cli jobs show it.
        showToast(QStringLiteral("任务 #%1：%2").arg(job).arg(outcomeSummary(dialog->outcomes())));
    }
    dialog->deleteLater();
}

void BatchJobsPage::returnClicked(BatchKind kind)
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

void BatchJobsPage::setDomainNames(const QStringList &names)
{
    if (!names.isEmpty())
        m_w.plainTextEdit_2->setPlainText(names.join(QLatin1Char('\n')));
}

void BatchJobsPage::editRecords(const QString &domainName,
                                const QList<QSharedPointer<Record>> &records)
{
    m_w.plainTextEdit_2->setPlainText(domainName);
    takeDomainList();
    m_window.showBatchJobs();
    m_w.tabWidget_bat->setCurrentWidget(m_w.tab_batedit);
    tab(BatchKind::Edit).returnButton->click();

    QList<QSharedPointer<Record>> taken;
    for (const QSharedPointer<Record> &record : records) {
        if (record && taken.size() < kMaxRowsFromRecordPage)
            taken.append(record);
    }
    if (taken.isEmpty()) {
        m_w.tabWidget_bat->setCurrentWidget(m_w.tab_batadd);
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
