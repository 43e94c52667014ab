#include "RecordPage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

RecordPage::RecordPage(MainWindow2 &window) : ManagePage(window) {}

void RecordPage::showRecordPage(Domain *) {}

void RecordPage::activateRow(Record *) {}

void RecordPage::activateRowAdd() {}

void RecordPage::addClicked()
{
    activateRowAdd();
}

void RecordPage::refreshClicked() {}

void RecordPage::backClicked() {}

void RecordPage::selectAllClicked() {}

void RecordPage::deleteCheckedClicked() {}

void RecordPage::pauseComboActivated(int) {}
