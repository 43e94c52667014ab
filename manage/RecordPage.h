#pragma once

#include "ManagePage.h"
#include "Types.h"

// The record list page of one domain: in-place editors, row and bulk actions.
class RecordPage : public ManagePage
{
    Q_OBJECT
public:
    explicit RecordPage(MainWindow2 &window);

    void showRecordPage(Domain *domain);
    void activateRow(Record *rcp);
    void activateRowAdd();

    // By-name slots handed over by the window.
    void addClicked();
    void refreshClicked();
    void backClicked();
    void selectAllClicked();
    void deleteCheckedClicked();
    void pauseComboActivated(int index);
};
