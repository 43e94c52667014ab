#include "BatchJobsPage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

BatchJobsPage::BatchJobsPage(MainWindow2 &window) : ManagePage(window) {}

void BatchJobsPage::newAddRowClicked() {}

void BatchJobsPage::newEditRowClicked() {}

void BatchJobsPage::newDeleteRowClicked() {}

void BatchJobsPage::startAddClicked() {}

void BatchJobsPage::startEditClicked() {}

void BatchJobsPage::startDeleteClicked() {}

void BatchJobsPage::returnAddClicked() {}

void BatchJobsPage::returnEditClicked() {}

void BatchJobsPage::returnDeleteClicked() {}

void BatchJobsPage::tabChanged(int) {}

void BatchJobsPage::clearDomainsClicked() {}

void BatchJobsPage::openFromRecordPage() {}
