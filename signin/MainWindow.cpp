#include "signin/MainWindow.h"

#include "client/HttpExchange.h"
#include "client/LoginSettings.h"
#include "client/PasswordStore.h"
#include "client/ProcessObjects.h"
#include "client/Scramble.h"
#include "client/User.h"
#include "signin/WebLinks.h"
#include "signin/WindowPointers.h"
#include "ui_MainWindow.h"

#include <QTimer>
#include <QUrl>

namespace {
constexpr int kPasswordHandOverMs = 50;
constexpr int kApiKeyMissing = 1007;
// The warm-up's answer is thrown away; only the connection it leaves open counts.
constexpr qint64 kMaxWarmUpBytes = 64 * 1024;
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow)
{
    signInWindow() = this;
    manageWindow() = &m_manage;

    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    ui->tabWidget->removeTab(ui->tabWidget->indexOf(ui->tab_3));
    ui->lineEdit->setFocus();
    ui->tabWidget->setCurrentWidget(ui->tab);

    restoreLoginSettings();
    // The management window's settings page shows the remember box in its switch, and its
    // logout brings this window back on the password tab.
    m_manage.setPasswordRemembered(ui->checkBox->isChecked());
    connect(ui->checkBox, &QCheckBox::toggled, &m_manage, &MainWindow2::setPasswordRemembered);
    connect(&m_manage, &MainWindow2::logoutConfirmed, this, [this] {
        show();
        ui->tabWidget->setCurrentIndex(0);
    });
    warmUpConnection();
}

MainWindow::~MainWindow()
{
    // The widgets outlive this class's members; tearing down the tabs must not start a flow.
    disconnect(ui->tabWidget, nullptr, this, nullptr);
    if (signInWindow() == this)
        signInWindow() = nullptr;
    if (manageWindow() == &m_manage)
        manageWindow() = nullptr;
}

void MainWindow::restoreLoginSettings()
{
    const RememberedLogin saved = loadLoginSettings();
    if (saved.hasUser) {
        ui->lineEdit->setText(saved.user);
        ui->lineEdit_2->setFocus();
    }
    if (saved.hasPassword) {
        ui->lineEdit_2->setText(saved.password);
        ui->lineEdit_2->setFocus();
        ui->checkBox->setChecked(true);
        movePasswordToKeyring(saved, this);
    } else if (saved.hasUser && !saved.user.isEmpty()) {
        // The keyring answers when it can (a locked one may first ask the user); the window
        // does not wait, and a late answer fills only what the user has not touched.
        passwordStore().read(saved.user, this, [this, user = saved.user](const KeyringAnswer &a) {
            if (a.result != KeyringResult::Done || ui->lineEdit->text() != user ||
                !ui->lineEdit_2->text().isEmpty())
                return;
            ui->lineEdit_2->setText(a.password);
            ui->checkBox->setChecked(true);
        });
    }
}

// Reaches the service early on the request path every call takes, so that the first sign-in
// finds a kept-alive connection (or at least a TLS session to resume).
void MainWindow::warmUpConnection()
{
    m_warmUp = new HttpExchange(this);
    connect(m_warmUp, &HttpExchange::finished, m_warmUp, &QObject::deleteLater);
    HttpRequest request;
    request.url = QUrl(theUser().baseUrl, QUrl::TolerantMode);
    request.trust = theUser().trust();
    request.limits.maxBodyBytes = kMaxWarmUpBytes;
    request.mayRepeat = true;
    m_warmUp->start(request);
}

bool MainWindow::saveLoginSettings(bool remember)
{
    // The keyring's answer only touches the settings: it lands even if this window is gone.
    return ::saveLoginSettings(theUser(), remember);
}

void MainWindow::handOver(int delayMs)
{
    m_manage.firstShowPending = true;
    QTimer::singleShot(delayMs, &m_manage, &MainWindow2::show);
    hide();
}

void MainWindow::on_pushButton_clicked()
{
    User &user = theUser();
    m_manage.firstShowPending = true;
    // Only this sign-in's reply may make the API-key question come up.
    user.resultCode = 0;
    const QString password = ui->lineEdit_2->text();
    user.login(ui->lineEdit->text(), password);

    if (user.loggedIn) {
        user.pwdScrambled = scrambleText(password.toUtf8());
        saveLoginSettings(ui->checkBox->isChecked());
        handOver(kPasswordHandOverMs);
    } else if (user.resultCode == kApiKeyMissing) {
        if (User::showMsgBox(QStringLiteral("该账户未开启API Key,请前往web端开启。是否打开网页？"),
                             QString(), 2) != 0)
            openServicePage(user, QStringLiteral("/member/apiSet/"));
    } else {
        User::showMsgBox(user.errorText, QString(), 1);
    }
}

void MainWindow::on_pushButton_2_clicked()
{
    close();
}

void MainWindow::on_pushButton_3_clicked()
{
    lower();
    showMinimized();
}

void MainWindow::on_pushButton_4_clicked()
{
    openServicePage(theUser(), QStringLiteral("/member/register"));
}

// The registration page is never shown: accounts are registered on the web site.
void MainWindow::on_pushButton_5_clicked() {}

void MainWindow::on_pushButton_6_clicked()
{
    openServicePage(theUser(), QStringLiteral("/member/forget"));
}

void MainWindow::on_pushButton_7_clicked()
{
    openServicePage(theUser(), QString());
}

void MainWindow::on_pushButton_8_clicked() {}

void MainWindow::on_pushButton_9_clicked()
{
    doQRCode();
}

void MainWindow::on_tabWidget_currentChanged(int index)
{
    Q_UNUSED(index)
    doQRCode();
}
