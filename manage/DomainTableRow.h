#pragma once

#include "Types.h"

#include <QColor>
#include <QMetaType>
#include <QSharedPointer>

class QCheckBox;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// The row's domain as the list's own shared handle, so that the row keeps its entry alive
// across a reload of the list ("dmPtr" of the row's first cell).
struct DomainRef
{
    QSharedPointer<Domain> domain;
};
Q_DECLARE_METATYPE(DomainRef)

// The widgets of one row of the domain table.
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

// Item roles of the first-column item.
constexpr int kRowIndexRole = Qt::UserRole + 1;
constexpr int kRowContainerRole = Qt::UserRole + 2;
constexpr int kRowDomainIdRole = Qt::UserRole + 3;
constexpr int kPartnerItemRole = Qt::UserRole + 5;

// Appends a row for dm at the end of table, with its items in background and its widgets.
// Connecting the buttons is left to the caller.
DomainRowWidgets appendDomainRow(QTableWidget *table, const QSharedPointer<Domain> &dm,
                                 const QColor &background);

// Sets the lock and pause buttons of a row from dm's lock and state.
void applyRowLooks(QPushButton *lock, QPushButton *pause, const Domain &dm);

// What a row's first cell holds.
QSharedPointer<Domain> rowDomain(const QWidget *container);
int rowDomainId(const QWidget *container);
QCheckBox *rowCheck(const QWidget *container);
QPushButton *rowLockButton(const QWidget *container);
QPushButton *rowPauseButton(const QWidget *container);

// The row whose first cell shows the domain with this id, or -1.
int findDomainRow(const QTableWidget *table, int id);
