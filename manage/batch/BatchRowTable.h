#pragma once

#include "client/Types.h"
#include "manage/batch/BatchStartChecks.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

class PageShell;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

// What a row asks of the job, read once when the job starts: values trimmed, the type as its
// API code and as shown, the line as its id and its name. For the edit tab the plain fields
// describe the old record and the new* fields the change.
struct BatchRowValues
{
    QString host;
    QString type;
    QString typeText;
    int lineId = 0;
    QString lineText;
    QString value;
    QString mx;
    QString ttl;

    QString newHost;
    QString newType;
    QString newTypeText;
    int newLineId = 0;
    QString newLineText;
    QString newValue;
    QString newMx;
    QString newTtl;
};

// The record rows of one batch tab in their grid. A row is known by its host editor, which
// carries the row's other widgets as dynamic properties ("typew", "valuew", ... for the add
// and delete tabs, "typew1" ... "ttlw2" for the edit tab, "wgs" all of them, "btnC" its
// "取消" button); the grid keeps the list of host editors under the tab's property name
// ("batadd", "batedit" or "batdel").
class BatchRowTable : public QObject
{
    Q_OBJECT
public:
    BatchRowTable(PageShell &window, BatchKind kind, QGridLayout *grid, const char *listName,
                  QObject *parent = nullptr);

    BatchKind kind() const { return m_kind; }

    // Appends an empty row and returns its host editor.
    QLineEdit *addRow();
    // What the row's "取消" does: out of the list and the grid, widgets deleted later.
    void removeRow(QLineEdit *host);
    QList<QLineEdit *> rows() const;

    // The texts the start checks read and fix up, and the fixed texts written back.
    BatchRowTexts texts(QLineEdit *host) const;
    void setTexts(QLineEdit *host, const BatchRowTexts &texts);
    // The editor of the row's required value (the old value on the edit tab).
    QLineEdit *requiredEditor(QLineEdit *host) const;

    BatchRowValues values(QLineEdit *host) const;

    // Edit tab: the row describes record, both as old and as new record.
    void fillFromRecord(QLineEdit *host, const Record &record);

    // A row's widget stored under name on its host editor.
    template <typename T>
    static T *part(const QObject *host, const char *name)
    {
        return qobject_cast<T *>(host->property(name).value<QObject *>());
    }

private:
    QLineEdit *addPlainRow();
    QLineEdit *addEditRow();
    QLineEdit *newEdit(const QString &placeholder = QString());
    QComboBox *newTypeCombo(QLineEdit *mx);
    QWidget *newCancelButton(QLineEdit *host);
    void setRows(const QList<QLineEdit *> &rows);
    void keepRowsWidth();
    bool eventFilter(QObject *watched, QEvent *event) override;

    PageShell &m_window;
    BatchKind m_kind;
    QGridLayout *m_grid;
    const char *m_listName;
    QWidget *m_parent;
};

// A type combo's MX rule: "MX" makes the MX editor "10" and editable, any other type "-" and
// read-only.
void applyMxRule(QComboBox *type, QLineEdit *mx);
