#pragma once

#include "client/Types.h"
#include "manage/shared/ManagePage.h"

#include <QElapsedTimer>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMovie;
class QPoint;
class QPushButton;
class QScrollArea;
class QSpacerItem;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The widgets the domain list page owns, under the form's object names.
struct DomainListWidgets
{
    QStackedWidget *stacked_3 = nullptr; // the domain rows, or a domain's records in their place
    QWidget *page_dmdm = nullptr;        // the domain rows with the group column
    QTableWidget *tableWidget = nullptr; // the domain table
    QCheckBox *checkBox = nullptr;       // "全选"
    QLineEdit *lineEdit_search = nullptr;
    QComboBox *comboBox_group = nullptr;         // move the checked domains into a group
    QPushButton *pushButton_refDomain = nullptr; // refresh
    QLabel *label_domain_g_n = nullptr;          // the title: the group shown
    QFrame *frame_dm = nullptr;                  // loading overlay
    // The group column.
    QScrollArea *scrollArea_5 = nullptr;
    QWidget *scrollAreaWidgetContents_5 = nullptr;
    QGridLayout *layout_groups = nullptr;
    QButtonGroup *buttonGroup_groups = nullptr;
    QPushButton *pushButton_17 = nullptr; // "全部域名"
    // The overlay of a move into a group.
    QFrame *frame_loadingchdg = nullptr;
    QLabel *label_f_loading_chdg = nullptr;
    QLabel *label_fp_loading_chdg = nullptr;
    QPushButton *pushButton_f_loading_chdg = nullptr;
};

// The domain list page: the domain table, the group column, search and the bulk actions.
class DomainListPage : public ManagePage
{
    Q_OBJECT
public:
    DomainListPage(PageShell &window, const DomainListWidgets &widgets);

    // Runs inside the window's loading loop when the domain page opens with stale lists:
    // fetches what is stale (clearing its flag), rebuilds the group column and, when the
    // domains were fetched, refills the table for all groups.
    void loadStaleLists();

    // The table duties of the window's periodic job: append rows while the user scrolls near
    // the end, and refill a table left empty although domains of the current filter exist.
    // Both do nothing while a fill runs.
    void growWhileScrolling();
    void repairEmptyTable();

    // Builds the table afresh for groupId (0 = every group), or with append extends it by the
    // next matching domains up to limit rows. Lets events through while it adds many rows; a
    // newer fresh fill stops it.
    void fillDomainTable(int groupId, bool append, int limit);
    // Rebuilds the group column and the group choice of the move combo.
    void RFdmFinish();
    // Removes the row of domain (matched by id), or resets its lock and pause buttons.
    void updateDomainRow(const Domain &domain, bool remove);
    // Reloads what is stale and shows the group that was shown before.
    void reloadKeepingGroup();

    // By-name slots handed over by the window.
    void selectAllClicked();
    void searchTextChanged(const QString &text);
    void allDomainsClicked();
    void pauseComboActivated(int index);
    void lockComboActivated(int index);
    void groupComboActivated(int index);
    void deleteCheckedClicked();
    void refreshClicked();
    void batchJobsClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setUpTable();
    void clearTable();
    void showTitle(int groupId);
    void addRow(const QSharedPointer<Domain> &dm);
    // Rows get their widgets while they are in or near the view.
    struct LiveRange
    {
        int first;
        int last;
    };
    LiveRange liveRange() const;
    void makeWidgets(int row);
    void syncLiveRows();
    void letEventsThrough();
    bool fetchStale();

    // Row actions.
    void openRecords(const QSharedPointer<Domain> &dm);
    void lockClicked(const QSharedPointer<Domain> &dm);
    void pauseClicked(const QSharedPointer<Domain> &dm);
    void deleteClicked(const QSharedPointer<Domain> &dm);
    bool refuseLocked(const Domain &dm);
    // A journaled step on one domain, sent by the job's writer: its job is "<verb> <domain>"
    // (or "<verb> N 个域名" for the checked rows), its step stepOp; change is applied when the
    // step is done.
    struct DomainAction
    {
        QString verb;
        QString stepOp;
        std::function<void(Domain &)> change;
    };
    static DomainAction lockAction(bool lock);
    static DomainAction pauseAction(bool pause);
    // Runs action on dm, then shows "<verb>成功" or "<verb>失败 <error>" and redraws the row.
    void runDomainAction(const QSharedPointer<Domain> &dm, const DomainAction &action);
    // Applies a confirmed change to dm and to the list's current entry of the same domain,
    // which differs from dm when the list was reloaded during the call.
    void applyChange(const QSharedPointer<Domain> &dm, const std::function<void(Domain &)> &change);
    void forgetDomain(int id);

    // Bulk actions.
    QList<QSharedPointer<Domain>> checkedDomains() const;
    void reportBulk(const QStringList &successes, const QStringList &failures);
    // Runs action on each checked domain in one job, in order, collecting a line for each
    // outcome and redrawing each row; stops at a journal failure. False when nothing is
    // checked (the user is told) or the job could not begin.
    using SuccessLine = std::function<QString(const Domain &)>;
    using FailureLine = std::function<QString(const Domain &, const QString &error)>;
    bool runOnChecked(const DomainAction &action, const SuccessLine &successLine,
                      const FailureLine &failureLine, QStringList &successes,
                      QStringList &failures);
    void moveToGroup(const QList<QSharedPointer<Domain>> &domains, int target);

    // Row hover highlight, driven by the table's own mouse events.
    void hoverAt(const QPoint &viewportPos);
    void hoverUnderCursor();
    void paintRow(QTableWidgetItem *first, bool hovered);

    const DomainListWidgets m_w;
    bool m_tableReady = false;
    // Counts fresh fills and list reloads; a running fill stops when it changes.
    quint64 m_fillGeneration = 0;
    QTableWidgetItem *m_hoverItem = nullptr;
    QList<QPersistentModelIndex> m_liveRows;
    QElapsedTimer m_sinceEvents;
    QList<QPointer<QPushButton>> m_groupButtons;
    QSpacerItem *m_groupSpacer = nullptr;
    QMovie *m_moveMovie = nullptr;
};
