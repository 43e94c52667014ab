#pragma once

#include "client/Types.h"
#include "manage/batch/BatchStartChecks.h"
#include "manage/shared/ManagePage.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>

class BatchRowTable;
struct BatchRowValues;
class PageJobRunner;
class PlanDialog;
class QFrame;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QTextEdit;
class QWidget;

// The widgets of one tab of the batch page.
struct BatchTabWidgets
{
    QGridLayout *rows = nullptr;     // the record rows
    QPushButton *newRow = nullptr;   // adds a row
    QStackedWidget *stack = nullptr; // input page or results page
    QWidget *inputPage = nullptr;
    QWidget *resultsPage = nullptr;
    QTextEdit *failures = nullptr;
    QTextEdit *successes = nullptr;
    QPushButton *returnButton = nullptr; // back to the input page
    // The job's overlay.
    QFrame *overlay = nullptr;
    QLabel *animation = nullptr;
    QLabel *progress = nullptr;
    QPushButton *stop = nullptr;
};

// The widgets the batch page owns: the shared domain list, the tabs and each tab's widgets.
struct BatchJobsWidgets
{
    QPlainTextEdit *plainTextEdit_2 = nullptr; // the domains, one a line
    QTabWidget *tabWidget_bat = nullptr;
    QWidget *tab_batadd = nullptr;
    QWidget *tab_batedit = nullptr;
    BatchTabWidgets add;
    BatchTabWidgets edit;
    BatchTabWidgets del;
};

// The batch page: add, edit and delete records across many domains. The domain list on the
// left is shared by the three tabs; each tab has its rows, its job and its result lists.
class BatchJobsPage : public ManagePage
{
    Q_OBJECT
public:
    BatchJobsPage(PageShell &window, const BatchJobsWidgets &widgets);
    ~BatchJobsPage() override;

    // By-name slots handed over by the window, for the tab of kind.
    void newRowClicked(BatchKind kind);
    void startClicked(BatchKind kind);
    // "预览": the tab's plan over the domain list, with a button that runs exactly that plan
    // as a journaled job.
    void previewClicked(BatchKind kind);
    // Back to the tab's input with its rows cleared and one new row.
    void returnClicked(BatchKind kind);
    // The plan shown by the last preview while it is open; null otherwise.
    PlanDialog *planDialog() const;
    void tabChanged(int index);
    void clearDomainsClicked();
    // The domain list's batch button: names (when any) become the domain list.
    void setDomainNames(const QStringList &names);

    // The record page's batch button: shows the batch page with domainName as the domain list
    // and opens the edit tab with one row for each of the first five of records (old and new
    // record both filled from it). Without records the add tab is shown instead.
    void editRecords(const QString &domainName, const QList<QSharedPointer<Record>> &records);

    // "检测生效" on a tab's results page: checks the records the tab's last job changed.
    void liveClicked(BatchKind kind);
    QPushButton *liveButton(BatchKind kind) const { return tab(kind).liveButton; }

    BatchRowTable &rows(BatchKind kind) const;
    PageJobRunner &runner(BatchKind kind) const;

private:
    struct Tab
    {
        BatchKind kind;
        BatchRowTable *rows = nullptr;
        PageJobRunner *runner = nullptr;
        QStackedWidget *stack = nullptr;
        QWidget *inputPage = nullptr;
        QWidget *resultsPage = nullptr;
        QTextEdit *failures = nullptr;
        QTextEdit *successes = nullptr;
        QPushButton *newRow = nullptr;
        QPushButton *returnButton = nullptr;
        QPushButton *liveButton = nullptr; // "检测生效" beside returnButton
        QLabel *domainCount = nullptr;     // "将操作 N 个域名" before the preview button
        qint64 lastJob = 0;                // the job the results page shows
    };

    const Tab &tab(BatchKind kind) const;
    // Whether t may start a job or a preview now: none runs or is shown, and the domain list
    // (cleaned into domains) and the rows pass the checks; a failed check is shown.
    bool mayStart(const Tab &t, QStringList &domains);
    // Checks and fixes up a start; false (with the message shown) when it may not go on.
    bool checkStart(const Tab &t, const QStringList &domains);
    void runJob(const Tab &t, const QStringList &domains);
    void runPreviewed(BatchKind kind);
    QList<BatchRowValues> rowValues(const Tab &t) const;
    // The cleaned domain list, also written back into its editor.
    QStringList takeDomainList();
    // Each tab's count of the domains a start would go through, from the list as it is now.
    void showDomainCount();

    const BatchJobsWidgets m_w;
    QList<Tab> m_tabs;
    QPointer<PlanDialog> m_dialog;
};
