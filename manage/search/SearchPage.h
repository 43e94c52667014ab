#pragma once

#include "client/copy/LocalCopy.h"
#include "client/plan/HitEditPlanner.h"
#include "manage/shared/ManagePage.h"

#include <QPointer>
#include <QVector>

#include <functional>
#include <optional>

class CopyRefresh;
class HitEditForm;
class PlanDialog;
class LocalCopy;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;
class QWidget;
class SearchHitModel;

// The widgets the account-wide search owns, under the form's object names.
struct SearchPageWidgets
{
    QWidget *page_search = nullptr;
    QLineEdit *lineEdit_gsearch = nullptr;
    QCheckBox *checkBox_gcontains = nullptr;
    QComboBox *comboBox_gtype = nullptr;
    QComboBox *comboBox_gline = nullptr;
    QPushButton *pushButton_gsearch = nullptr;
    QLabel *label_gfresh = nullptr; // how fresh the local copy is
    QPushButton *pushButton_grefresh = nullptr;
    QPushButton *pushButton_gstop = nullptr;
    QPushButton *pushButton_gedit = nullptr; // "修改选中记录": enabled while hits are ticked
    QLabel *label_gstatus = nullptr;         // refresh progress, hit count or the error
    QPushButton *pushButton_gexport = nullptr; // "导出 CSV": enabled while there are hits
    QTableView *tableView_gsearch = nullptr;
};

// The account-wide search over the local copy (localCopy()): a query with its filters, the hits
// in a virtualized table, the copy's freshness, and a refresh of the copy from the service that
// runs in the background and can be stopped. A hit opens its domain's records. Ticked hits can
// be changed together: a form for the new fields, a plan over a fresh read of their domains,
// and a run of exactly that plan as one journaled job.
class SearchPage : public ManagePage
{
    Q_OBJECT
public:
    SearchPage(PageShell &window, const SearchPageWidgets &widgets);
    ~SearchPage() override;

    // The page is about to show: fills the filters and the freshness line.
    void prepare();
    void searchClicked();
    void refreshClicked();
    void stopClicked();
    void hitActivated(const QModelIndex &index);
    // "修改选中记录": opens the form for the ticked hits.
    void editClicked();
    // "导出 CSV": the hits shown, into a file the user names.
    void exportClicked();

    // Seam for tests: answers the file chooser of the export in place of the dialog.
    std::function<QString()> chooseCsvFile;

    SearchHitModel &hits() { return *m_model; }
    // The open form and plan window of a change, for tests; null when none is open.
    HitEditForm *editForm() const;
    PlanDialog *planDialog() const;

    const SearchHitModel &hits() const { return *m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The copy on the signed-in account, or null with the reason on the page.
    LocalCopy *openCopy();
    // Searches the copy and shows the hits; false when the query was refused or failed.
    bool runSearch(LocalCopy &copy, const SearchQuery &query);
    void showFreshness();
    // The freshness line cut to the label's width with an ellipsis; whole in its tip.
    void elideFreshness();
    void refreshFinished();
    void setRunning(bool running);
    void previewEdit(const QVector<CopyHit> &hits, const HitEdit &edit);
    void runEdit();

    const SearchPageWidgets m_w;
    SearchHitModel *m_model = nullptr;
    QPointer<CopyRefresh> m_refresh;
    QPointer<HitEditForm> m_form;
    QPointer<PlanDialog> m_planDialog;
    bool m_noticeShown = false;
    QString m_freshness; // the freshness line whole
    // The query whose hits are shown: searched again after a refresh or a change, whatever the
    // fields say by then.
    std::optional<SearchQuery> m_shownQuery;
};
