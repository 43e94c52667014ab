#include "manage/domains/DomainListPage.h"

#include "client/DomainFilter.h"
#include "client/User.h"
#include "manage/domains/DomainListLogic.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/shared/GroupRef.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QHeaderView>
#include <QMouseEvent>
#include <QMovie>
#include <QScrollBar>
#include <QTimer>

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTableWidget>
#include <algorithm>
#include <climits>

namespace {

// One style sheet on the table styles every row widget: thousands of per-widget sheets would
// each be parsed and cached on their own.
const QString kTableStyle =
    QStringLiteral("#dmCell{background:transparent;border:none;}\n"
                   "#dmCheck{margin-left:5px;border:none;}\n"
                   "QPushButton#dmName{border:none;text-align:left;background:transparent;}\n"
                   "#dmActions{background:transparent;}\n"
                   "QPushButton#dmAction{border:none;background:transparent;}\n"
                   "QToolTip{background-color:#282828;color:#fff;border:1px solid #282828;}");

// Longest stretch a fill adds rows without handling events.
constexpr qint64 kEventSliceMs = 10;

const QString kHeaderStyle = QStringLiteral(
    "QHeaderView{border:none;background:#fff;}\n"
    "QHeaderView::section{border:none;border-bottom:1px solid #E1E1E1;font:16px;color:#000;"
    "background:#fff;}");

} // namespace

DomainListPage::DomainListPage(PageShell &window, const DomainListWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    QTableWidget *table = m_w.tableWidget;
    table->viewport()->installEventFilter(this);
    // Rows move under a resting pointer while the table scrolls; the table also grows as soon
    // as the user reaches its end rather than at the next tick of the periodic job.
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        syncLiveRows();
        hoverUnderCursor();
    });
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &DomainListPage::growWhileScrolling, Qt::QueuedConnection);

    m_moveMovie = new QMovie(QStringLiteral(":/image/image/712.GIF"), QByteArray(), this);
    m_moveMovie->setScaledSize(QSize(40, 40));
    m_w.label_f_loading_chdg->setMovie(m_moveMovie);
    QPushButton *stop = m_w.pushButton_f_loading_chdg;
    stop->setProperty("mustStop", 0);
    connect(stop, &QPushButton::clicked, this, [stop] {
        stop->setProperty("mustStop", 1);
        stop->setText(QStringLiteral("请稍候..."));
    });
}

// --- Loading --------------------------------------------------------------------------------

bool DomainListPage::fetchStale()
{
    User &u = user();
    bool fetched = false;
    if (u.domains.isEmpty() || u.needDomainReload) {
        // The list is about to be replaced: a fill still walking it must stop.
        ++m_fillGeneration;
        u.getDomain();
        u.needDomainReload = false;
        fetched = true;
    }
    if (u.needGroupReload) {
        u.getGroup();
        u.needGroupReload = false;
    }
    return fetched;
}

void DomainListPage::loadStaleLists()
{
    User &u = user();
    const bool fetched = fetchStale();
    const bool groupGone = u.filterGroupId != 0 &&
                           std::none_of(u.groups.begin(), u.groups.end(), [&u](const Group &g) {
                               return g.groupID == u.filterGroupId;
                           });
    if (fetched || groupGone)
        u.filterGroupId = 0;
    RFdmFinish();
    // A group that no longer exists shows every domain instead of its stale rows.
    if (fetched || groupGone) {
        fillDomainTable(0, false, 0);
        m_w.pushButton_17->setChecked(true);
    }
}

void DomainListPage::reloadKeepingGroup()
{
    QAbstractButton *checked = m_w.buttonGroup_groups->checkedButton();
    const int remembered =
        (!checked || checked == m_w.pushButton_17) ? -1 : checked->property("groupID").toInt();
    m_w.frame_dm->show();
    QEventLoop loop;
    QTimer::singleShot(1, &loop, [this, &loop, remembered] {
        const bool fetched = fetchStale();
        RFdmFinish();
        QAbstractButton *button = nullptr;
        for (const QPointer<QPushButton> &b : qAsConst(m_groupButtons)) {
            if (b && b->property("groupID").toInt() == remembered)
                button = b;
        }
        if (button) {
            button->click();
        } else if (fetched || remembered != -1) {
            // Every domain, also when the group shown before is gone.
            user().filterGroupId = 0;
            fillDomainTable(0, false, 0);
            m_w.pushButton_17->setChecked(true);
        }
        loop.quit();
    });
    loop.exec();
    m_w.frame_dm->hide();
}

// --- The table ------------------------------------------------------------------------------

void DomainListPage::setUpTable()
{
    if (m_tableReady)
        return;
    m_tableReady = true;
    QTableWidget *table = m_w.tableWidget;
    table->setStyleSheet(kTableStyle);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(50);
    QHeaderView *header = table->horizontalHeader();
    header->show();
    header->setStyleSheet(kHeaderStyle);
    header->setFixedHeight(40);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::Fixed);
    header->resizeSection(1, 100);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFocusPolicy(Qt::NoFocus);
    table->setMouseTracking(true);
    table->viewport()->setMouseTracking(true);
}

void DomainListPage::clearTable()
{
    m_hoverItem = nullptr;
    m_liveRows.clear();
    m_w.tableWidget->clearContents();
    m_w.tableWidget->setRowCount(0);
}

void DomainListPage::showTitle(int groupId)
{
    const User &u = user();
    QLabel *label = m_w.label_domain_g_n;
    const QString title = domainListTitle(u.groupIDtoName(groupId), u.getGroupDmNum(groupId));
    label->setText(label->fontMetrics().elidedText(title, Qt::ElideMiddle, label->width()));
    label->setToolTip(title);
}

void DomainListPage::fillDomainTable(int groupId, bool append, int limit)
{
    User &u = user();
    QTableWidget *table = m_w.tableWidget;
    if (m_w.stacked_3->currentWidget() != m_w.page_dmdm)
        m_w.stacked_3->setCurrentWidget(m_w.page_dmdm);
    showTitle(groupId);
    if (!append) {
        m_w.frame_dm->show();
        u.matchCount = 0;
        ++m_fillGeneration;
        clearTable();
        m_window.forgetNameButtons();
        u.nextIndex = 0;
    }
    setUpTable();

    if (!u.domains.isEmpty()) {
        const quint64 generation = m_fillGeneration;
        const QString search = m_w.lineEdit_search->text();
        u.filling = 1;
        u.filterGroupId = groupId;
        // nextIndex is the next entry to look at; a delete during a pause below moves it.
        for (;;) {
            if (generation != m_fillGeneration)
                return; // a newer fill or a reload of the list took over
            const int i = u.nextIndex;
            if (i >= u.domains.size() || (append && table->rowCount() >= limit))
                break;
            if (!domainMatchesFilter(u.domains.at(i), groupId, search)) {
                u.nextIndex = i + 1;
                continue;
            }
            if (!append && table->rowCount() > 30) {
                u.matchCount = countMatches(u.domains, groupId, search);
                break;
            }
            u.nextIndex = i + 1;
            addRow(u.domains.shared(i));
            if (table->rowCount() - 1 > 12)
                letEventsThrough();
        }
        u.filling = 0;
    }
    if (!append)
        m_w.frame_dm->hide();
}

void DomainListPage::letEventsThrough()
{
    // Often enough that the window never seems to stall, seldom enough that it is not
    // repainted for every row.
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < kEventSliceMs)
        return;
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

void DomainListPage::addRow(const QSharedPointer<Domain> &dm)
{
    QTableWidget *table = m_w.tableWidget;
    const int row = table->rowCount();
    appendDomainRow(table, dm,
                    row % 2 != 0 ? m_window.rowColours().odd : m_window.rowColours().even);
    const LiveRange live = liveRange();
    if (row >= live.first && row <= live.last)
        makeWidgets(row);
}

void DomainListPage::makeWidgets(int row)
{
    QTableWidget *table = m_w.tableWidget;
    const QSharedPointer<Domain> dm = rowDomain(table, row);
    const DomainRowWidgets w = makeRowWidgets(table, row);
    if (!w.container || !dm)
        return;
    m_window.addNameButton(w.name);
    w.container->installEventFilter(this);
    w.actions->installEventFilter(this);
    m_liveRows.append(QPersistentModelIndex(table->model()->index(row, 0)));

    // The row's item keeps the check state for when the widgets are gone again.
    const QPersistentModelIndex index(table->model()->index(row, 0));
    connect(w.check, &QCheckBox::toggled, this, [table, index](bool checked) {
        if (QTableWidgetItem *first = index.isValid() ? table->item(index.row(), 0) : nullptr)
            first->setData(kRowCheckedRole, checked);
    });
    QCheckBox *check = w.check;
    connect(w.container, &QPushButton::clicked, this, [check] { check->toggle(); });
    connect(w.name, &QPushButton::clicked, this, [this, dm] { openRecords(dm); });
    connect(w.lock, &QPushButton::clicked, this, [this, dm] { lockClicked(dm); });
    connect(w.pause, &QPushButton::clicked, this, [this, dm] { pauseClicked(dm); });
    connect(w.remove, &QPushButton::clicked, this, [this, dm] { deleteClicked(dm); });
}

DomainListPage::LiveRange DomainListPage::liveRange() const
{
    const QTableWidget *table = m_w.tableWidget;
    const int rowHeight = qMax(1, table->verticalHeader()->defaultSectionSize());
    const int first = table->verticalHeader()->offset() / rowHeight;
    const int page = table->viewport()->height() / rowHeight + 1;
    // One page on either side, so that a scroll step finds its rows made.
    return {qMax(0, first - page), first + 2 * page};
}

void DomainListPage::syncLiveRows()
{
    QTableWidget *table = m_w.tableWidget;
    const LiveRange live = liveRange();
    const int slack = live.last - live.first;
    QList<QPersistentModelIndex> kept;
    for (const QPersistentModelIndex &index : qAsConst(m_liveRows)) {
        if (!index.isValid() || !rowHasWidgets(table, index.row()))
            continue;
        const int row = index.row();
        if (row < live.first - slack || row > live.last + slack)
            dropRowWidgets(table, row);
        else
            kept.append(index);
    }
    m_liveRows = kept;
    const int last = qMin(live.last, table->rowCount() - 1);
    for (int row = live.first; row <= last; ++row) {
        if (!rowHasWidgets(table, row))
            makeWidgets(row);
    }
}

void DomainListPage::updateDomainRow(const Domain &domain, bool remove)
{
    QTableWidget *table = m_w.tableWidget;
    const int row = findDomainRow(table, domain.id);
    if (row < 0)
        return;
    if (remove) {
        if (m_hoverItem && m_hoverItem->row() == row)
            m_hoverItem = nullptr;
        table->removeRow(row); // its widgets are deleted later
        syncLiveRows();
        return;
    }
    applyRowLooks(rowLockButton(table, row), rowPauseButton(table, row), domain);
}

void DomainListPage::growWhileScrolling()
{
    User &u = user();
    if (u.filling || !m_tableReady)
        return;
    const QScrollBar *bar = m_w.tableWidget->verticalScrollBar();
    if (shouldGrowTable(bar->maximum(), bar->value(), bar->pageStep(), u.matchCount))
        fillDomainTable(u.filterGroupId, true,
                        growthTarget(bar->maximum(), bar->pageStep(), m_w.tableWidget->rowCount()));
}

void DomainListPage::repairEmptyTable()
{
    User &u = user();
    if (u.filling || m_w.tableWidget->rowCount() > 0)
        return;
    // A fill shows the domain list; someone working on a domain's records stays there.
    if (m_w.stacked_3->currentWidget() != m_w.page_dmdm)
        return;
    // With the search text too: a search that matches nothing must not refill every tick.
    if (anyMatch(u.domains, u.filterGroupId, m_w.lineEdit_search->text()))
        fillDomainTable(u.filterGroupId, false, 0);
}

// --- Group column ---------------------------------------------------------------------------

void DomainListPage::RFdmFinish()
{
    User &u = user();
    for (const QPointer<QPushButton> &b : qAsConst(m_groupButtons)) {
        if (!b)
            continue;
        m_w.buttonGroup_groups->removeButton(b);
        m_w.layout_groups->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    m_groupButtons.clear();
    if (m_groupSpacer) {
        m_w.layout_groups->removeItem(m_groupSpacer);
        delete m_groupSpacer;
        m_groupSpacer = nullptr;
    }

    QPushButton *all = m_w.pushButton_17;
    all->setText(QStringLiteral("全部域名 (%1)").arg(u.domains.size()));
    const int height = qMax(all->height(), all->minimumHeight());
    // The buttons indent their text as "全部域名" does.
    const int textWidth = m_w.scrollArea_5->width() - 24;
    int row = 0;
    for (int i = 0; i < u.groups.size(); ++i) {
        const QSharedPointer<Group> group = u.groups.shared(i);
        auto *b = new QPushButton(m_w.scrollAreaWidgetContents_5);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(all->styleSheet());
        b->setCursor(all->cursor());
        b->setFixedHeight(height);
        const QString text =
            QStringLiteral("%1(%2)").arg(group->groupName).arg(u.getGroupDmNum(group.data()));
        b->setText(b->fontMetrics().elidedText(text, Qt::ElideMiddle, textWidth));
        b->setToolTip(text);
        b->setProperty("gptr", QVariant::fromValue(GroupRef{group}));
        b->setProperty("groupID", group->groupID);
        m_w.buttonGroup_groups->addButton(b);
        m_w.layout_groups->addWidget(b, row++, 0);
        b->setChecked(group->groupID == u.filterGroupId);
        const int id = group->groupID;
        connect(b, &QPushButton::clicked, this, [this, id] {
            user().filterGroupId = id;
            fillDomainTable(id, false, 0);
        });
        m_groupButtons.append(b);
    }
    if (u.filterGroupId == 0)
        all->setChecked(true);
    m_groupSpacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_w.layout_groups->addItem(m_groupSpacer, row, 0);

    QComboBox *move = m_w.comboBox_group;
    move->clear();
    move->addItem(QStringLiteral("切换分组"), -1);
    move->addItem(QStringLiteral("移出分组"), 0);
    for (const Group &g : u.groups)
        move->addItem(g.groupName, g.groupID);
    m_w.frame_dm->hide();
}

void DomainListPage::allDomainsClicked()
{
    user().filterGroupId = 0;
    fillDomainTable(0, false, 0);
}

void DomainListPage::searchTextChanged(const QString &)
{
    // Refills the group shown, with the new text.
    if (QAbstractButton *checked = m_w.buttonGroup_groups->checkedButton())
        checked->click();
    else
        fillDomainTable(user().filterGroupId, false, 0);
}

void DomainListPage::selectAllClicked()
{
    User &u = user();
    QTableWidget *table = m_w.tableWidget;
    if (m_w.checkBox->isChecked() && u.matchCount > table->rowCount() &&
        User::showMsgBox(QStringLiteral("当前页内容较多,是否全部加载?"), QString(), 2, -1, false,
                         QString(), nullptr, QStringLiteral("是"), QStringLiteral("否")))
        fillDomainTable(u.filterGroupId, true, INT_MAX);

    const bool checked = m_w.checkBox->isChecked();
    for (int row = 0; row < table->rowCount(); ++row)
        setRowChecked(table, row, checked);
}

// --- Refresh, results, batch jobs -----------------------------------------------------------

void DomainListPage::refreshClicked()
{
    User &u = user();
    QPushButton *refresh = m_w.pushButton_refDomain;
    refresh->setEnabled(false);
    u.needDomainReload = true;
    u.needGroupReload = true;
    m_window.showDomainList();
    m_w.pushButton_17->setChecked(true);
    showToast(QStringLiteral("已刷新，%1个域名").arg(u.domains.size()));
    QTimer::singleShot(2000, refresh, [refresh] { refresh->setEnabled(true); });
}

void DomainListPage::batchJobsClicked()
{
    QStringList names;
    for (const QSharedPointer<Domain> &dm : checkedDomains())
        names.append(dm->name);
    m_window.showBatchAddInput(names);
}

// --- Hover highlight ------------------------------------------------------------------------

bool DomainListPage::eventFilter(QObject *watched, QEvent *event)
{
    const QWidget *viewport = m_w.tableWidget->viewport();
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == viewport)
            hoverAt(static_cast<QMouseEvent *>(event)->pos());
        break;
    case QEvent::Leave:
        if (watched == viewport)
            hoverAt(QPoint(-1, -1));
        break;
    case QEvent::Resize:
        if (watched == viewport)
            syncLiveRows();
        break;
    case QEvent::Enter: {
        // Row widgets cover their cells, so the pointer entering one is what moves the row.
        const auto *cell = qobject_cast<QWidget *>(watched);
        if (cell && cell->parentWidget() == viewport)
            hoverAt(cell->geometry().center());
        break;
    }
    default:
        break;
    }
    return false;
}

void DomainListPage::hoverUnderCursor()
{
    const QWidget *viewport = m_w.tableWidget->viewport();
    const QPoint pos = viewport->mapFromGlobal(QCursor::pos());
    if (viewport->rect().contains(pos))
        hoverAt(pos);
}

void DomainListPage::hoverAt(const QPoint &viewportPos)
{
    QTableWidget *table = m_w.tableWidget;
    QTableWidgetItem *item =
        table->viewport()->rect().contains(viewportPos) ? table->itemAt(viewportPos) : nullptr;
    if (item && item->column() != 0)
        item = table->item(item->row(), 0);
    if (item == m_hoverItem)
        return;
    if (m_hoverItem)
        paintRow(m_hoverItem, false);
    if (item)
        paintRow(item, true);
    m_hoverItem = item;
}

void DomainListPage::paintRow(QTableWidgetItem *first, bool hovered)
{
    const bool odd = first->data(kRowIndexRole).toInt() % 2 != 0;
    const QColor colour = hovered ? m_window.rowColours().hover
                          : odd   ? m_window.rowColours().odd
                                  : m_window.rowColours().even;
    first->setBackground(colour);
    if (QTableWidgetItem *partner = m_w.tableWidget->item(first->row(), 1))
        partner->setBackground(colour);
}
