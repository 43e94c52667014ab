#include "SettingsPage.h"

#include "MainWindow2.h"
#include "User.h"
#include "ui_MainWindow2.h"

SettingsPage::SettingsPage(MainWindow2 &window) : ManagePage(window) {}

void SettingsPage::showAccount()
{
    m_ui.label_37->setText(user().email);
    m_ui.label->setText(user().email);
}

void SettingsPage::rememberPasswordClicked() {}

void SettingsPage::autostartClicked() {}

void SettingsPage::logoutClicked() {}

void SettingsPage::webSiteClicked() {}

void SettingsPage::checkVersionClicked() {}
