#pragma once

#include "client/Types.h"

#include <QColor>
#include <QMetaType>
#include <QSharedPointer>

class QCheckBox;
class QPushButton;
class QTableWidget;
class QWidget;

// The row's domain as the list's own shared handle, so that the row keeps its entry alive
// across a reload of the list.
struct DomainRef
{
    QSharedPointer<Domain> domain;
};
Q_DECLARE_METATYPE(DomainRef)

// A row of the domain table is its two items; the first one holds the row's domain and check
// state. Its widgets are made only while the row is in or near the view (a widget for every
// row of a large account makes every layout and paint pass walk all of them).
//
// Item roles of the first-column item.
constexpr int kRowIndexRole = Qt::UserRole + 1;     // row index at insertion (colour parity)
constexpr int kRowContainerRole = Qt::UserRole + 2; // the first cell's widget, while made
constexpr int kRowDomainIdRole = Qt::UserRole + 3;
constexpr int kRowDomainRole = Qt::UserRole + 4; // DomainRef
constexpr int kPartnerItemRole = Qt::UserRole + 5;
constexpr int kRowCheckedRole = Qt::UserRole + 6;

// The widgets of one row.
struct DomainRowWidgets
{
    QPushButton *container = nullptr; // first cell: check box and name
    QCheckBox *check = nullptr;
    QPushButton *name = nullptr;
    QWidget *actions = nullptr; // second cell: the three buttons
    QPushButton *lock = nullptr;
    QPushButton *pause = nullptr;
    QPushButton *remove = nullptr;
};

// Appends the items of a row for dm, unchecked, in background.
void appendDomainRow(QTableWidget *table, const QSharedPointer<Domain> &dm,
                     const QColor &background);

// Makes and places the widgets of an existing row, from its domain and check state.
// Connecting them is left to the caller.
DomainRowWidgets makeRowWidgets(QTableWidget *table, int row);
// Removes the widgets of a row (deleted later); the row keeps its items.
void dropRowWidgets(QTableWidget *table, int row);
bool rowHasWidgets(const QTableWidget *table, int row);

// Sets the lock and pause buttons of a row from dm's lock and state.
void applyRowLooks(QPushButton *lock, QPushButton *pause, const Domain &dm);

// What a row holds.
QSharedPointer<Domain> rowDomain(const QTableWidget *table, int row);
bool rowChecked(const QTableWidget *table, int row);
// Sets the check state of a row, in its item and, when made, its check box.
void setRowChecked(QTableWidget *table, int row, bool checked);
QCheckBox *rowCheckBox(const QTableWidget *table, int row);
QPushButton *rowLockButton(const QTableWidget *table, int row);
QPushButton *rowPauseButton(const QTableWidget *table, int row);

// The row that shows the domain with this id, or -1.
int findDomainRow(const QTableWidget *table, int id);
