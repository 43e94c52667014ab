#include "manage/settings/SettingsPage.h"

#include "app/AppGlobals.h"
#include "app/Autostart.h"
#include "client/LoginSettings.h"
#include "client/PasswordStore.h"
#include "client/User.h"
#include "manage/settings/VersionCheck.h"
#include "manage/shell/MainWindow2.h"
#include "signin/MainWindow.h"
#include "signin/WebLinks.h"
#include "ui_MainWindow2.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QTabWidget>
#include <QUrl>

namespace {

// The remember-password box of the sign-in window, when that window exists.
QCheckBox *signInRememberBox()
{
    QWidget *signIn = signInWindow();
    return signIn ? signIn->findChild<QCheckBox *>(QStringLiteral("checkBox")) : nullptr;
}

} // namespace

SettingsPage::SettingsPage(MainWindow2 &window) : ManagePage(window)
{
    // Said once, here, while no keyring answers: the password then stays in the settings file.
    auto *notice =
        new QLabel(QStringLiteral("未找到系统密钥环，记住的密码将以混淆形式保存在设置文件中。"),
                   m_ui.page_accOpt);
    notice->setObjectName(QStringLiteral("label_keyring"));
    notice->setWordWrap(true);
    notice->setStyleSheet(QStringLiteral("color:#909399;"));
    notice->setVisible(passwordStore().keyringMissing());
    m_ui.lay_accOpt_fields->addWidget(notice, 3, 0, 1, 2);
    connect(&passwordStore(), &PasswordStore::keyringFoundMissing, notice, &QLabel::show);
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::showAccount()
{
    m_ui.label_37->setText(user().email);
    m_ui.label->setText(user().email);
    if (const QCheckBox *remember = signInRememberBox())
        m_ui.pushButton_34->setChecked(remember->isChecked());
    else
        m_ui.pushButton_34->setChecked(loadLoginSettings().hasPassword);
    m_ui.pushButton_21->setChecked(autostartEnabled());
}

void SettingsPage::rememberPasswordClicked()
{
    QPushButton *toggle = m_ui.pushButton_34;
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
    QPushButton *toggle = m_ui.pushButton_21;
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
    if (QWidget *signIn = signInWindow()) {
        signIn->show();
        if (auto *tabs = signIn->findChild<QTabWidget *>(QStringLiteral("tabWidget")))
            tabs->setCurrentIndex(0);
    }
    m_window.hide();
}

void SettingsPage::webSiteClicked()
{
    openServicePage(user(), QString());
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
    const double running = m_window.versionNumber;
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
