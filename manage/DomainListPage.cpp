#include "DomainListPage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

DomainListPage::DomainListPage(MainWindow2 &window) : ManagePage(window) {}

void DomainListPage::loadStaleLists()
{
    User &u = user();
    if (u.domains.isEmpty() || u.needDomainReload) {
        u.getDomain();
        u.needDomainReload = false;
    }
    if (u.needGroupReload) {
        u.getGroup();
        u.needGroupReload = false;
    }
}

void DomainListPage::growWhileScrolling() {}

void DomainListPage::repairEmptyTable() {}

void DomainListPage::selectAllClicked() {}

void DomainListPage::searchTextChanged(const QString &) {}

void DomainListPage::allDomainsClicked() {}

void DomainListPage::pauseComboActivated(int) {}

void DomainListPage::lockComboActivated(int) {}

void DomainListPage::groupComboActivated(int) {}

void DomainListPage::deleteCheckedClicked() {}

void DomainListPage::refreshClicked() {}

void DomainListPage::resultBackClicked() {}

void DomainListPage::batchJobsClicked() {}
