#include "manage/history/HistoryPage.h"

#include "client/journal/JobSummary.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/Previews.h"
#include "manage/history/HistoryModels.h"
#include "manage/shared/LiveCheckDialog.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

HistoryPage::HistoryPage(PageShell &window, const HistoryWidgets &widgets)
    : ManagePage(window), m_w(widgets), m_jobModel(new JobListModel(this)),
      m_stepModel(new JobStepModel(this))
{
    QWidget *page = m_w.page_history;
    auto *bar = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("操作记录"), page);
    title->setStyleSheet(QStringLiteral("font-size:16px;font-weight:bold;"));
    m_refresh = new QPushButton(QStringLiteral("刷新"), page);
    m_undo = new QPushButton(QStringLiteral("撤销"), page);
    m_undo->setEnabled(false);
    m_live = new QPushButton(QStringLiteral("检测生效"), page);
    m_live->setEnabled(false);
    m_live->setToolTip(QStringLiteral("检查此作业改动的记录是否已在每台DNS服务器的每条线路生效"));
    bar->addWidget(title);
    bar->addStretch();
    bar->addWidget(m_refresh);
    bar->addWidget(m_live);
    bar->addWidget(m_undo);

    m_empty = new QLabel(
        QStringLiteral("还没有操作记录。批量作业、记录和域名的修改都会记在这里，并可撤销。"), page);
    m_empty->setStyleSheet(QStringLiteral("color:#888;"));
    m_jobs = newRowTable(m_jobModel, page);
    m_jobs->setObjectName(QStringLiteral("tableJobs"));
    m_steps = newRowTable(m_stepModel, page);
    m_steps->setObjectName(QStringLiteral("tableJobSteps"));
    // Every column as wide as what it shows; the job's summary takes the rest (its full text
    // in the tool tip), and the steps scroll sideways rather than cut a record.
    QHeaderView *jobColumns = m_jobs->horizontalHeader();
    jobColumns->setSectionResizeMode(QHeaderView::ResizeToContents);
    jobColumns->setStretchLastSection(false);
    jobColumns->setSectionResizeMode(JobListModel::Summary, QHeaderView::Stretch);
    m_jobs->setTextElideMode(Qt::ElideRight);
    m_steps->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_w.lay_page_history->addLayout(bar);
    m_w.lay_page_history->addWidget(m_empty);
    m_w.lay_page_history->addWidget(m_jobs, 1);
    m_w.lay_page_history->addWidget(m_steps, 1);

    connect(m_jobs->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showJob(current.row()); });
    connect(m_refresh, &QPushButton::clicked, this, &HistoryPage::reload);
    connect(m_undo, &QPushButton::clicked, this, &HistoryPage::undoClicked);
    connect(m_live, &QPushButton::clicked, this, &HistoryPage::liveClicked);
}

HistoryPage::~HistoryPage() = default;

PlanDialog *HistoryPage::planDialog() const
{
    return m_dialog;
}

QCheckBox *HistoryPage::forceBox() const
{
    return m_dialog ? m_dialog->view().forceBox() : nullptr;
}

LiveCheckDialog *HistoryPage::liveDialog() const
{
    return m_liveDialog;
}

void HistoryPage::liveClicked()
{
    const int row = m_jobs->currentIndex().row();
    if (row < 0 || row >= m_jobModel->rowCount() || m_liveDialog)
        return;
    const JournalJob job = m_jobModel->job(row);
    m_liveDialog = LiveCheckDialog::openForJob(
        user(), job.id, QStringLiteral("检测生效：#%1 %2").arg(job.id).arg(job.summary),
        m_w.page_history->window());
}

void HistoryPage::reload()
{
    const int row = m_jobs->currentIndex().row();
    const qint64 kept = row >= 0 && row < m_jobModel->rowCount() ? m_jobModel->job(row).id : 0;
    QList<JournalJob> jobs;
    // No journal file yet: nothing was changed, and reading must not create one.
    if (QFileInfo::exists(Journal::defaultPath())) {
        Journal journal;
        if (journal.open(Journal::defaultPath(), false))
            jobs = journal.jobs(journalAccount(user()));
        else
            m_empty->setText(QStringLiteral("无法读取操作记录：") + journal.errorText());
    }
    m_jobModel->setJobs(jobs);
    m_empty->setVisible(jobs.isEmpty());
    int select = jobs.isEmpty() ? -1 : 0;
    for (int i = 0; i < jobs.size(); ++i) {
        if (jobs.at(i).id == kept)
            select = i;
    }
    if (select >= 0)
        m_jobs->setCurrentIndex(m_jobModel->index(select, 0));
    showJob(select);
}

void HistoryPage::showJob(int row)
{
    if (row < 0 || row >= m_jobModel->rowCount()) {
        m_stepModel->setSteps({});
        m_undo->setEnabled(false);
        m_live->setEnabled(false);
        return;
    }
    const JournalJob &job = m_jobModel->job(row);
    Journal journal;
    if (journal.open(Journal::defaultPath(), false))
        m_stepModel->setSteps(journal.steps(job.id));
    // One undo at a time: "撤销" waits while one is shown or runs, whatever reloads the list.
    m_undo->setEnabled(!m_dialog && job.state != JobState::Running &&
                       job.state != JobState::Undone);
    m_live->setEnabled(true);
}

void HistoryPage::undoClicked()
{
    const int row = m_jobs->currentIndex().row();
    if (row < 0 || row >= m_jobModel->rowCount() || m_dialog)
        return;
    const JournalJob job = m_jobModel->job(row);
    Journal journal;
    if (!journal.open(Journal::defaultPath(), false)) {
        User::showMsgBox(QStringLiteral("无法读取操作记录：") + journal.errorText(), QString(), 1);
        return;
    }
    // Never forced at first: the choice is made in the dialog, for this undo only.
    UndoPreview preview(user(), journal, job.id, false);
    auto *dialog = new PlanDialog(m_w.page_history->window(),
                                  QStringLiteral("撤销预览：#%1 %2")
                                      .arg(job.id)
                                      .arg(jobSummary(job, SummaryLanguage::Chinese)));
    dialog->view().setRunText(QStringLiteral("撤销"));
    // Conflicts first, each beside what the job left: they are what an undo asks about.
    dialog->view().setUndo();
    m_dialog = dialog;
    // One undo at a time: "撤销" waits until this one is run or closed.
    m_undo->setEnabled(false);
    connect(dialog, &QObject::destroyed, this, [this] {
        // Let go first: the dialog is no longer one while it is destroyed.
        m_dialog = nullptr;
        showJob(m_jobs->currentIndex().row());
    });
    const qint64 id = job.id;
    connect(&dialog->view(), &PlanView::forceToggled, this,
            [this, id](bool force) { replanUndo(id, force); });
    dialog->buildAndOpen(preview, this, [this, id] { runUndo(id); });
}

void HistoryPage::replanUndo(qint64 jobId, bool force)
{
    PlanDialog *dialog = m_dialog;
    if (!dialog || dialog->running())
        return;
    const ChangePlan shown = dialog->view().plan();
    Journal journal;
    bool planned = journal.open(Journal::defaultPath(), false);
    if (planned) {
        UndoPreview preview(user(), journal, jobId, force);
        planned = dialog->build(preview);
    }
    // Closed while it was planned: nothing is left to show.
    if (planned || !m_dialog)
        return;
    // Stopped or failed: the plan shown stays, and so does the choice it was made with.
    QCheckBox *box = dialog->view().forceBox();
    const QSignalBlocker blocker(box);
    box->setChecked(!force);
    dialog->setPlan(shown);
}

void HistoryPage::runUndo(qint64 jobId)
{
    PlanDialog *dialog = m_dialog;
    if (!dialog)
        return;
    const QString summary = QStringLiteral("撤销 #%1").arg(jobId);
    const qint64 undo = dialog->run(user(), QStringLiteral("undo"), summary, jobId);
    if (undo)
        showToast(QStringLiteral("#%1 %2：%3")
                      .arg(undo)
                      .arg(summary, undoOutcomeSummary(dialog->outcomes())));
    dialog->deleteLater();
    reload();
    // The undo's job becomes the chosen one: "检测生效" then checks what it changed back.
    for (int i = 0; undo && i < m_jobModel->rowCount(); ++i) {
        if (m_jobModel->job(i).id == undo) {
            m_jobs->setCurrentIndex(m_jobModel->index(i, 0));
            break;
        }
    }
}
