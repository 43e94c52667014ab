#include "AddDomainsPage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

AddDomainsPage::AddDomainsPage(MainWindow2 &window) : ManagePage(window) {}

void AddDomainsPage::startClicked() {}

void AddDomainsPage::backClicked() {}

void AddDomainsPage::cancelClicked() {}

void AddDomainsPage::continueClicked() {}

void AddDomainsPage::pageChanged(int) {}

void AddDomainsPage::textChanged() {}
