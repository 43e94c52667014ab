#pragma once

#include "manage/shared/ManagePage.h"

class QLabel;
class QPushButton;

// The widgets the settings page owns, under the form's object names.
struct SettingsWidgets
{
    QLabel *label_37 = nullptr;           // the account on the settings page
    QLabel *label = nullptr;              // the account in the navigation column
    QPushButton *pushButton_34 = nullptr; // remember-password switch
    QPushButton *pushButton_21 = nullptr; // autostart switch
    QLabel *label_keyring = nullptr;      // said while no keyring answers
};

// The settings page (account, remembered password, autostart, logout) and the help
// page (web site, version check).
class SettingsPage : public ManagePage
{
    Q_OBJECT
public:
    SettingsPage(PageShell &window, const SettingsWidgets &widgets);
    ~SettingsPage() override;

    // Part of the preparation after the first show: the account labels and the two switches.
    void showAccount();

    // By-name slots handed over by the window.
    void rememberPasswordClicked();
    void autostartClicked();
    void logoutClicked();
    void webSiteClicked();
    void checkVersionClicked();

private:
    const SettingsWidgets m_w;
};
