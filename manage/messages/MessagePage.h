#pragma once

#include "client/Types.h"
#include "manage/shared/ManagePage.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>

class QCheckBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QSpacerItem;
class QStackedWidget;
class QTabWidget;
class QTextBrowser;
class QWebView;
class QWidget;

// The widgets the message centre owns, under the form's object names.
struct MessagePageWidgets
{
    QWidget *page_news = nullptr;                // the whole page
    QStackedWidget *stackedWidget_msg = nullptr; // one list or the detail page
    QWidget *page_msg_news = nullptr;
    QWidget *page_msg_notice = nullptr;
    QWidget *page_msg_inform = nullptr;
    QWidget *page_detail = nullptr;
    QGridLayout *gridLayout_9 = nullptr;  // news
    QGridLayout *gridLayout_10 = nullptr; // notices
    QGridLayout *gridLayout_7 = nullptr;  // own messages, unread
    QGridLayout *gridLayout_8 = nullptr;  // own messages, all
    QTabWidget *tabWidget = nullptr;      // "全部" / "未读" of the own messages
    QWidget *tab_all = nullptr;
    QWidget *tab_unread = nullptr;
    QCheckBox *checkBox_msg_all = nullptr;
    QPushButton *pushButton_msg_del = nullptr;
    QPushButton *pushButton_44 = nullptr; // refresh
    // The detail page.
    QLineEdit *lineEdit_title = nullptr;
    QLineEdit *lineEdit_date = nullptr;
    QTextBrowser *textBrowser_msg = nullptr;
    QWebView *webView = nullptr;
    // The loading overlay.
    QFrame *frame_loading4 = nullptr;
    QLabel *label_f_loading4 = nullptr;
    QLabel *label_fp_loading4 = nullptr;
};

// The message centre: news, notices and the account's own messages, and the detail page that
// shows one message's body.
class MessagePage : public ManagePage
{
    Q_OBJECT
public:
    MessagePage(PageShell &window, const MessagePageWidgets &widgets);
    ~MessagePage() override;

    // By-name slots handed over by the window.
    void newsClicked();
    void noticesClicked();
    void informClicked();
    void tabChanged(int index);
    void allTabClicked();
    void unreadTabClicked();
    void selectAllClicked();
    void markReadClicked();
    void markAllReadClicked();
    void deleteClicked();
    void refreshClicked();
    void backClicked();

private:
    // One list of the page: its rows' widgets and check boxes, and the spacer that closes it.
    struct Grid
    {
        QGridLayout *layout = nullptr;
        bool unreadOnly = false;
        QList<QPointer<QWidget>> widgets;
        QList<QPointer<QCheckBox>> checks;
        QSpacerItem *spacer = nullptr;
    };

    void prepareOnce();
    void prepareBodyView();
    void clearGrid(Grid &grid);
    void buildGrid(Grid &grid, const QList<QSharedPointer<DMsg>> &messages, bool withChecks);
    void addRow(Grid &grid, int row, const QSharedPointer<DMsg> &msg, bool withChecks);
    void buildInformGrid(Grid &grid);
    Grid &currentInformGrid();
    void showPublicKind(QWidget *page, Grid &grid, DMsgType kind, const DMsgList &list);
    QList<QSharedPointer<DMsg>> tickedMessages(const Grid &grid) const;
    // Sets the state of every message on the service; reloads the lists when all calls went
    // through, otherwise shows the last failure.
    void changeStates(const QList<QSharedPointer<DMsg>> &messages, DMsgState state);
    void openMessage(const QSharedPointer<DMsg> &msg, const Grid *from);
    void showBody(const QSharedPointer<DMsg> &msg);

    const MessagePageWidgets m_w;
    Grid m_news;
    Grid m_notices;
    Grid m_unread;
    Grid m_all;
    QPointer<QWidget> m_lastListPage;
    QMovie *m_loading = nullptr;
    bool m_prepared = false;
    bool m_bodyViewReady = false;
};
