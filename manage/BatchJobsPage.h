#pragma once

#include "ManagePage.h"
#include "Types.h"

// The batch page: add, edit and delete records across many domains.
class BatchJobsPage : public ManagePage
{
    Q_OBJECT
public:
    explicit BatchJobsPage(MainWindow2 &window);

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
};
