#pragma once

#include "manage/shared/ManagePage.h"

#include <QPointer>

class JobListModel;
class LiveCheckDialog;
class JobStepModel;
class PlanDialog;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QVBoxLayout;
class QWidget;

// The widgets the history page owns: its page, whose layout the page fills.
struct HistoryWidgets
{
    QWidget *page_history = nullptr;
    QVBoxLayout *lay_page_history = nullptr;
};

// The history page: the journal's jobs of the signed-in account, newest first; the steps of
// the chosen one with before and after; "撤销" builds the undo's plan (conflicts per step) and
// runs it once confirmed.
class HistoryPage : public ManagePage
{
    Q_OBJECT
public:
    HistoryPage(PageShell &window, const HistoryWidgets &widgets);
    ~HistoryPage() override;

    // Reads the journal again, keeping the chosen job when it is still there.
    void reload();
    // Builds the undo of the chosen job and shows it in the plan dialog.
    void undoClicked();
    // "检测生效": checks the records the chosen job changed, in a window with progress and
    // "停止" that lists those not yet live.
    void liveClicked();

    QTableView *jobTable() const { return m_jobs; }
    QTableView *stepTable() const { return m_steps; }
    QPushButton *undoButton() const { return m_undo; }
    // The undo dialog's "有冲突时仍然撤销" while it is shown; null otherwise.
    QCheckBox *forceBox() const;
    QPushButton *liveButton() const { return m_live; }
    // The check's window while it is open; null otherwise.
    LiveCheckDialog *liveDialog() const;
    QLabel *emptyLabel() const { return m_empty; }
    // The undo's plan while it is shown; null otherwise.
    PlanDialog *planDialog() const;

private:
    void showJob(int row);
    void runUndo(qint64 jobId);
    // The undo's plan made again, forced or not, when the choice in its dialog changes.
    void replanUndo(qint64 jobId, bool force);

    const HistoryWidgets m_w;
    JobListModel *m_jobModel;
    JobStepModel *m_stepModel;
    QTableView *m_jobs;
    QTableView *m_steps;
    QLabel *m_empty;
    QPushButton *m_refresh;
    QPushButton *m_undo;
    QPushButton *m_live;
    QPointer<PlanDialog> m_dialog;
    QPointer<LiveCheckDialog> m_liveDialog;
};
