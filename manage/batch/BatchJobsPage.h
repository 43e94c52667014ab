#pragma once

#include "client/Types.h"
#include "manage/batch/BatchStartChecks.h"
#include "manage/shell/ManagePage.h"

#include <QList>
#include <QSharedPointer>
#include <QStringList>

class BatchRowTable;
class JobRunner;
class QPushButton;
class QStackedWidget;
class QTextEdit;
class QWidget;

// The batch page: add, edit and delete records across many domains. The domain list on the
// left is shared by the three tabs; each tab has its rows, its job and its result lists.
class BatchJobsPage : public ManagePage
{
    Q_OBJECT
public:
    explicit BatchJobsPage(MainWindow2 &window);
    ~BatchJobsPage() override;

    // By-name slots handed over by the window.
    void newAddRowClicked();
    void newEditRowClicked();
    void newDeleteRowClicked();
    void startAddClicked();
    void startEditClicked();
    void startDeleteClicked();
    void returnAddClicked();
    void returnEditClicked();
    void returnDeleteClicked();
    void tabChanged(int index);
    void clearDomainsClicked();
    void openFromRecordPage();

    // The record page's batch button: shows the batch page with domainName as the domain list
    // and opens the edit tab with one row for each of the first five of records (old and new
    // record both filled from it). Without records the add tab is shown instead.
    void editRecords(const QString &domainName, const QList<QSharedPointer<Record>> &records);

    BatchRowTable &rows(BatchKind kind) const;
    JobRunner &runner(BatchKind kind) const;

private:
    struct Tab
    {
        BatchKind kind;
        BatchRowTable *rows = nullptr;
        JobRunner *runner = nullptr;
        QStackedWidget *stack = nullptr;
        QWidget *inputPage = nullptr;
        QWidget *resultsPage = nullptr;
        QTextEdit *failures = nullptr;
        QTextEdit *successes = nullptr;
        QPushButton *newRow = nullptr;
        QPushButton *returnButton = nullptr;
    };

    const Tab &tab(BatchKind kind) const;
    void startJob(BatchKind kind);
    // Checks and fixes up a start; false (with the message shown) when it may not go on.
    bool checkStart(const Tab &t, const QStringList &domains);
    void runJob(const Tab &t, const QStringList &domains);
    void returnAndContinue(BatchKind kind);
    // The cleaned domain list, also written back into its editor.
    QStringList takeDomainList();

    QList<Tab> m_tabs;
};
