// The record table's display rows: built when they come into view, rebuilt after a change.
#include "manage/records/RecordPage.h"

#include "client/User.h"
#include "manage/records/RecordRowText.h"
#include "manage/shared/ElidedText.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

// Rows built beyond the visible ones, so that a short scroll shows finished rows at once.
constexpr int kRowsAhead = 10;
// Rows built while the table has no size yet (before the page is first laid out).
constexpr int kRowsBeforeLayout = 30;
// Rows beyond those that keep their widgets once built.
constexpr int kRowsKept = 40;

const QString kTipStyle =
    QStringLiteral("QToolTip{background-color:#282828;color:#fff;border:1px solid #282828;}");

QIcon rowIcon(const char *name)
{
    return QIcon(QStringLiteral(":/image3/image3/a2/qietu/") + QLatin1String(name));
}

QPushButton *iconButton(const QIcon &icon, const QString &tip, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(24, 24);
    button->setToolTip(tip);
    button->setStyleSheet(QStringLiteral("QToolTip{color:#fff;}"));
    return button;
}

// A narrow cell's text, cut with an ellipsis where its column is too narrow, whole in the tip.
void elideWithTip(QPushButton *button, const QString &text)
{
    setElidedText(button, text);
    button->setToolTip(text);
}

} // namespace

void RecordPage::queueBuildVisibleRows()
{
    if (m_buildQueued)
        return;
    m_buildQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_buildQueued = false;
        buildVisibleRows();
    });
}

void RecordPage::buildVisibleRows()
{
    buildRows(kRowsAhead);
}

void RecordPage::buildRows(int ahead)
{
    QTableWidget *table = m_w.tableR;
    const int count = table->rowCount();
    if (count == 0)
        return;
    const int height = table->viewport()->height();
    const int first = qMax(0, table->rowAt(0));
    int last = table->rowAt(height - 1);
    if (last < 0)
        last = first + qMax(kRowsBeforeLayout, height / qMax(1, table->rowHeight(first)));
    last = qMin(count - 1, last + ahead);
    const int from = qMax(0, first - ahead);
    for (int row = from; row <= last; ++row) {
        if (table->cellWidget(row, 0))
            continue;
        if (const auto record = recordAt(row))
            buildDisplayRow(row, record);
    }
    releaseRowsOutside(from - kRowsKept, last + kRowsKept);
}

// Display rows far from view give their widgets back, so that scrolling through a long list
// keeps only a few screens of widgets; their ticks stay in the rows' header items. Editor rows
// keep theirs.
void RecordPage::releaseRowsOutside(int from, int to)
{
    QTableWidget *table = m_w.tableR;
    for (int row = 0; row < table->rowCount(); ++row) {
        if ((row >= from && row <= to) || !table->cellWidget(row, 0) ||
            headerItem(row)->data(EditingRole).toBool())
            continue;
        for (int column = 0; column < table->columnCount(); ++column)
            table->removeCellWidget(row, column);
    }
}

void RecordPage::fillRecordRow(const QSharedPointer<Record> &record)
{
    const int row = rowOf(record.data());
    if (row >= 0)
        buildDisplayRow(row, record);
}

void RecordPage::paintRowItems(int row)
{
    QTableWidget *table = m_w.tableR;
    const QSharedPointer<Record> record = recordAt(row);
    const QColor colour = m_highlightID != 0 && record && record->id == m_highlightID
                              ? highlightColour()
                          : row % 2 == 0 ? m_window.rowColours().even
                                         : m_window.rowColours().odd;
    for (int column = 0; column < table->columnCount(); ++column) {
        QTableWidgetItem *item = table->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, column, item);
        }
        item->setBackground(colour);
    }
}

QPushButton *RecordPage::cellButton(const QString &text, Record *key, bool pointing)
{
    auto *button = new QPushButton(text);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("background:transparent;border:none;"));
    if (pointing)
        button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [this, key] { activateRow(key); });
    return button;
}

void RecordPage::buildDisplayRow(int row, const QSharedPointer<Record> &record)
{
    QTableWidgetItem *header = headerItem(row);
    header->setData(EditingRole, false);
    paintRowItems(row);
    Record *key = record.data();
    User &u = user();

    auto *container = cellButton(QString(), key, true);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(8, 0, 0, 0);
    auto *check = new QCheckBox(container);
    check->setFixedWidth(20);
    check->setStyleSheet(QStringLiteral("margin-left:5px;border:none;"));
    check->setChecked(header->data(CheckedRole).toBool());
    connect(check, &QCheckBox::toggled, this, [this, key](bool on) {
        const int at = rowOf(key);
        if (at >= 0)
            headerItem(at)->setData(CheckedRole, on);
    });
    auto *host = cellButton(QString(), key, true);
    setElidedText(host, record->host);
    host->setStyleSheet(QStringLiteral(".QPushButton{border:none;text-align:left;}\n") + kTipStyle);
    m_window.addNameButton(host);
    layout->addWidget(check);
    layout->addWidget(host);

    auto *type = cellButton(QString(), key, true);
    elideWithTip(type, recordTypeName(u.recordTypes, u.recordTypes2, record->type));
    auto *value = cellButton(QString(), key, false);
    // Long values show their beginning with an ellipsis; the hover tool tip shows them whole.
    setElidedText(value, record->value);
    value->setStyleSheet(
        QStringLiteral(".QPushButton{background-color:transparent;text-align:left;}\n") +
        kTipStyle);
    m_window.addNameButton(value);

    // The line as the domain knows it now; a line it no longer offers keeps the record's own.
    const View line = u.getVID2V(m_domain ? m_domain->views : QList<View>(), record->lineID);
    if (!line.viewName.isEmpty())
        record->view = line;
    auto *route = cellButton(QString(), key, false);
    elideWithTip(route, recordLineText(line));

    container->setProperty("recordP", QVariant::fromValue(record));
    container->setProperty("wgname", QVariant::fromValue(host));
    container->setProperty("chk1", QVariant::fromValue(check));
    container->setProperty("wgtype", QVariant::fromValue(type));
    container->setProperty("wgvalue", QVariant::fromValue(value));
    container->setProperty("wgroute", QVariant::fromValue(route));

    placeCellWidget(row, 0, container);
    placeCellWidget(row, 1, type);
    placeCellWidget(row, 2, value);
    placeCellWidget(row, 3, route);
    auto *mx = cellButton(QString(), key, false);
    elideWithTip(mx, recordMxText(*record));
    auto *ttl = cellButton(QString(), key, false);
    elideWithTip(ttl, QString::number(record->ttl));
    placeCellWidget(row, 4, mx);
    placeCellWidget(row, 5, ttl);
    placeCellWidget(row, 6, operationsCell(record));
}

void RecordPage::placeCellWidget(int row, int column, QWidget *widget)
{
    // The view shows a widget it is handed before moving it to its cell, and while rows were
    // just inserted it moves it only when its delayed layout runs. Until then every new row's
    // buttons appeared at the viewport's corner, over the first row, one after the other: a
    // pointer resting there got a hover for each, and the last record's value stayed tipped.
    // Placed at its cell first, a widget is shown where it belongs.
    QTableWidget *table = m_w.tableR;
    widget->setParent(table->viewport());
    widget->setGeometry(table->visualRect(table->model()->index(row, column)));
    table->setCellWidget(row, column, widget);
}

QWidget *RecordPage::operationsCell(const QSharedPointer<Record> &record)
{
    static const QIcon running = rowIcon("qiyong.png");
    static const QIcon paused = rowIcon("zanting.png");
    static const QIcon remove = rowIcon("shanchu.png");

    auto *cell = new QWidget;
    cell->setStyleSheet(QStringLiteral("background:transparent;"));
    auto *layout = new QHBoxLayout(cell);
    layout->setContentsMargins(4, 0, 0, 0);
    const bool isRunning = record->state == 0;
    auto *pause =
        iconButton(isRunning ? running : paused,
                   isRunning ? QStringLiteral(" 点击暂停") : QStringLiteral(" 点击启用"), cell);
    auto *del = iconButton(remove, QStringLiteral(" 点击删除"), cell);
    connect(pause, &QPushButton::clicked, this, [this, record] { togglePause(record); });
    connect(del, &QPushButton::clicked, this, [this, record] { deleteRecord(record); });
    layout->addWidget(pause);
    layout->addWidget(del);
    if (QWidget *badge = liveBadge(*record, cell))
        layout->addWidget(badge);
    layout->addStretch();
    return cell;
}

void RecordPage::selectAllClicked()
{
    const bool on = m_w.checkBoxR->isChecked();
    QTableWidget *table = m_w.tableR;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QTableWidgetItem *header = headerItem(row))
            header->setData(CheckedRole, on);
        if (QWidget *cell = table->cellWidget(row, 0)) {
            if (auto *check = cell->property("chk1").value<QCheckBox *>())
                check->setChecked(on);
        }
    }
}
