#pragma once

#include "ManagePage.h"
#include "Types.h"

// The domain list page: the domain table, the group column, search and the bulk actions.
class DomainListPage : public ManagePage
{
    Q_OBJECT
public:
    explicit DomainListPage(MainWindow2 &window);

    // Runs inside the window's loading loop when the domain page opens with stale lists:
    // fetches what is stale (clearing its flag), rebuilds the group column and, when the
    // domains were fetched, refills the table for all groups.
    void loadStaleLists();

    // The table duties of the window's periodic job: append rows while the user scrolls near
    // the end, and refill a table left empty although domains of the current filter exist.
    // Both do nothing while a fill runs.
    void growWhileScrolling();
    void repairEmptyTable();

    // By-name slots handed over by the window.
    void selectAllClicked();
    void searchTextChanged(const QString &text);
    void allDomainsClicked();
    void pauseComboActivated(int index);
    void lockComboActivated(int index);
    void groupComboActivated(int index);
    void deleteCheckedClicked();
    void refreshClicked();
    void resultBackClicked();
    void batchJobsClicked();
};
