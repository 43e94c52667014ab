#include "MessagePage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

MessagePage::MessagePage(MainWindow2 &window) : ManagePage(window) {}

void MessagePage::newsClicked() {}

void MessagePage::noticesClicked() {}

void MessagePage::informClicked() {}

void MessagePage::tabChanged(int) {}

void MessagePage::allTabClicked() {}

void MessagePage::unreadTabClicked() {}

void MessagePage::selectAllClicked() {}

void MessagePage::markReadClicked() {}

void MessagePage::markAllReadClicked() {}

void MessagePage::deleteClicked() {}

void MessagePage::refreshClicked() {}

void MessagePage::backClicked() {}
