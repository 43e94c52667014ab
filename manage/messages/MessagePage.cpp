#include "manage/messages/MessagePage.h"

#include "client/ExchangeReply.h"
#include "client/User.h"
#include "manage/messages/MessageRows.h"
#include "manage/shared/OverlayKeeper.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPushButton>
#include <QSpacerItem>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlockFormat>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QWebFrame>
#include <QWebPage>
#include <QWebSettings>
#include <QWebView>

namespace {

const QString kLoadingAnimation = QStringLiteral(":/image/image/712.GIF");
const QString kBodyStyleSheet = QStringLiteral("qrc:/html/html/scrollBar.css");
constexpr int kOverlayHideMs = 100;
constexpr int kRefreshPauseMs = 2000;
// An image in a message body; any host a message names could otherwise send without end.
constexpr qint64 kMaxImageBytes = 8 * 1024 * 1024;

// Images of a message body come from the service, which may be trusted through an extra CA:
// the body view's fetches take the service calls' path and TLS settings (peer verification
// included).
class BodyNetwork : public QNetworkAccessManager
{
public:
    BodyNetwork(const User &user, QObject *parent) : QNetworkAccessManager(parent), m_user(user) {}

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override
    {
        const QString scheme = request.url().scheme();
        // http is carried too, and refused there: nothing leaves in clear.
        if (op == GetOperation &&
            (scheme == QLatin1String("https") || scheme == QLatin1String("http"))) {
            HttpLimits limits;
            limits.maxBodyBytes = kMaxImageBytes;
            return new ExchangeReply(request, m_user.trust(), limits, this);
        }
        return QNetworkAccessManager::createRequest(op, request, data);
    }

private:
    const User &m_user;
};

} // namespace

MessagePage::MessagePage(PageShell &window, const MessagePageWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    qRegisterMetaType<QSharedPointer<DMsg>>();
    m_news.layout = m_w.gridLayout_9;
    m_notices.layout = m_w.gridLayout_10;
    m_unread.layout = m_w.gridLayout_7;
    m_unread.unreadOnly = true;
    m_all.layout = m_w.gridLayout_8;
}

MessagePage::~MessagePage() = default;

// --- Lists ---------------------------------------------------------------------------------

void MessagePage::prepareOnce()
{
    if (m_prepared)
        return;
    m_prepared = true;

    m_loading = new QMovie(kLoadingAnimation, QByteArray(), this);
    m_loading->setScaledSize(QSize(40, 40));
    m_w.label_f_loading4->setMovie(m_loading);
    // The animation plays while the overlay is up.
    new OverlayKeeper(m_w.frame_loading4, m_w.page_news, m_loading);
    if (m_w.frame_loading4->isVisible())
        m_loading->start();

    // Deleting messages is offered as well.
    m_w.pushButton_msg_del->show();
    // Row cells draw only the lines their own style gives them.
    for (const Grid *grid : {&m_news, &m_notices, &m_unread, &m_all}) {
        QWidget *list = grid->layout->parentWidget();
        list->setStyleSheet(list->styleSheet() + QStringLiteral("\nQPushButton{border:none;}"));
    }
}

void MessagePage::prepareBodyView()
{
    // The web engine starts with the first message opened, not with the first list.
    if (m_bodyViewReady)
        return;
    m_bodyViewReady = true;

    QWebView *view = m_w.webView;
    view->setStyleSheet(m_w.textBrowser_msg->styleSheet());
    m_w.textBrowser_msg->setFixedSize(0, 0);
    QWebSettings::globalSettings()->setUserStyleSheetUrl(QUrl(kBodyStyleSheet));
    // A body is the service's HTML: it runs no scripts, and its links open in the browser
    // instead of replacing the body.
    view->settings()->setAttribute(QWebSettings::JavascriptEnabled, false);
    view->settings()->setAttribute(QWebSettings::PluginsEnabled, false);
    view->page()->setNetworkAccessManager(new BodyNetwork(user(), view->page()));
    view->page()->setLinkDelegationPolicy(QWebPage::DelegateAllLinks);
    connect(view, &QWebView::linkClicked, this, [](const QUrl &url) {
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            (void)QDesktopServices::openUrl(url);
    });
}

void MessagePage::clearGrid(Grid &grid)
{
    prepareOnce();
    m_w.label_fp_loading4->setText(QStringLiteral("Loading..."));
    m_w.frame_loading4->show();
    for (const QPointer<QWidget> &w : qAsConst(grid.widgets)) {
        if (!w)
            continue;
        grid.layout->removeWidget(w);
        w->hide();
        w->deleteLater();
    }
    grid.widgets.clear();
}

void MessagePage::buildGrid(Grid &grid, const QList<QSharedPointer<DMsg>> &messages,
                            bool withChecks)
{
    prepareOnce();
    clearGrid(grid);
    grid.checks.clear();
    if (grid.spacer) {
        grid.layout->removeItem(grid.spacer);
        delete grid.spacer;
        grid.spacer = nullptr;
    }

    const int n = messages.size();
    for (int i = 0; i < n; ++i) {
        m_w.label_fp_loading4->setText(QStringLiteral("%1/%2").arg(i + 1).arg(n));
        addRow(grid, i, messages.at(i), withChecks);
    }
    grid.spacer = new QSpacerItem(1, 1, QSizePolicy::Minimum, QSizePolicy::Expanding);
    grid.layout->addItem(grid.spacer, n, 0);
    if (&grid == &currentInformGrid())
        m_w.checkBox_msg_all->setChecked(false);

    QTimer::singleShot(kOverlayHideMs, m_w.frame_loading4, &QWidget::hide);
}

void MessagePage::addRow(Grid &grid, int row, const QSharedPointer<DMsg> &msg, bool withChecks)
{
    QWidget *parent = grid.layout->parentWidget();

    auto *check = new QCheckBox(parent);
    check->setFocusPolicy(Qt::NoFocus);
    check->setFixedSize(30, 40);
    check->setStyleSheet(messageCheckStyle());
    check->setProperty("dmsgP", QVariant::fromValue(msg));
    check->setVisible(withChecks);
    grid.checks.append(check);

    auto *title = new QPushButton(msg->title, parent);
    title->setFocusPolicy(Qt::NoFocus);
    title->setFixedSize(400, 40);
    title->setCursor(Qt::PointingHandCursor);
    title->setStyleSheet(messageTitleStyle(msg->state));
    const Grid *from = &grid;
    connect(title, &QPushButton::clicked, this, [this, msg, from] { openMessage(msg, from); });

    auto *time = new QPushButton(messageRowTime(msg->time), parent);
    time->setFocusPolicy(Qt::NoFocus);
    time->setFixedHeight(40);
    time->setStyleSheet(messageTimeStyle());

    grid.layout->addWidget(check, row, 0);
    grid.layout->addWidget(title, row, 1);
    grid.layout->addWidget(time, row, 2);
    grid.widgets << check << title << time;
}

void MessagePage::buildInformGrid(Grid &grid)
{
    buildGrid(grid, listedMessages(user().msgsInform, grid.unreadOnly), true);
}

MessagePage::Grid &MessagePage::currentInformGrid()
{
    return m_w.tabWidget->currentWidget() == m_w.tab_unread ? m_unread : m_all;
}

QList<QSharedPointer<DMsg>> MessagePage::tickedMessages(const Grid &grid) const
{
    QList<QSharedPointer<DMsg>> ticked;
    for (const QPointer<QCheckBox> &check : grid.checks) {
        if (check && check->isChecked())
            ticked.append(check->property("dmsgP").value<QSharedPointer<DMsg>>());
    }
    return ticked;
}

// --- Kinds and tabs ------------------------------------------------------------------------

void MessagePage::showPublicKind(QWidget *page, Grid &grid, DMsgType kind, const DMsgList &list)
{
    m_w.stackedWidget_msg->setCurrentWidget(page);
    m_lastListPage = page;
    clearGrid(grid);
    user().getMsg(kind);
    buildGrid(grid, listedMessages(list, false), false);
}

void MessagePage::newsClicked()
{
    showPublicKind(m_w.page_msg_news, m_news, DMsgPublic0, user().msgsPublic0);
}

void MessagePage::noticesClicked()
{
    showPublicKind(m_w.page_msg_notice, m_notices, DMsgPublic1, user().msgsPublic1);
}

void MessagePage::informClicked()
{
    m_w.stackedWidget_msg->setCurrentWidget(m_w.page_msg_inform);
    m_lastListPage = m_w.page_msg_inform;
    clearGrid(m_unread);
    clearGrid(m_all);
    user().getMsg_inform();
    {
        // Both lists are built right below; the tab change need not build one first.
        const QSignalBlocker quiet(m_w.tabWidget);
        m_w.tabWidget->setCurrentWidget(m_w.tab_all);
    }
    buildInformGrid(m_all);
    buildInformGrid(m_unread);
}

void MessagePage::tabChanged(int)
{
    buildInformGrid(currentInformGrid());
}

void MessagePage::allTabClicked()
{
    m_w.tabWidget->setCurrentWidget(m_w.tab_all);
}

void MessagePage::unreadTabClicked()
{
    m_w.tabWidget->setCurrentWidget(m_w.tab_unread);
}

// --- Actions on the account's messages -----------------------------------------------------

void MessagePage::selectAllClicked()
{
    const bool all = m_w.checkBox_msg_all->isChecked();
    for (const QPointer<QCheckBox> &check : qAsConst(currentInformGrid().checks)) {
        if (check)
            check->setChecked(all);
    }
}

void MessagePage::markReadClicked()
{
    const QList<QSharedPointer<DMsg>> ticked = tickedMessages(currentInformGrid());
    if (ticked.isEmpty()) {
        User::showMsgBox(noMessageTickedText(), QString(), 1);
        return;
    }
    changeStates(ticked, DMsgRead);
}

void MessagePage::markAllReadClicked()
{
    QList<QSharedPointer<DMsg>> all;
    for (const QPointer<QCheckBox> &check : qAsConst(currentInformGrid().checks)) {
        if (check)
            all.append(check->property("dmsgP").value<QSharedPointer<DMsg>>());
    }
    changeStates(all, DMsgRead);
}

void MessagePage::deleteClicked()
{
    const QList<QSharedPointer<DMsg>> ticked = tickedMessages(currentInformGrid());
    if (ticked.isEmpty()) {
        User::showMsgBox(noMessageTickedText(), QString(), 1);
        return;
    }
    if (!User::showMsgBox(deleteQuestion(ticked.size()), QStringLiteral("确认删除"), 2))
        return;
    changeStates(ticked, DMsgDeleted);
}

void MessagePage::changeStates(const QList<QSharedPointer<DMsg>> &messages, DMsgState state)
{
    QString failure;
    bool failed = false;
    for (const QSharedPointer<DMsg> &msg : messages) {
        if (!msg)
            continue;
        if (!user().updateMsg(msg->id, state)) {
            failed = true;
            failure = user().errorText;
        }
    }
    if (failed) {
        User::showMsgBox(failure, QString(), 1);
        return;
    }
    clearGrid(m_unread);
    clearGrid(m_all);
    user().getMsg_inform();
    buildInformGrid(currentInformGrid());
}

void MessagePage::refreshClicked()
{
    QPushButton *button = m_w.pushButton_44;
    button->setEnabled(false);
    clearGrid(m_unread);
    clearGrid(m_all);
    const int count = user().getMsg_inform();
    buildInformGrid(currentInformGrid());
    showToast(refreshedToast(count));
    QTimer::singleShot(kRefreshPauseMs, button, [button] { button->setEnabled(true); });
}

// --- Detail --------------------------------------------------------------------------------

void MessagePage::openMessage(const QSharedPointer<DMsg> &msg, const Grid *from)
{
    showBody(msg);
    m_w.lineEdit_title->setText(msg->title);
    m_w.lineEdit_date->setText(messageDetailTime(msg->time));
    m_w.stackedWidget_msg->setCurrentWidget(m_w.page_detail);

    // A message opened from an account list is marked read on the service whatever its state
    // here: the cached state may be older than the service's.
    const bool informList = from == &m_unread || from == &m_all;
    if (!informList)
        return;
    // The cache may have been reloaded since the row was built: its entry is marked as well.
    msg->state = DMsgRead;
    markReadInList(user().msgsInform, msg->id);
    user().updateMsg(msg->id, DMsgRead);
    clearGrid(m_unread);
    clearGrid(m_all);
    buildInformGrid(m_all);
    buildInformGrid(m_unread);
}

void MessagePage::showBody(const QSharedPointer<DMsg> &msg)
{
    prepareBodyView();
    QTextBrowser *browser = m_w.textBrowser_msg;
    if (msg->type == DMsgInform) {
        // The account's own messages come with their text; the detail request serves the
        // public kinds only.
        browser->setText(msg->content);
    } else {
        browser->setHtml(user().getDetail(msg.data()));
    }
    QTextCursor all(browser->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    all.mergeBlockFormat(justified);
    m_w.webView->setHtml(browser->toHtml());
}

void MessagePage::backClicked()
{
    m_w.stackedWidget_msg->setCurrentWidget(m_lastListPage ? m_lastListPage.data()
                                                           : m_w.page_msg_inform);
}
