#include "manage/shell/MainWindow2.h"
#include "manage/shared/ElidedText.h"
#include "ui_MainWindow2.h"

#include "client/ProcessObjects.h"
#include "client/User.h"
#include "manage/adddomains/AddDomainsPage.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/domains/DomainListPage.h"
#include "manage/groups/GroupEditor.h"
#include "manage/history/HistoryPage.h"
#include "manage/messages/MessagePage.h"
#include "manage/records/RecordPage.h"
#include "manage/search/SearchPage.h"
#include "manage/settings/SettingsPage.h"
#include "manage/shared/OverlayKeeper.h"
#include "manage/shared/Toast.h"
#include "manage/shell/FrameGeometry.h"
#include "manage/shell/FramelessResizer.h"
#include "manage/shell/MenuHoverStyle.h"

#include <QApplication>
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
    makePages();
    showNameTip = [](const QPoint &at, const QString &text) { QToolTip::showText(at, text); };

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
    // Named, so that a test that sizes the window itself can stop it.
    auto *startupResize = new QTimer(this);
    startupResize->setObjectName(QStringLiteral("startupResizeTimer"));
    startupResize->setSingleShot(true);
    connect(startupResize, &QTimer::timeout, this, [this] { resize(900, 620); });
    startupResize->start(1500);

    // Own popup views, so that the window's style sheet reaches the popup entries.
    for (QComboBox *combo : {ui->comboBox_8, ui->comboBox_9, ui->comboBox_group, ui->cbRcsPause})
        combo->setView(new QListView(combo));

    // The periodic job; named, so that a test can run it only when it chooses.
    auto *timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("periodicJobTimer"));
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

// Each page is handed the widgets it owns, and nothing else of the form.
void MainWindow2::makePages()
{
    DomainListWidgets domains;
    domains.stacked_3 = ui->stacked_3;
    domains.page_dmdm = ui->page_dmdm;
    domains.tableWidget = ui->tableWidget;
    domains.checkBox = ui->checkBox;
    domains.lineEdit_search = ui->lineEdit_search;
    domains.comboBox_group = ui->comboBox_group;
    domains.pushButton_refDomain = ui->pushButton_refDomain;
    domains.label_domain_g_n = ui->label_domain_g_n;
    domains.frame_dm = ui->frame_dm;
    domains.scrollArea_5 = ui->scrollArea_5;
    domains.scrollAreaWidgetContents_5 = ui->scrollAreaWidgetContents_5;
    domains.layout_groups = ui->layout_groups;
    domains.buttonGroup_groups = ui->buttonGroup_groups;
    domains.pushButton_17 = ui->pushButton_17;
    domains.frame_loadingchdg = ui->frame_loadingchdg;
    domains.label_f_loading_chdg = ui->label_f_loading_chdg;
    domains.label_fp_loading_chdg = ui->label_fp_loading_chdg;
    domains.pushButton_f_loading_chdg = ui->pushButton_f_loading_chdg;
    m_domainList = std::make_unique<DomainListPage>(*this, domains);

    GroupEditorWidgets groups;
    groups.pushButton_Gedit = ui->pushButton_Gedit;
    groups.widget_5 = ui->widget_5;
    groups.scrollArea_6 = ui->scrollArea_6;
    groups.scrollAreaWidgetContents_6 = ui->scrollAreaWidgetContents_6;
    groups.gridLayout_3 = ui->gridLayout_3;
    groups.gridLayout_11 = ui->gridLayout_11;
    groups.widget_8 = ui->widget_8;
    groups.frame_zdgedit = ui->frame_zdgedit;
    groups.buttonStyle = ui->pushButton_refDomain->styleSheet();
    groups.deleteButtonStyle = ui->pushButton_delS->styleSheet();
    m_groupEditor = std::make_unique<GroupEditor>(*this, groups);

    RecordPageWidgets records;
    records.label_domain = ui->label_domain;
    records.tableR = ui->tableR;
    records.checkBoxR = ui->checkBoxR;
    records.pushButton_30 = ui->pushButton_30;
    records.pushButton_Rlive = ui->pushButton_Rlive;
    records.label_live = ui->label_live;
    m_recordPage = std::make_unique<RecordPage>(*this, records);

    AddDomainsWidgets add;
    add.stackedWidget_add = ui->stackedWidget_add;
    add.page_p_add1 = ui->page_p_add1;
    add.page_p_add2 = ui->page_p_add2;
    add.plainTextEdit = ui->plainTextEdit;
    add.comboBox_18 = ui->comboBox_18;
    add.textEdit_3 = ui->textEdit_3;
    add.textEdit_5 = ui->textEdit_5;
    add.job.overlay = ui->frame_bat_2;
    add.job.animation = ui->label_batLoading_2;
    add.job.progress = ui->label_68;
    add.job.stop = ui->pushButton_57;
    add.job.locked = {ui->pushButton_52, ui->pushButton_53};
    add.job.covered = {ui->textEdit_3, ui->textEdit_5};
    m_addDomains = std::make_unique<AddDomainsPage>(*this, add);

    BatchJobsWidgets batch;
    batch.plainTextEdit_2 = ui->plainTextEdit_2;
    batch.tabWidget_bat = ui->tabWidget_bat;
    batch.tab_batadd = ui->tab_batadd;
    batch.tab_batedit = ui->tab_batedit;
    batch.add = {ui->gridLayout_4,     ui->pushButton_bataddnew, ui->stackedWidget_batadd,
                 ui->page_batadd1,     ui->page_batadd2,         ui->textEdit_6,
                 ui->textEdit_7,       ui->pushButton_43,        ui->frame_loading1,
                 ui->label_f_loading1, ui->label_fp_loading1,    ui->pushButton_f_loading1};
    batch.edit = {ui->gridLayout_5,     ui->pushButton_bateditnew, ui->stackedWidget_batedit,
                  ui->page_batedit1,    ui->page_batedit2,         ui->textEdit_8,
                  ui->textEdit_9,       ui->pushButton_46,         ui->frame_loading2,
                  ui->label_f_loading2, ui->label_fp_loading2,     ui->pushButton_f_loading2};
    batch.del = {ui->gridLayout_6,     ui->pushButton_batdelnew, ui->stackedWidget_batdel,
                 ui->page_batdel1,     ui->page_batdel2,         ui->textEdit_10,
                 ui->textEdit_11,      ui->pushButton_59,        ui->frame_loading3,
                 ui->label_f_loading3, ui->label_fp_loading3,    ui->pushButton_f_loading3};
    m_batchJobs = std::make_unique<BatchJobsPage>(*this, batch);

    HistoryWidgets history;
    history.page_history = ui->page_history;
    history.lay_page_history = ui->lay_page_history;
    m_history = std::make_unique<HistoryPage>(*this, history);

    MessagePageWidgets messages;
    messages.page_news = ui->page_news;
    messages.stackedWidget_msg = ui->stackedWidget_msg;
    messages.page_msg_news = ui->page_msg_news;
    messages.page_msg_notice = ui->page_msg_notice;
    messages.page_msg_inform = ui->page_msg_inform;
    messages.page_detail = ui->page_detail;
    messages.gridLayout_9 = ui->gridLayout_9;
    messages.gridLayout_10 = ui->gridLayout_10;
    messages.gridLayout_7 = ui->gridLayout_7;
    messages.gridLayout_8 = ui->gridLayout_8;
    messages.tabWidget = ui->tabWidget;
    messages.tab_all = ui->tab_all;
    messages.tab_unread = ui->tab_unread;
    messages.checkBox_msg_all = ui->checkBox_msg_all;
    messages.pushButton_msg_del = ui->pushButton_msg_del;
    messages.pushButton_44 = ui->pushButton_44;
    messages.lineEdit_title = ui->lineEdit_title;
    messages.lineEdit_date = ui->lineEdit_date;
    messages.textBrowser_msg = ui->textBrowser_msg;
    messages.webView = ui->webView;
    messages.frame_loading4 = ui->frame_loading4;
    messages.label_f_loading4 = ui->label_f_loading4;
    messages.label_fp_loading4 = ui->label_fp_loading4;
    m_messages = std::make_unique<MessagePage>(*this, messages);

    SettingsWidgets settings;
    settings.label_37 = ui->label_37;
    settings.label = ui->label;
    settings.pushButton_34 = ui->pushButton_34;
    settings.pushButton_21 = ui->pushButton_21;
    settings.label_keyring = ui->label_keyring;
    m_settings = std::make_unique<SettingsPage>(*this, settings);

    SearchPageWidgets search;
    search.page_search = ui->page_search;
    search.lineEdit_gsearch = ui->lineEdit_gsearch;
    search.checkBox_gcontains = ui->checkBox_gcontains;
    search.comboBox_gtype = ui->comboBox_gtype;
    search.comboBox_gline = ui->comboBox_gline;
    search.pushButton_gsearch = ui->pushButton_gsearch;
    search.label_gfresh = ui->label_gfresh;
    search.pushButton_grefresh = ui->pushButton_grefresh;
    search.pushButton_gstop = ui->pushButton_gstop;
    search.pushButton_gedit = ui->pushButton_gedit;
    search.pushButton_gexport = ui->pushButton_gexport;
    search.label_gstatus = ui->label_gstatus;
    search.tableView_gsearch = ui->tableView_gsearch;
    m_search = std::make_unique<SearchPage>(*this, search);
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

void MainWindow2::on_commandLinkButton_hist_clicked()
{
    ui->stackedWidget->setCurrentWidget(ui->page_history);
    m_history->reload();
}

void MainWindow2::showHistory()
{
    ui->commandLinkButton_hist->click();
}

void MainWindow2::loadStaleDomainLists()
{
    m_domainList->loadStaleLists();
}

void MainWindow2::on_commandLinkButton_search_clicked()
{
    m_search->prepare();
    ui->stackedWidget->setCurrentWidget(ui->page_search);
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

// --- Navigation for the pages ----------------------------------------------------------------

void MainWindow2::showDomainList()
{
    ui->commandLinkButton->click();
}

void MainWindow2::showSearch()
{
    ui->commandLinkButton_search->click();
}

void MainWindow2::showDomainPage()
{
    ui->stackedWidget->setCurrentWidget(ui->page_domain);
}

void MainWindow2::showRecordTable()
{
    ui->stacked_3->setCurrentWidget(ui->page_record);
}

void MainWindow2::showDomainRows()
{
    ui->stacked_3->setCurrentWidget(ui->page_dmdm);
}

void MainWindow2::showRecords(const QSharedPointer<Domain> &domain)
{
    m_recordPage->showDomain(domain);
}

void MainWindow2::showHitRecord(const QSharedPointer<Domain> &domain, int recordID)
{
    ui->commandLinkButton->setChecked(true);
    m_recordPage->showHit(domain, recordID);
}

void MainWindow2::showJobResults(const QStringList &successes, const QStringList &failures)
{
    ui->stackedWidget->setCurrentWidget(ui->page_flist);
    ui->textEdit_succ->clear();
    ui->textEdit_fail->clear();
    // Plain text: the lines carry the service's messages.
    ui->textEdit_succ->setPlainText(successes.join(QLatin1Char('\n')));
    ui->textEdit_fail->setPlainText(failures.join(QLatin1Char('\n')));
}

void MainWindow2::showBatchJobs()
{
    ui->commandLinkButton_2->click();
}

void MainWindow2::showBatchAddInput(const QStringList &domainNames)
{
    m_batchJobs->setDomainNames(domainNames);
    ui->commandLinkButton_2->click();
    ui->pushButton_43->click();
}

void MainWindow2::showBatchEdit(const QString &domainName,
                                const QList<QSharedPointer<Record>> &records)
{
    ui->commandLinkButton_2->click();
    m_batchJobs->editRecords(domainName, records);
}

void MainWindow2::returnToSignIn()
{
    emit logoutConfirmed();
    hide();
}

void MainWindow2::setPasswordRemembered(bool remembered)
{
    m_passwordRemembered = remembered;
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

namespace {

bool underPointer(const QWidget *widget)
{
    const QWidget *at = QApplication::widgetAt(QCursor::pos());
    return at && (at == widget || widget->isAncestorOf(at));
}

} // namespace

bool MainWindow2::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool entering = type == QEvent::HoverEnter || type == QEvent::HoverMove;
    const bool leaving = type == QEvent::HoverLeave || type == QEvent::Leave;
    if (!entering && !leaving)
        return QMainWindow::eventFilter(watched, event);

    auto *button = qobject_cast<QPushButton *>(watched);
    // Rows are built outside the view and handed back for reuse: a hover event can reach a
    // button that is not (or no longer) the one under the pointer.
    if (button && entering && listed(nameButtons, button) && underPointer(button)) {
        showNameTip(QCursor::pos() + QPoint(10, 10), fullText(button));
    }
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
    showDomainPage();
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
    m_batchJobs->newRowClicked(BatchKind::Add);
}

void MainWindow2::on_pushButton_bateditnew_clicked()
{
    m_batchJobs->newRowClicked(BatchKind::Edit);
}

void MainWindow2::on_pushButton_batdelnew_clicked()
{
    m_batchJobs->newRowClicked(BatchKind::Delete);
}

void MainWindow2::on_pushButton_dobatadd_clicked()
{
    m_batchJobs->startClicked(BatchKind::Add);
}

void MainWindow2::on_pushButton_dobatedit_clicked()
{
    m_batchJobs->startClicked(BatchKind::Edit);
}

void MainWindow2::on_pushButton_dobatdel_clicked()
{
    m_batchJobs->startClicked(BatchKind::Delete);
}

void MainWindow2::on_pushButton_prevbatadd_clicked()
{
    m_batchJobs->previewClicked(BatchKind::Add);
}

void MainWindow2::on_pushButton_prevbatedit_clicked()
{
    m_batchJobs->previewClicked(BatchKind::Edit);
}

void MainWindow2::on_pushButton_prevbatdel_clicked()
{
    m_batchJobs->previewClicked(BatchKind::Delete);
}

void MainWindow2::on_pushButton_43_clicked()
{
    m_batchJobs->returnClicked(BatchKind::Add);
}

void MainWindow2::on_pushButton_46_clicked()
{
    m_batchJobs->returnClicked(BatchKind::Edit);
}

void MainWindow2::on_pushButton_59_clicked()
{
    m_batchJobs->returnClicked(BatchKind::Delete);
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

void MainWindow2::on_pushButton_Rimport_clicked()
{
    m_recordPage->importClicked();
}

void MainWindow2::on_pushButton_Rexport_clicked()
{
    m_recordPage->exportClicked();
}

void MainWindow2::on_pushButton_Rlive_clicked()
{
    m_recordPage->liveClicked();
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
