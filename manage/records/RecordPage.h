#pragma once

#include "client/Types.h"
#include "client/live/LiveCheck.h"
#include "manage/records/ZoneImportDialog.h"
#include "manage/shared/ManagePage.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QPointer>
#include <QSharedPointer>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The widgets the record page owns, under the form's object names.
struct RecordPageWidgets
{
    QLabel *label_domain = nullptr;          // the domain's name
    QTableWidget *tableR = nullptr;          // the record table
    QCheckBox *checkBoxR = nullptr;          // "全选"
    QPushButton *pushButton_30 = nullptr;    // refresh
    QPushButton *pushButton_Rlive = nullptr; // "检测生效"; "停止检测" while it runs
    QLabel *label_live = nullptr;            // the check's progress, then its summary
};

Q_DECLARE_METATYPE(QSharedPointer<Record>)

// The record list page of one domain: the record table with in-place editors, row and bulk
// actions. Rows hold their records by shared handle, so a reload of the record list during a
// call (each call lets events through) never leaves a row or an editor with a freed record.
// Display rows get their widgets when they come into view and give them back when they are
// far out of it, so a long list opens at once and scrolling through it stays light.
class RecordPage : public ManagePage
{
    Q_OBJECT
public:
    RecordPage(PageShell &window, const RecordPageWidgets &widgets);

    // Opens the records of domain: makes it the window's currentDomain, fetches its records
    // and shows the page. The domain list calls this when a domain name is clicked.
    void showDomain(const QSharedPointer<Domain> &domain);
    // Opens the records of domain from a search hit: the row of recordID highlighted and
    // scrolled into view, and "后退" back to the search.
    void showHit(const QSharedPointer<Domain> &domain, int recordID);
    // The id of the record highlighted for a search hit; 0 when none.
    int highlightedRecord() const { return m_highlightID; }
    // The background of the highlighted row.
    static QColor highlightColour() { return QColor(0xff, 0xf3, 0xc4); }
    // Shows the cached records of domain afresh; open editors are discarded.
    void showRecordPage(const QSharedPointer<Domain> &domain);
    // Rebuilds the row of record in display mode, keeping its check box.
    void fillRecordRow(const QSharedPointer<Record> &record);
    // Turns the row of rcp into an editor row; nothing when it has none or is being edited.
    void activateRow(Record *rcp);
    // Inserts an editor row for a new record at the top.
    void activateRowAdd();

    // The domain shown, and its records whose rows are ticked, in row order (rows being edited
    // do not count): what the batch page takes over.
    QSharedPointer<Domain> domain() const { return m_domain; }
    QList<QSharedPointer<Record>> checkedRecords() const;

    // By-name slots handed over by the window.
    void addClicked();
    void refreshClicked();
    void backClicked();
    void selectAllClicked();
    void deleteCheckedClicked();
    void pauseComboActivated(int index);
    void batchClicked();
    // "导出": one zone file per line in use into a chosen folder (RecordZone.cpp).
    void exportClicked();
    // "导入": a zone file, the preview of its plan, then "执行" runs it as a journaled job.
    void importClicked();

    // "检测生效": checks every record of the domain on each of its name servers, line by line
    // (RecordLive.cpp); clicked again while it runs, stops it. Each row then shows 已生效 or
    // 未生效, with what is not live in its tool tip, until the page shows another domain.
    void liveClicked();
    bool liveRunning() const { return m_live != nullptr; }
    // What the last check said of each record (by id).
    const QHash<int, RecordVerdict> &liveVerdicts() const { return m_verdicts; }

    // Seams for tests: answer the folder and file choosers in place of the dialogs.
    std::function<QString()> chooseExportFolder;
    std::function<QString()> chooseZoneFile;
    // The preview of the import in progress; null when none is open.
    ZoneImportDialog *zoneImportDialog() const { return m_importDialog; }

    // Data of a row's vertical header item.
    static constexpr int RecordRole =
        Qt::UserRole + 1; // QSharedPointer<Record>; null for a new one
    static constexpr int CheckedRole = Qt::UserRole + 2;
    static constexpr int EditingRole = Qt::UserRole + 3;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Editor
    {
        QPointer<QLineEdit> host;
        QPointer<QComboBox> type;
        QPointer<QLineEdit> value;
        QPointer<QPushButton> line;
        QPointer<QLineEdit> mx;
        QPointer<QLineEdit> ttl;
        QPointer<QPushButton> save;
        QPointer<QPushButton> cancel;
    };

    // Table set-up and lookup.
    void setUpTable(bool hasRecords);
    void showDomainName();
    void updateOperationsWidth();
    int rowOf(const Record *record) const;
    int rowOfEditor(const QLineEdit *host) const;
    QTableWidgetItem *headerItem(int row) const;
    QSharedPointer<Record> recordAt(int row) const;
    void setPendingNewRows(int count);
    void openDomain(const QSharedPointer<Domain> &domain);
    // Scrolls the highlighted row to the middle of the table.
    void revealHighlight();
    int pendingNewRows() const;

    // Display rows (RecordRows.cpp).
    void queueBuildVisibleRows();
    void buildVisibleRows();
    // Builds the rows in view and ahead more on either side; releases those far away.
    void buildRows(int ahead);
    void releaseRowsOutside(int from, int to);
    // Hands widget to the table as the widget of a cell, placed at the cell before it shows.
    void placeCellWidget(int row, int column, QWidget *widget);
    // Host, type, line, MX and TTL columns as wide as their longest text, within bounds.
    void sizeColumnsToContent();
    void buildDisplayRow(int row, const QSharedPointer<Record> &record);
    void paintRowItems(int row);
    QPushButton *cellButton(const QString &text, Record *key, bool pointing);
    QWidget *operationsCell(const QSharedPointer<Record> &record);

    // Editors (RecordEditors.cpp).
    QPushButton *makeLineButton(Record *record);
    Editor placeEditor(int row, QPushButton *lineButton, const Record *record);
    // These take their arguments by value: a call lets events through, and a rebuild of the
    // page meanwhile destroys the widgets (and the connections) they came from.
    void saveEdit(QSharedPointer<Record> record, QSharedPointer<Domain> domain, Editor editor);
    void saveNew(QSharedPointer<Domain> domain, Editor editor);
    void cancelNew(const Editor &editor);

    // Actions (RecordActions.cpp).
    void togglePause(QSharedPointer<Record> record);
    void deleteRecord(QSharedPointer<Record> record);

    // The live check (RecordLive.cpp).
    void liveFinished();
    void forgetLive();
    QWidget *liveBadge(const Record &record, QWidget *parent) const;

    // Zone files (RecordZone.cpp).
    bool readAllRecords(const QSharedPointer<Domain> &domain, QList<Record> &records);
    // The notice after an export: how many files went into which folder, and their names.
    QString exportNotice(const QString &folder, const QStringList &written) const;
    void runZoneImport();

    const RecordPageWidgets m_w;
    QPointer<ZoneImportDialog> m_importDialog;
    QSharedPointer<Domain> m_importDomain; // the domain the open preview was planned for
    QSharedPointer<Domain> m_domain;
    bool m_buildQueued = false;
    int m_highlightID = 0;
    bool m_backToSearch = false; // opened from a search hit
    QPointer<LiveCheck> m_live;
    QSharedPointer<Domain> m_liveDomain; // the domain the verdicts are of
    QHash<int, RecordVerdict> m_verdicts;
};
