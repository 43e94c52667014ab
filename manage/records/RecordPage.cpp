#include "manage/records/RecordPage.h"

#include "client/User.h"
#include "manage/records/RecordRowText.h"
#include "manage/shared/PageShell.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>

RecordPage::RecordPage(PageShell &window, const RecordPageWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    QTableWidget *table = m_w.tableR;
    table->setProperty("prow", 0);
    table->viewport()->installEventFilter(this);
    m_w.label_domain->installEventFilter(this);
    // The label takes the room it is given, whatever the length of the name shown.
    m_w.label_domain->setMinimumWidth(1);
    m_w.label_domain->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &RecordPage::buildVisibleRows);
    m_w.label_live->hide();
}

void RecordPage::showDomain(const QSharedPointer<Domain> &domain)
{
    m_highlightID = 0;
    m_backToSearch = false;
    openDomain(domain);
}

void RecordPage::showHit(const QSharedPointer<Domain> &domain, int recordID)
{
    m_highlightID = recordID;
    m_backToSearch = true;
    openDomain(domain);
}

void RecordPage::openDomain(const QSharedPointer<Domain> &domain)
{
    if (!domain)
        return;
    m_window.setShownDomain(domain);
    m_window.showDomainPage();
    user().getRecord(domain.data());
    // Another domain may have been opened while the records were on their way.
    if (m_window.shownDomain() == domain)
        showRecordPage(domain);
}

void RecordPage::showRecordPage(const QSharedPointer<Domain> &domain)
{
    if (!domain)
        return;
    if (domain != m_liveDomain)
        forgetLive();
    m_domain = domain;
    // A tip shown over the old rows would stand over rows that no longer carry its text.
    QToolTip::hideText();
    m_w.label_domain->setToolTip(domain->name);
    showDomainName();

    QTableWidget *table = m_w.tableR;
    table->setUpdatesEnabled(false);
    table->setRowCount(0);
    setPendingNewRows(0);
    setUpTable(!domain->records.isEmpty());
    m_window.showRecordTable();

    const RecordList &records = domain->records;
    table->setRowCount(records.size());
    for (int i = 0; i < records.size(); ++i) {
        auto *item = new QTableWidgetItem;
        item->setData(RecordRole, QVariant::fromValue(records.shared(i)));
        table->setVerticalHeaderItem(i, item);
    }
    updateOperationsWidth();
    sizeColumnsToContent();
    // The new rows start unticked, and so does "全选".
    m_w.checkBoxR->setChecked(false);
    table->verticalScrollBar()->setValue(0);
    // The rows in view first; those just beyond once the page is drawn.
    buildRows(0);
    table->setUpdatesEnabled(true);
    queueBuildVisibleRows();
    if (m_highlightID != 0) {
        revealHighlight();
        // Again once the view has laid its new rows out: until then it cannot scroll to them.
        QTimer::singleShot(0, this, [this] { revealHighlight(); });
    }
}

void RecordPage::revealHighlight()
{
    QTableWidget *table = m_w.tableR;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QSharedPointer<Record> record = recordAt(row);
        if (record && record->id == m_highlightID) {
            table->scrollTo(table->model()->index(row, 2), QAbstractItemView::PositionAtCenter);
            buildVisibleRows();
            return;
        }
    }
}

namespace {

constexpr int kHostCellExtra = 8 + 20 + 12 + 16;
constexpr int kHostColumnMin = 120;
// The margins of a cell's button and of its text.
constexpr int kCellExtra = 24;

} // namespace

void RecordPage::setUpTable(bool hasRecords)
{
    QTableWidget *table = m_w.tableR;
    QHeaderView *header = table->horizontalHeader();
    header->setStyleSheet(QStringLiteral("border:none;border-bottom:1px solid #E1E1E1;font:bold "
                                         "14px \"黑体\";color:#292929"));
    header->setFixedHeight(40);
    // Titles sit over their cells: host and value on the left, the others in the middle.
    header->setDefaultAlignment(Qt::AlignCenter);
    for (int column : {0, 2}) {
        if (QTableWidgetItem *title = table->horizontalHeaderItem(column))
            title->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    QHeaderView *rows = table->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(40);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setFocusPolicy(Qt::NoFocus);

    const int widths[][2] = {{1, 75}, {3, 91}, {4, 40}, {5, 50}};
    for (const auto &w : widths) {
        header->setSectionResizeMode(w[0], hasRecords ? QHeaderView::Fixed : QHeaderView::Stretch);
        table->setColumnWidth(w[0], w[1]);
    }
    // Host, type, line, MX and TTL are as wide as their content (sizeColumnsToContent); values
    // take the rest.
    header->setSectionResizeMode(0, hasRecords ? QHeaderView::Interactive : QHeaderView::Stretch);
    header->setSectionResizeMode(2, QHeaderView::Stretch);
    header->setSectionResizeMode(6, hasRecords ? QHeaderView::Fixed : QHeaderView::Stretch);
}

void RecordPage::sizeColumnsToContent()
{
    QTableWidget *table = m_w.tableR;
    if (!m_domain || m_domain->records.isEmpty())
        return;
    const QFontMetrics metrics = table->fontMetrics();
    // The titles are bold in their own font.
    QFont titleFont = table->horizontalHeader()->font();
    titleFont.setBold(true);
    const QFontMetrics titles(titleFont);
    auto title = [table, &titles](int column) {
        const QTableWidgetItem *item = table->horizontalHeaderItem(column);
        return item ? titles.horizontalAdvance(item->text()) : 0;
    };
    const User &u = user();
    int hosts = metrics.horizontalAdvance(QStringLiteral("主机记录"));
    int types = title(1);
    int lines = title(3);
    int mxs = title(4);
    int ttls = title(5);
    for (const Record &r : m_domain->records) {
        hosts = qMax(hosts, metrics.horizontalAdvance(r.host));
        types =
            qMax(types,
                 metrics.horizontalAdvance(recordTypeName(u.recordTypes, u.recordTypes2, r.type)));
        const View line = u.getVID2V(m_domain->views, r.lineID);
        lines = qMax(lines, metrics.horizontalAdvance(recordLineText(line)));
        mxs = qMax(mxs, metrics.horizontalAdvance(recordMxText(r)));
        ttls = qMax(ttls, metrics.horizontalAdvance(QString::number(r.ttl)));
    }
    // Each within bounds: a longer text is cut with an ellipsis and shown whole in its tip.
    // The host column takes at most a third of the table.
    const int hostMax = qMax(kHostColumnMin, table->width() / 3);
    table->setColumnWidth(0, qBound(kHostColumnMin, hosts + kHostCellExtra, hostMax));
    table->setColumnWidth(1, qBound(60, types + kCellExtra, 110));
    table->setColumnWidth(3, qBound(80, lines + kCellExtra, 160));
    table->setColumnWidth(4, qBound(40, mxs + kCellExtra, 70));
    table->setColumnWidth(5, qBound(50, ttls + kCellExtra, 90));
}

void RecordPage::updateOperationsWidth()
{
    int width = operationsColumnWidth(m_w.tableR->rowCount());
    // Marked rows carry "已生效"/"未生效" after their buttons, in the mark's 12 px font.
    if (!m_verdicts.isEmpty() && m_domain == m_liveDomain) {
        QFont font = m_w.tableR->font();
        font.setPixelSize(12);
        width += QFontMetrics(font).horizontalAdvance(QStringLiteral("未生效")) + 12;
    }
    m_w.tableR->setColumnWidth(6, width);
}

QTableWidgetItem *RecordPage::headerItem(int row) const
{
    return m_w.tableR->verticalHeaderItem(row);
}

QSharedPointer<Record> RecordPage::recordAt(int row) const
{
    const QTableWidgetItem *item = headerItem(row);
    return item ? item->data(RecordRole).value<QSharedPointer<Record>>() : nullptr;
}

int RecordPage::rowOf(const Record *record) const
{
    if (!record)
        return -1;
    const int count = m_w.tableR->rowCount();
    for (int row = 0; row < count; ++row) {
        const QTableWidgetItem *item = headerItem(row);
        if (item && item->data(RecordRole).value<QSharedPointer<Record>>().data() == record)
            return row;
    }
    return -1;
}

int RecordPage::rowOfEditor(const QLineEdit *host) const
{
    if (!host)
        return -1;
    const int count = m_w.tableR->rowCount();
    for (int row = 0; row < count; ++row) {
        if (m_w.tableR->cellWidget(row, 0) == host)
            return row;
    }
    return -1;
}

QList<QSharedPointer<Record>> RecordPage::checkedRecords() const
{
    QList<QSharedPointer<Record>> checked;
    const int count = m_w.tableR->rowCount();
    for (int row = 0; row < count; ++row) {
        const QTableWidgetItem *item = headerItem(row);
        if (!item || !item->data(CheckedRole).toBool() || item->data(EditingRole).toBool())
            continue;
        if (const auto record = item->data(RecordRole).value<QSharedPointer<Record>>())
            checked.append(record);
    }
    return checked;
}

void RecordPage::setPendingNewRows(int count)
{
    m_w.tableR->setProperty("prow", qMax(0, count));
}

int RecordPage::pendingNewRows() const
{
    return m_w.tableR->property("prow").toInt();
}

// The name elided in the middle to the label's width, again whenever the width changes.
void RecordPage::showDomainName()
{
    QLabel *label = m_w.label_domain;
    const QString name = m_domain ? m_domain->name : QString();
    label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, label->width()));
}

bool RecordPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_w.tableR->viewport())
            queueBuildVisibleRows();
        else if (watched == m_w.label_domain)
            showDomainName();
    }
    return ManagePage::eventFilter(watched, event);
}

void RecordPage::addClicked()
{
    activateRowAdd();
}

void RecordPage::backClicked()
{
    // Back where the records were opened from: the search keeps its hits and scroll.
    if (m_backToSearch) {
        m_backToSearch = false;
        m_window.showSearch();
        return;
    }
    m_window.showDomainRows();
}
