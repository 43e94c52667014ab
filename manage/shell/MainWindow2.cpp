#include "manage/shell/MainWindow2.h"
#include "ui_MainWindow2.h"

#include "app/AppGlobals.h"
#include "client/User.h"
#include "manage/adddomains/AddDomainsPage.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/domains/DomainListPage.h"
#include "manage/groups/GroupEditor.h"
#include "manage/messages/MessagePage.h"
#include "manage/records/RecordPage.h"
#include "manage/settings/SettingsPage.h"
#include "manage/shared/Toast.h"
#include "manage/shell/FrameGeometry.h"
#include "manage/shell/FramelessResizer.h"
#include "manage/shell/MenuHoverStyle.h"
#include "manage/shell/OverlayKeeper.h"

#include <QCloseEvent>
#include <QCursor>
#include <QEventLoop>
#include <QIcon>
#include <QListView>
#include <QMovie>
#include <QTimer>
#include <QToolTip>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#include <windowsx.h>
#endif

namespace {
const QString kLoadingAnimation = QStringLiteral(":/image/image/712.GIF");
const QString kIcons = QStringLiteral(":/image3/image3/a2/qietu/");

bool listed(const QList<QPointer<QPushButton>> &buttons, const QObject *object)
{
    return std::any_of(buttons.cbegin(), buttons.cend(),
                       [object](const QPointer<QPushButton> &b) { return b.data() == object; });
}
} // namespace

MainWindow2::MainWindow2(QWidget *parent) : QMainWindow(parent), ui(new Ui::MainWindow2)
{
    ui->setupUi(this);

    m_domainList = std::make_unique<DomainListPage>(*this);
    m_groupEditor = std::make_unique<GroupEditor>(*this);
    m_recordPage = std::make_unique<RecordPage>(*this);
    m_addDomains = std::make_unique<AddDomainsPage>(*this);
    m_batchJobs = std::make_unique<BatchJobsPage>(*this);
    m_messages = std::make_unique<MessagePage>(*this);
    m_settings = std::make_unique<SettingsPage>(*this);

    // No frame is drawn; the system still snaps, resizes and animates the window (Windows
    // through the native style bits, elsewhere through the resizer).
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
    setAttribute(Qt::WA_TranslucentBackground);
    addNativeFrame();

    prepareWidgets();

    ui->stackedWidget->setCurrentWidget(ui->page_domain);
    ui->pushButton_17->setChecked(true);
    ui->stacked_3->addWidget(ui->page_record);
    ui->label_67->setText(versionText);
    // The message centre switches its tabs with its own buttons.
    ui->tabWidget->setStyleSheet(
        ui->tabWidget->styleSheet() +
        QStringLiteral(".QTabWidget QTabBar::tab{border:none;width:0px;height:0px;}"));

    setMinimumSize(900, 620);
    QTimer::singleShot(1500, this, [this] { resize(900, 620); });

    // Own popup views, so that the window's style sheet reaches the popup entries.
    for (QComboBox *combo : {ui->comboBox_8, ui->comboBox_9, ui->comboBox_group, ui->cbRcsPause})
        combo->setView(new QListView(combo));

    auto *timer = new QTimer(this);
    timer->setInterval(500);
    connect(timer, &QTimer::timeout, this, &MainWindow2::slot_scro);
    timer->start();
}

MainWindow2::~MainWindow2()
{
    // The form's widgets die after this destructor, and some emit signals while they go (a
    // stack losing its pages); none may reach the slots of a half-destroyed window or its pages.
    const QList<QObject *> children = findChildren<QObject *>();
    for (QObject *child : children)
        disconnect(child, nullptr, this, nullptr);
}

void MainWindow2::prepareWidgets()
{
    for (QWidget *w :
         {static_cast<QWidget *>(ui->frame_dm), static_cast<QWidget *>(ui->commandLinkButton_5),
          static_cast<QWidget *>(ui->commandLinkButton_3), static_cast<QWidget *>(ui->widget_5),
          static_cast<QWidget *>(ui->frame_zdgedit), static_cast<QWidget *>(ui->frame_loadingchdg),
          static_cast<QWidget *>(ui->frame_loading4),
          static_cast<QWidget *>(ui->pushButton_f_loading4),
          static_cast<QWidget *>(ui->frame_msgtt), static_cast<QWidget *>(ui->pushButton_msg_del),
          // The job overlays appear only while a job runs.
          static_cast<QWidget *>(ui->frame_bat_2), static_cast<QWidget *>(ui->frame_loading1),
          static_cast<QWidget *>(ui->frame_loading2), static_cast<QWidget *>(ui->frame_loading3)})
        w->hide();

    // Overlays are not in any layout: they follow what they cover and come up on top.
    m_domainLoading = new QMovie(kLoadingAnimation, QByteArray(), this);
    m_domainLoading->setScaledSize(QSize(40, 40));
    ui->label_dmLoading->setMovie(m_domainLoading);
    new OverlayKeeper(ui->frame_dm, ui->page_domain, m_domainLoading);
    new OverlayKeeper(ui->frame_loadingchdg, ui->page_domain);
    new OverlayKeeper(ui->widget_5, ui->stacked_3);
    new OverlayKeeper(ui->frame_zdgedit, ui->widget_3);
    new OverlayKeeper(ui->frame_bat_2, ui->page_p_add2);
    new OverlayKeeper(ui->frame_loading1, ui->page_batadd2);
    new OverlayKeeper(ui->frame_loading2, ui->page_batedit2);
    new OverlayKeeper(ui->frame_loading3, ui->page_batdel2);
    new OverlayKeeper(ui->frame_loading4, ui->page_news);
    // The group editor places its button strip over its own rows.
    ui->widget_8->raise();
}

void MainWindow2::addNativeFrame()
{
#ifdef Q_OS_WIN
    const HWND hwnd = reinterpret_cast<HWND>(winId());
    const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
    SetWindowLongPtr(hwnd, GWL_STYLE, style | WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX);
#else
    new FramelessResizer(this, ui->widget);
#endif
}

void MainWindow2::addNameButton(QPushButton *button)
{
    nameButtons.append(button);
    button->setAttribute(Qt::WA_Hover);
    button->installEventFilter(this);
}

void MainWindow2::addMenuButton(QPushButton *button)
{
    menuButtons.append(button);
    button->setAttribute(Qt::WA_Hover);
    button->installEventFilter(this);
}

// --- Navigation and window buttons -----------------------------------------------------------

void MainWindow2::on_commandLinkButton_clicked()
{
    openDomainPage();
}

void MainWindow2::openDomainPage()
{
    ui->pushButton_14->setEnabled(true);
    ui->pushButton_delS->setEnabled(true);
    ui->stackedWidget->setCurrentWidget(ui->page_domain);
    ui->stacked_3->setCurrentWidget(ui->page_dmdm);
    ui->frame_dm->setGeometry(ui->page_domain->rect());
    ui->frame_dm->show();

    User &user = theUser();
    if (!user.domains.isEmpty() && !user.needDomainReload && !user.needGroupReload) {
        ui->frame_dm->hide();
        return;
    }
    // The fetch runs inside a loop of its own so that the overlay is painted first.
    QEventLoop loop;
    QTimer::singleShot(1, &loop, [this, &loop] {
        m_domainList->loadStaleLists();
        ui->frame_dm->hide();
        loop.quit();
    });
    loop.exec();
}

void MainWindow2::on_commandLinkButton_2_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_bat3);
}

void MainWindow2::on_commandLinkButton_6_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_news);
}

void MainWindow2::on_commandLinkButton_opt_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_accOpt);
}

void MainWindow2::on_commandLinkButton_help_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_help);
}

void MainWindow2::on_pushButton_user_clicked()
{
    ui->commandLinkButton_opt->click();
}

void MainWindow2::on_pushButton_3_clicked()
{
    lower();
    showMinimized();
}

void MainWindow2::on_pushButton_24_clicked()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void MainWindow2::on_pushButton_2_clicked()
{
    close();
}

void MainWindow2::on_pushButton_14_clicked()
{
    ui->plainTextEdit->clear();
    ui->stackedWidget->setCurrentWidget(ui->page_addDomain2);
    // Passing through both pages runs the add page's page-change handling (its group choice
    // is refreshed) while it goes on showing what it showed.
    QWidget *shown = ui->stackedWidget_add->currentWidget();
    ui->stackedWidget_add->setCurrentWidget(ui->page_p_add2);
    ui->stackedWidget_add->setCurrentWidget(ui->page_p_add1);
    ui->stackedWidget_add->setCurrentWidget(shown);
}

void MainWindow2::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const bool maximised = isMaximized();
        ui->pushButton_24->setIcon(QIcon(kIcons + (maximised ? QStringLiteral("huanyuan.png")
                                                             : QStringLiteral("zuidahua.png"))));
        ui->pushButton_24->setToolTip(maximised ? QStringLiteral("还原")
                                                : QStringLiteral("最大化"));
    }
    QMainWindow::changeEvent(event);
}

// --- Show, close and the periodic job --------------------------------------------------------

bool MainWindow2::event(QEvent *event)
{
    if (event->type() == QEvent::Show)
        onShown();
    return QMainWindow::event(event);
}

void MainWindow2::onShown()
{
    if (!m_batchRowsSeeded) {
        // Each batch table starts with one empty row.
        m_batchRowsSeeded = true;
        ui->pushButton_bataddnew->click();
        ui->pushButton_bateditnew->click();
        ui->pushButton_batdelnew->click();
    }
    if (firstShowPending) {
        firstShowPending = false;
        theUser().needDomainReload = true;
        theUser().needGroupReload = true;
        QTimer::singleShot(40, this, &MainWindow2::postShowInit);
    }
}

void MainWindow2::postShowInit()
{
    ui->commandLinkButton->click();
    m_settings->showAccount();
    ui->tabWidget_bat->setCurrentWidget(ui->tab_batadd);
    ui->stackedWidget_add->setCurrentWidget(ui->page_p_add1);
    ui->pushButton_38->click();
}

void MainWindow2::closeEvent(QCloseEvent *event)
{
    if (User::showMsgBox(QStringLiteral("确定要退出吗？"), QStringLiteral("确认退出"), 2, -1))
        event->accept();
    else
        event->ignore();
}

void MainWindow2::showToast(const QString &text)
{
    const int duration = toastDurationMs(text);
    ui->frame_msgtt->show();
    ui->frame_msgtt->raise();
    ui->frame_msgtt->setProperty("vtime", toastClockMs());
    ui->label_msgtt->setText(text);
    reportToast(text);
    ui->label_msgtt->adjustSize();
    ui->label_msgtt->move(0, 0);

    const QSize size = ui->label_msgtt->size();
    ui->frame_msgtt->setGeometry(
        QRect(toastTopLeft(size, ui->stackedWidget->geometry(), ui->widget_3->width()), size));

    // A newer notice shown meanwhile restamps "vtime" and keeps the strip for its own timer.
    QTimer::singleShot(duration, duration >= 2000 ? Qt::CoarseTimer : Qt::PreciseTimer, this,
                       [this, duration] {
                           const qint64 shownAt = ui->frame_msgtt->property("vtime").toLongLong();
                           if (toastShouldHide(toastClockMs() - shownAt, duration))
                               ui->frame_msgtt->hide();
                       });
}

void MainWindow2::slot_scro()
{
    m_domainList->growWhileScrolling();
    m_domainList->repairEmptyTable();

    if (!ui->frame_msgtt->isHidden() &&
        toastIsStale(toastClockMs() - ui->frame_msgtt->property("vtime").toLongLong()))
        ui->frame_msgtt->hide();

    dropDestroyedButtons();
}

void MainWindow2::dropDestroyedButtons()
{
    const auto gone = [](const QPointer<QPushButton> &b) { return b.isNull(); };
    nameButtons.erase(std::remove_if(nameButtons.begin(), nameButtons.end(), gone),
                      nameButtons.end());
    menuButtons.erase(std::remove_if(menuButtons.begin(), menuButtons.end(), gone),
                      menuButtons.end());
}

// --- Hover effects and the native frame ------------------------------------------------------

bool MainWindow2::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool entering = type == QEvent::HoverEnter || type == QEvent::HoverMove;
    const bool leaving = type == QEvent::HoverLeave || type == QEvent::Leave;
    if (!entering && !leaving)
        return QMainWindow::eventFilter(watched, event);

    auto *button = qobject_cast<QPushButton *>(watched);
    if (button && entering && listed(nameButtons, button))
        QToolTip::showText(QCursor::pos() + QPoint(10, 10), button->text());
    if (button && listed(menuButtons, button)) {
        const QString sheet =
            entering ? menuHoverStyle(button->styleSheet()) : menuRestStyle(button->styleSheet());
        if (sheet != button->styleSheet())
            button->setStyleSheet(sheet);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow2::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG") {
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_NCCALCSIZE)
            return true; // the whole window is client area
        if (msg->message == WM_NCHITTEST) {
            const QPoint pos =
                mapFromGlobal(QPoint(GET_X_LPARAM(msg->lParam), GET_Y_LPARAM(msg->lParam)));
            const Qt::Edges edges = frameHitTest(pos, size());
            if (!edges)
                return false;
            const bool left = edges & Qt::LeftEdge;
            const bool right = edges & Qt::RightEdge;
            if (edges & Qt::TopEdge)
                *result = left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
            else if (edges & Qt::BottomEdge)
                *result = left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
            else
                *result = left ? HTLEFT : HTRIGHT;
            return true;
        }
    }
#endif
    return QMainWindow::nativeEvent(eventType, message, result);
}

// --- Hand-overs to the page units -----------------------------------------------------------

void MainWindow2::activateRow(Record *rcp)
{
    m_recordPage->activateRow(rcp);
}

void MainWindow2::activateRowAdd()
{
    m_recordPage->activateRowAdd();
}

void MainWindow2::on_checkBox_clicked()
{
    m_domainList->selectAllClicked();
}

void MainWindow2::on_lineEdit_search_textChanged(const QString &text)
{
    m_domainList->searchTextChanged(text);
}

void MainWindow2::on_pushButton_17_clicked()
{
    m_domainList->allDomainsClicked();
}

void MainWindow2::on_comboBox_8_activated(int index)
{
    m_domainList->pauseComboActivated(index);
}

void MainWindow2::on_comboBox_9_activated(int index)
{
    m_domainList->lockComboActivated(index);
}

void MainWindow2::on_comboBox_group_activated(int index)
{
    m_domainList->groupComboActivated(index);
}

void MainWindow2::on_pushButton_delS_clicked()
{
    m_domainList->deleteCheckedClicked();
}

void MainWindow2::on_pushButton_refDomain_clicked()
{
    m_domainList->refreshClicked();
}

void MainWindow2::on_pushButton_58_clicked()
{
    m_domainList->resultBackClicked();
}

void MainWindow2::on_pushButton_25_clicked()
{
    m_domainList->batchJobsClicked();
}

void MainWindow2::on_pushButton_Gedit_clicked()
{
    m_groupEditor->openEditor();
}

void MainWindow2::on_pushButton_zdgedit_clicked()
{
    m_groupEditor->overlayClicked();
}

void MainWindow2::on_pushButton_15_clicked()
{
    m_recordPage->addClicked();
}

void MainWindow2::on_pushButton_30_clicked()
{
    m_recordPage->refreshClicked();
}

void MainWindow2::on_pushButton_31_clicked()
{
    m_recordPage->backClicked();
}

void MainWindow2::on_checkBoxR_clicked()
{
    m_recordPage->selectAllClicked();
}

void MainWindow2::on_btnDelR_clicked()
{
    m_recordPage->deleteCheckedClicked();
}

void MainWindow2::on_cbRcsPause_activated(int index)
{
    m_recordPage->pauseComboActivated(index);
}

void MainWindow2::on_pushButton_50_clicked()
{
    m_addDomains->startClicked();
}

void MainWindow2::on_pushButton_51_clicked()
{
    m_addDomains->backClicked();
}

void MainWindow2::on_pushButton_52_clicked()
{
    m_addDomains->cancelClicked();
}

void MainWindow2::on_pushButton_53_clicked()
{
    m_addDomains->continueClicked();
}

void MainWindow2::on_stackedWidget_add_currentChanged(int index)
{
    m_addDomains->pageChanged(index);
}

void MainWindow2::on_plainTextEdit_textChanged()
{
    m_addDomains->textChanged();
}

void MainWindow2::on_pushButton_bataddnew_clicked()
{
    m_batchJobs->newAddRowClicked();
}

void MainWindow2::on_pushButton_bateditnew_clicked()
{
    m_batchJobs->newEditRowClicked();
}

void MainWindow2::on_pushButton_batdelnew_clicked()
{
    m_batchJobs->newDeleteRowClicked();
}

void MainWindow2::on_pushButton_dobatadd_clicked()
{
    m_batchJobs->startAddClicked();
}

void MainWindow2::on_pushButton_dobatedit_clicked()
{
    m_batchJobs->startEditClicked();
}

void MainWindow2::on_pushButton_dobatdel_clicked()
{
    m_batchJobs->startDeleteClicked();
}

void MainWindow2::on_pushButton_43_clicked()
{
    m_batchJobs->returnAddClicked();
}

void MainWindow2::on_pushButton_46_clicked()
{
    m_batchJobs->returnEditClicked();
}

void MainWindow2::on_pushButton_59_clicked()
{
    m_batchJobs->returnDeleteClicked();
}

void MainWindow2::on_tabWidget_bat_currentChanged(int index)
{
    m_batchJobs->tabChanged(index);
}

void MainWindow2::on_pushButton_42_clicked()
{
    m_batchJobs->clearDomainsClicked();
}

void MainWindow2::on_pushButton_Rbat_clicked()
{
    m_recordPage->batchClicked();
}

void MainWindow2::on_pushButton_36_clicked()
{
    m_messages->newsClicked();
}

void MainWindow2::on_pushButton_37_clicked()
{
    m_messages->noticesClicked();
}

void MainWindow2::on_pushButton_38_clicked()
{
    m_messages->informClicked();
}

void MainWindow2::on_tabWidget_currentChanged(int index)
{
    m_messages->tabChanged(index);
}

void MainWindow2::on_pushButton_chtab1_clicked()
{
    m_messages->allTabClicked();
}

void MainWindow2::on_pushButton_chtab2_clicked()
{
    m_messages->unreadTabClicked();
}

void MainWindow2::on_checkBox_msg_all_clicked()
{
    m_messages->selectAllClicked();
}

void MainWindow2::on_pushButton_msg_read_clicked()
{
    m_messages->markReadClicked();
}

void MainWindow2::on_pushButton_msg_allread_clicked()
{
    m_messages->markAllReadClicked();
}

void MainWindow2::on_pushButton_msg_del_clicked()
{
    m_messages->deleteClicked();
}

void MainWindow2::on_pushButton_44_clicked()
{
    m_messages->refreshClicked();
}

void MainWindow2::on_pushButton_39_clicked()
{
    m_messages->backClicked();
}

void MainWindow2::on_pushButton_34_clicked()
{
    m_settings->rememberPasswordClicked();
}

void MainWindow2::on_pushButton_21_clicked()
{
    m_settings->autostartClicked();
}

void MainWindow2::on_pushButton_18_clicked()
{
    m_settings->logoutClicked();
}

void MainWindow2::on_pushButton_35_clicked()
{
    m_settings->webSiteClicked();
}

void MainWindow2::on_pushButton_chkV_clicked()
{
    m_settings->checkVersionClicked();
}
