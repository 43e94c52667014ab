#pragma once

#include "client/Types.h"
#include "manage/shell/ManagePage.h"

#include <QList>
#include <QPointer>
#include <QSharedPointer>

class QCheckBox;
class QGridLayout;
class QMovie;
class QSpacerItem;
class QWidget;

// The message centre: news, notices and the account's own messages, and the detail page that
// shows one message's body.
class MessagePage : public ManagePage
{
    Q_OBJECT
public:
    explicit MessagePage(MainWindow2 &window);
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

    Grid m_news;
    Grid m_notices;
    Grid m_unread;
    Grid m_all;
    QPointer<QWidget> m_lastListPage;
    QMovie *m_loading = nullptr;
    bool m_prepared = false;
    bool m_bodyViewReady = false;
};
