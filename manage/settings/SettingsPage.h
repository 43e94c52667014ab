#pragma once

#include "manage/shell/ManagePage.h"

// The settings page (account, remembered password, autostart, logout) and the help
// page (web site, version check).
class SettingsPage : public ManagePage
{
    Q_OBJECT
public:
    explicit SettingsPage(MainWindow2 &window);
    ~SettingsPage() override;

    // Part of the preparation after the first show: the account labels and the two switches.
    void showAccount();

    // By-name slots handed over by the window.
    void rememberPasswordClicked();
    void autostartClicked();
    void logoutClicked();
    void webSiteClicked();
    void checkVersionClicked();
};
