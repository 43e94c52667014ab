#include "manage/settings/SettingsPage.h"

#include "client/Autostart.h"
#include "client/LoginSettings.h"
#include "client/PasswordStore.h"
#include "client/ServicePageUrl.h"
#include "client/User.h"
#include "manage/settings/VersionCheck.h"
#include "manage/shared/PageShell.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

SettingsPage::SettingsPage(PageShell &window, const SettingsWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    // Said once, here, while no keyring answers: the password then stays in the settings file.
    m_w.label_keyring->setVisible(passwordStore().keyringMissing());
    connect(&passwordStore(), &PasswordStore::keyringFoundMissing, m_w.label_keyring,
            &QLabel::show);
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::showAccount()
{
    m_w.label_37->setText(user().email);
    m_w.label->setText(user().email);
    // The sign-in window's remember box; what is stored when no sign-in window told.
    const std::optional<bool> remembered = m_window.passwordRemembered();
    m_w.pushButton_34->setChecked(remembered ? *remembered : loadLoginSettings().hasPassword);
    m_w.pushButton_21->setChecked(autostartEnabled());
}

void SettingsPage::rememberPasswordClicked()
{
    QPushButton *toggle = m_w.pushButton_34;
    // A refusal (nothing to remember after a WeChat sign-in) was told to the user; the switch
    // goes back so that it does not claim a password is kept.
    // The keyring may also decline (locked, or the user said no): the switch then shows what is
    // kept.
    const bool remember = toggle->isChecked();
    if (!saveLoginSettings(user(), remember, toggle, [toggle, remember](bool kept) {
            if (!kept)
                toggle->setChecked(!remember);
        }))
        toggle->setChecked(false);
}

void SettingsPage::autostartClicked()
{
    QPushButton *toggle = m_w.pushButton_21;
    QString error;
    if (setAutostart(toggle->isChecked(), &error))
        return;
    // The switch shows what is in force, and the user learns why it did not change.
    toggle->setChecked(autostartEnabled());
    User::showMsgBox(error, QString(), 1);
}

void SettingsPage::logoutClicked()
{
    if (!User::showMsgBox(QStringLiteral("确定注销当前账户吗?"), QStringLiteral("注销确认"), 2))
        return;
    m_window.returnToSignIn();
}

void SettingsPage::webSiteClicked()
{
    (void)QDesktopServices::openUrl(servicePageUrl(user(), QString()));
}

void SettingsPage::checkVersionClicked()
{
    double latest = 0;
    QString name;
    QString notes;
    QString downloadUrl;
    if (!user().getChkVer(latest, name, notes, downloadUrl)) {
        User::showMsgBox(user().errorText, QString(), 1);
        return;
    }
    const double running = m_window.runningVersion();
    const VersionStanding standing = compareVersions(running, latest);
    if (standing != VersionStanding::Behind) {
        User::showMsgBox(upToDateText(standing), QString(), 1);
        return;
    }
    const QString url = downloadAddress(downloadUrl, user().webBaseUrl);
    if (User::showMsgBox(updateQuestion(running, latest), QStringLiteral("是否更新"), 2, -1, false,
                         QString(), nullptr, QStringLiteral("更新"), QStringLiteral("暂不更新")))
        (void)QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}
