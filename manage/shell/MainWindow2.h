#pragma once

#include "client/Types.h"
#include "manage/shared/PageShell.h"

#include <QColor>
#include <QList>
#include <QMainWindow>

#include <QPointer>
#include <QPushButton>
#include <QScopedPointer>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <functional>

#include <memory>
#include <optional>

namespace Ui {
class MainWindow2;
}

class AddDomainsPage;
class BatchJobsPage;
class DomainListPage;
class GroupEditor;
class HistoryPage;
class MessagePage;
class QMovie;
class RecordPage;
class SearchPage;
class SettingsPage;

// The management window: a frameless, resizable window with a navigation column and one stack
// of pages. The shell owns the form, navigation, the notice strip, the quit confirmation and the
// periodic job; each page's behaviour lives in its own unit, reached through the accessors below.
class MainWindow2 : public QMainWindow, public PageShell
{
    Q_OBJECT
public:
    explicit MainWindow2(QWidget *parent = nullptr);
    ~MainWindow2() override;

    double versionNumber = 1.31;
    QString versionText = QStringLiteral("R1.31");
    // The domain whose records the record page shows. Held as the domain list's own handle so
    // that it outlives a reload of the list.
    QSharedPointer<Domain> currentDomain;
    bool firstShowPending = true;
    QColor rowColorEven{255, 255, 255};
    QColor rowColorOdd{250, 250, 252};
    QColor rowColorHover{225, 239, 250};

private:
    QScopedPointer<Ui::MainWindow2> ui;

public:
    // Buttons with the hover behaviour of eventFilter: domain names and record hosts/values
    // (tool tip with the full text) and line-menu entries (hover colour). Entries of destroyed
    // rows read as null and are dropped by the periodic job.
    QList<QPointer<QPushButton>> nameButtons;
    QList<QPointer<QPushButton>> menuButtons;

    // Registers a button in nameButtons / menuButtons and installs the window's filter on it.
    void addNameButton(QPushButton *button) override;
    // Shows the hover tip of a name button at a point (a test records the tips instead).
    std::function<void(const QPoint &, const QString &)> showNameTip;
    void addMenuButton(QPushButton *button) override;

    // The window as its pages see it.
    QWidget *dialogParent() override { return this; }
    QSharedPointer<Domain> shownDomain() const override { return currentDomain; }
    void setShownDomain(const QSharedPointer<Domain> &domain) override { currentDomain = domain; }
    RowColours rowColours() const override { return {rowColorEven, rowColorOdd, rowColorHover}; }
    double runningVersion() const override { return versionNumber; }
    void forgetNameButtons() override { nameButtons.clear(); }

    DomainListPage &domainList() const { return *m_domainList; }
    RecordPage &recordPage() const { return *m_recordPage; }
    BatchJobsPage &batchJobsPage() const { return *m_batchJobs; }
    MessagePage &messagePage() const { return *m_messages; }
    SettingsPage &settingsPage() const { return *m_settings; }
    HistoryPage &historyPage() const { return *m_history; }
    SearchPage &searchPage() const { return *m_search; }

    // Shows text in the notice strip for a time that grows with its length.
    void showToast(const QString &text) override;

    // Navigation for the pages: a page moves the user to another page only through these.
    // Each does what the navigation column or the target page's own buttons do, in their order.
    // The domain page as the navigation column opens it: the lists are reloaded when stale.
    void showDomainList() override;
    // The domain page as it was left, without a reload (back from the job results).
    void showDomainPage() override;
    // Inside the domain page: a domain's record table in place of the domain rows, and back.
    void showRecordTable() override;
    void showDomainRows() override;
    // Fetches the records of domain and shows them (the domain list's names open this).
    void showRecords(const QSharedPointer<Domain> &domain) override;
    // A search hit opened: "域名管理" checked, the record highlighted, "后退" to the search.
    void showHitRecord(const QSharedPointer<Domain> &domain, int recordID) override;
    // The results of a job run on the domain or record page, one line per item.
    void showJobResults(const QStringList &successes, const QStringList &failures) override;
    // The batch page as the navigation column opens it.
    void showBatchJobs() override;
    // The account-wide search over the local copy, as the navigation column opens it.
    void showSearch() override;
    // The batch page's add tab at its input, with domainNames (when any) as its domain list.
    void showBatchAddInput(const QStringList &domainNames) override;
    // The batch page's edit tab with domainName as the domain list and a row for each of the
    // first records (see BatchJobsPage::editRecords).
    void showBatchEdit(const QString &domainName,
                       const QList<QSharedPointer<Record>> &records) override;
    // The history page with the journal read afresh.
    void showHistory() override;
    // The domain and group lists loaded again when stale, as the domain page does when shown.
    void loadStaleDomainLists() override;
    // Logging out, confirmed: the sign-in side takes over (logoutConfirmed) and this window
    // hides.
    void returnToSignIn() override;

    // Whether the sign-in side remembers the password, as its last setPasswordRemembered
    // said; empty when no sign-in side has told.
    std::optional<bool> passwordRemembered() const override { return m_passwordRemembered; }

signals:
    // The user confirmed logging out; emitted before this window hides. The sign-in window
    // shows itself on its first tab.
    void logoutConfirmed();

public slots:
    // The sign-in side's remember-password choice, which the settings page's switch takes
    // when the window prepares its first show.
    void setPasswordRemembered(bool remembered);

    // The 500 ms periodic job: domain table growth and repair, stale notice strip.
    void slot_scro();
    void activateRow(Record *rcp);
    void activateRowAdd();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;
    void changeEvent(QEvent *event) override;

private slots:
    // Navigation column and window buttons.
    void on_commandLinkButton_clicked();
    void on_commandLinkButton_2_clicked();
    void on_commandLinkButton_6_clicked();
    void on_commandLinkButton_hist_clicked();
    void on_commandLinkButton_search_clicked();
    void on_commandLinkButton_opt_clicked();
    void on_commandLinkButton_help_clicked();
    void on_pushButton_user_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_24_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_14_clicked();

    // Domain list.
    void on_checkBox_clicked();
    void on_lineEdit_search_textChanged(const QString &text);
    void on_pushButton_17_clicked();
    void on_comboBox_8_activated(int index);
    void on_comboBox_9_activated(int index);
    void on_comboBox_group_activated(int index);
    void on_pushButton_delS_clicked();
    void on_pushButton_refDomain_clicked();
    void on_pushButton_58_clicked();
    void on_pushButton_25_clicked();

    // Groups.
    void on_pushButton_Gedit_clicked();
    void on_pushButton_zdgedit_clicked();

    // Records.
    void on_pushButton_15_clicked();
    void on_pushButton_30_clicked();
    void on_pushButton_31_clicked();
    void on_checkBoxR_clicked();
    void on_btnDelR_clicked();
    void on_cbRcsPause_activated(int index);

    // Adding domains.
    void on_pushButton_50_clicked();
    void on_pushButton_51_clicked();
    void on_pushButton_52_clicked();
    void on_pushButton_53_clicked();
    void on_stackedWidget_add_currentChanged(int index);
    void on_plainTextEdit_textChanged();

    // Batch record jobs.
    void on_pushButton_bataddnew_clicked();
    void on_pushButton_bateditnew_clicked();
    void on_pushButton_batdelnew_clicked();
    void on_pushButton_dobatadd_clicked();
    void on_pushButton_dobatedit_clicked();
    void on_pushButton_dobatdel_clicked();
    void on_pushButton_prevbatadd_clicked();
    void on_pushButton_prevbatedit_clicked();
    void on_pushButton_prevbatdel_clicked();
    void on_pushButton_43_clicked();
    void on_pushButton_46_clicked();
    void on_pushButton_59_clicked();
    void on_tabWidget_bat_currentChanged(int index);
    void on_pushButton_42_clicked();
    void on_pushButton_Rbat_clicked();
    void on_pushButton_Rimport_clicked();
    void on_pushButton_Rexport_clicked();
    void on_pushButton_Rlive_clicked();

    // Message centre.
    void on_pushButton_36_clicked();
    void on_pushButton_37_clicked();
    void on_pushButton_38_clicked();
    void on_tabWidget_currentChanged(int index);
    void on_pushButton_chtab1_clicked();
    void on_pushButton_chtab2_clicked();
    void on_checkBox_msg_all_clicked();
    void on_pushButton_msg_read_clicked();
    void on_pushButton_msg_allread_clicked();
    void on_pushButton_msg_del_clicked();
    void on_pushButton_44_clicked();
    void on_pushButton_39_clicked();

    // Settings and help.
    void on_pushButton_34_clicked();
    void on_pushButton_21_clicked();
    void on_pushButton_18_clicked();
    void on_pushButton_35_clicked();
    void on_pushButton_chkV_clicked();

private:
    void makePages();
    void prepareWidgets();
    void addNativeFrame();
    void openDomainPage();
    void onShown();
    void postShowInit();
    void dropDestroyedButtons();

    std::unique_ptr<DomainListPage> m_domainList;
    std::unique_ptr<GroupEditor> m_groupEditor;
    std::unique_ptr<RecordPage> m_recordPage;
    std::unique_ptr<AddDomainsPage> m_addDomains;
    std::unique_ptr<BatchJobsPage> m_batchJobs;
    std::unique_ptr<MessagePage> m_messages;
    std::unique_ptr<SettingsPage> m_settings;
    std::unique_ptr<HistoryPage> m_history;
    std::unique_ptr<SearchPage> m_search;

    QMovie *m_domainLoading = nullptr;
    bool m_batchRowsSeeded = false;
    std::optional<bool> m_passwordRemembered;
};
