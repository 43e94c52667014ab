#include "manage/domains/DomainTableRow.h"

#include "manage/domains/DomainListLogic.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>

namespace {

const QString kIconDir = QStringLiteral(":/image3/image3/a2/qietu/");
const QSize kIconSize(16, 16);

// Icons are shared by every row: load and scale each file once.
QIcon rowIcon(const QString &file)
{
    static QHash<QString, QIcon> cache;
    auto it = cache.find(file);
    if (it == cache.end()) {
        const QPixmap pixmap(kIconDir + file);
        it = cache.insert(
            file, QIcon(pixmap.scaled(kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    return *it;
}

void applyLook(QPushButton *button, const RowButtonLook &look)
{
    button->setToolTip(look.toolTip);
    button->setIcon(rowIcon(look.icon));
}

QPushButton *actionButton(QWidget *parent, const RowButtonLook &look)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("dmAction"));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(kIconSize);
    applyLook(button, look);
    return button;
}

QWidget *container(const QTableWidget *table, int row)
{
    return row >= 0 && row < table->rowCount() ? table->cellWidget(row, 0) : nullptr;
}

QObject *containerProperty(const QTableWidget *table, int row, const char *name)
{
    const QWidget *c = container(table, row);
    return c ? c->property(name).value<QObject *>() : nullptr;
}

// The view shows a widget it is handed before it moves it to its cell, and while rows were just
// inserted only when its delayed layout runs: until then a new row's widgets lay over the first
// rows at the viewport's corner, at the size of a new widget, and took the hovers meant for
// those rows. Placed at its cell first, a widget is shown where it belongs.
void placeCellWidget(QTableWidget *table, int row, int column, QWidget *widget)
{
    widget->setParent(table->viewport());
    widget->setGeometry(table->visualRect(table->model()->index(row, column)));
    table->setCellWidget(row, column, widget);
}

} // namespace

void appendDomainRow(QTableWidget *table, const QSharedPointer<Domain> &dm,
                     const QColor &background)
{
    const int row = table->rowCount();
    table->insertRow(row);
    auto *first = new QTableWidgetItem;
    auto *second = new QTableWidgetItem;
    first->setData(kRowIndexRole, row);
    first->setData(kRowDomainIdRole, dm->id);
    first->setData(kRowDomainRole, QVariant::fromValue(DomainRef{dm}));
    first->setData(kRowCheckedRole, false);
    first->setData(kPartnerItemRole, QVariant::fromValue<void *>(second));
    second->setData(kPartnerItemRole, QVariant::fromValue<void *>(first));
    first->setBackground(background);
    second->setBackground(background);
    table->setItem(row, 0, first);
    table->setItem(row, 1, second);
}

DomainRowWidgets makeRowWidgets(QTableWidget *table, int row)
{
    QTableWidgetItem *first = table->item(row, 0);
    const QSharedPointer<Domain> dm = rowDomain(table, row);
    DomainRowWidgets w;
    if (!first || !dm)
        return w;

    w.container = new QPushButton;
    w.container->setObjectName(QStringLiteral("dmCell"));
    w.container->setFlat(true);
    w.container->setFocusPolicy(Qt::NoFocus);
    auto *nameLayout = new QHBoxLayout(w.container);
    nameLayout->setContentsMargins(8, 0, 0, 0);
    w.check = new QCheckBox(w.container);
    w.check->setObjectName(QStringLiteral("dmCheck"));
    w.check->setFixedWidth(20);
    w.check->setFocusPolicy(Qt::NoFocus);
    w.check->setChecked(first->data(kRowCheckedRole).toBool());
    w.name = new QPushButton(dm->name, w.container);
    w.name->setObjectName(QStringLiteral("dmName"));
    w.name->setCursor(Qt::PointingHandCursor);
    w.name->setMouseTracking(true);
    w.name->setFocusPolicy(Qt::NoFocus);
    w.name->setToolTip(dm->name);
    nameLayout->addWidget(w.check);
    nameLayout->addWidget(w.name, 1);

    w.actions = new QWidget;
    w.actions->setObjectName(QStringLiteral("dmActions"));
    w.actions->setFixedWidth(100);
    auto *actionLayout = new QHBoxLayout(w.actions);
    actionLayout->setContentsMargins(12, 0, 0, 0);
    w.lock = actionButton(w.actions, lockButtonLook(*dm));
    w.pause = actionButton(w.actions, pauseButtonLook(*dm));
    w.remove = actionButton(w.actions, deleteButtonLook());
    actionLayout->addWidget(w.lock);
    actionLayout->addWidget(w.pause);
    actionLayout->addWidget(w.remove);

    w.container->setProperty("dmPtr", QVariant::fromValue(DomainRef{dm}));
    w.container->setProperty("chk1", QVariant::fromValue<QObject *>(w.check));
    w.container->setProperty("chk", QVariant::fromValue<QObject *>(w.check));
    w.container->setProperty("domainID", dm->id);
    w.container->setProperty("btnlock", QVariant::fromValue<QObject *>(w.lock));
    w.container->setProperty("btnPause", QVariant::fromValue<QObject *>(w.pause));
    first->setData(kRowContainerRole, QVariant::fromValue<QObject *>(w.container));

    placeCellWidget(table, row, 0, w.container);
    placeCellWidget(table, row, 1, w.actions);
    return w;
}

void dropRowWidgets(QTableWidget *table, int row)
{
    if (QTableWidgetItem *first = table->item(row, 0))
        first->setData(kRowContainerRole, QVariant());
    table->removeCellWidget(row, 0);
    table->removeCellWidget(row, 1);
}

bool rowHasWidgets(const QTableWidget *table, int row)
{
    return container(table, row) != nullptr;
}

void applyRowLooks(QPushButton *lock, QPushButton *pause, const Domain &dm)
{
    // setIcon keeps each button's icon size.
    if (lock)
        applyLook(lock, lockButtonLook(dm));
    if (pause)
        applyLook(pause, pauseButtonLook(dm));
}

QSharedPointer<Domain> rowDomain(const QTableWidget *table, int row)
{
    const QTableWidgetItem *first = table->item(row, 0);
    return first ? first->data(kRowDomainRole).value<DomainRef>().domain : QSharedPointer<Domain>();
}

bool rowChecked(const QTableWidget *table, int row)
{
    const QTableWidgetItem *first = table->item(row, 0);
    return first && first->data(kRowCheckedRole).toBool();
}

void setRowChecked(QTableWidget *table, int row, bool checked)
{
    if (QTableWidgetItem *first = table->item(row, 0))
        first->setData(kRowCheckedRole, checked);
    if (QCheckBox *check = rowCheckBox(table, row))
        check->setChecked(checked);
}

QCheckBox *rowCheckBox(const QTableWidget *table, int row)
{
    return qobject_cast<QCheckBox *>(containerProperty(table, row, "chk1"));
}

QPushButton *rowLockButton(const QTableWidget *table, int row)
{
    return qobject_cast<QPushButton *>(containerProperty(table, row, "btnlock"));
}

QPushButton *rowPauseButton(const QTableWidget *table, int row)
{
    return qobject_cast<QPushButton *>(containerProperty(table, row, "btnPause"));
}

int findDomainRow(const QTableWidget *table, int id)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *first = table->item(row, 0);
        if (first && first->data(kRowDomainIdRole).toInt() == id)
            return row;
    }
    return -1;
}
