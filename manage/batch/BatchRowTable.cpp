#include "manage/batch/BatchRowTable.h"

#include "client/ProcessObjects.h"
#include "client/User.h"
#include "manage/batch/BatchLineButton.h"
#include "manage/shared/FieldKeys.h"
#include "manage/shared/PageShell.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>

namespace {

const char kAll[] = "wgs";
const char kCancel[] = "btnC";

QVariant objectValue(QObject *object)
{
    return QVariant::fromValue(object);
}

QString trimmedText(const QLineEdit *edit)
{
    return edit ? edit->text().trimmed() : QString();
}

QString typeCode(const QComboBox *combo)
{
    return combo ? combo->currentData().toString() : QString();
}

// Writes text into edit unless it already shows it, so that an untouched editor keeps its
// cursor and undo history.
void setTextIfChanged(QLineEdit *edit, const QString &text)
{
    if (edit && edit->text() != text)
        edit->setText(text);
}

// Selects the item whose data is code (exact); nothing changes when there is none.
void selectType(QComboBox *combo, const QString &code)
{
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemData(i).toString() == code) {
            combo->setCurrentIndex(i);
            return;
        }
    }
}

View recordLine(const Record &record)
{
    if (!record.view.viewName.isEmpty())
        return record.view;
    View line;
    line.viewID = record.lineID;
    line.viewName = record.viewName;
    return line;
}

} // namespace

void applyMxRule(QComboBox *type, QLineEdit *mx)
{
    const bool isMx = type->currentText() == QLatin1String("MX");
    mx->setText(isMx ? QStringLiteral("10") : QStringLiteral("-"));
    mx->setEnabled(isMx);
}

BatchRowTable::BatchRowTable(PageShell &window, BatchKind kind, QGridLayout *grid,
                             const char *listName, QObject *parent)
    : QObject(parent), m_window(window), m_kind(kind), m_grid(grid), m_listName(listName),
      m_parent(grid->parentWidget())
{
    m_parent->installEventFilter(this);
}

QList<QLineEdit *> BatchRowTable::rows() const
{
    QList<QLineEdit *> list;
    const QVariantList stored = m_grid->property(m_listName).toList();
    for (const QVariant &v : stored) {
        if (auto *host = qobject_cast<QLineEdit *>(v.value<QObject *>()))
            list.append(host);
    }
    return list;
}

void BatchRowTable::setRows(const QList<QLineEdit *> &rows)
{
    QVariantList stored;
    for (QLineEdit *host : rows)
        stored.append(objectValue(host));
    m_grid->setProperty(m_listName, stored);
}

QLineEdit *BatchRowTable::addRow()
{
    QLineEdit *host = m_kind == BatchKind::Edit ? addEditRow() : addPlainRow();
    QList<QLineEdit *> list = rows();
    list.append(host);
    setRows(list);
    keepRowsWidth();
    return host;
}

void BatchRowTable::removeRow(QLineEdit *host)
{
    QList<QLineEdit *> list = rows();
    if (!list.removeOne(host))
        return;
    setRows(list);
    const QVariantList widgets = host->property(kAll).toList();
    for (const QVariant &v : widgets) {
        if (auto *w = qobject_cast<QWidget *>(v.value<QObject *>())) {
            m_grid->removeWidget(w);
            w->hide();
            w->deleteLater();
        }
    }
    keepRowsWidth();
}

void BatchRowTable::keepRowsWidth()
{
    // A scroll area sizes its widget from an explicit minimum only: without one, rows wider
    // than the page are squeezed over each other instead of scrolling. The rows' widths are
    // known once the layout has run, so this looks after it.
    QTimer::singleShot(0, this, [this] {
        QLayout *layout = m_parent->layout();
        if (!layout || m_parent->minimumWidth() == layout->minimumSize().width())
            return;
        m_parent->setMinimumWidth(layout->minimumSize().width());
        for (QWidget *w = m_parent->parentWidget(); w; w = w->parentWidget()) {
            if (auto *area = qobject_cast<QScrollArea *>(w)) {
                QCoreApplication::postEvent(area, new QEvent(QEvent::LayoutRequest));
                break;
            }
        }
    });
}

bool BatchRowTable::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_parent &&
        (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Show))
        keepRowsWidth();
    return QObject::eventFilter(watched, event);
}

QLineEdit *BatchRowTable::newEdit(const QString &placeholder)
{
    auto *edit = new QLineEdit(m_parent);
    edit->setPlaceholderText(placeholder);
    edit->setMinimumHeight(28);
    return edit;
}

QComboBox *BatchRowTable::newTypeCombo(QLineEdit *mx)
{
    auto *combo = new QComboBox(m_parent);
    // Its own popup view, so that the window's style sheet reaches the entries.
    combo->setView(new QListView(combo));
    combo->setMinimumHeight(28);
    const User &u = theUser();
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (int i = 0; i < u.recordTypes.size(); ++i) {
        const QString text = u.recordTypes.at(i);
        combo->addItem(text, u.recordTypes2.value(i));
        widest = qMax(widest, metrics.horizontalAdvance(text));
    }
    combo->setFixedWidth(widest + 30);
    if (mx) {
        // A new row starts as if "A" had been chosen.
        applyMxRule(combo, mx);
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), mx,
                [combo, mx] { applyMxRule(combo, mx); });
    }
    return combo;
}

QWidget *BatchRowTable::newCancelButton(QLineEdit *host)
{
    auto *cancel = new QPushButton(QStringLiteral("取消"), m_parent);
    cancel->setCursor(Qt::PointingHandCursor);
    cancel->setMinimumHeight(28);
    cancel->setStyleSheet(QStringLiteral(
        "QPushButton{color:#1eb6f6;border:1px solid #1eb6f6;border-radius:2px;background:#fff;"
        "padding:0px 6px;}QPushButton:hover{color:#4cc9ff;border-color:#4cc9ff;}"));
    host->setProperty(kCancel, objectValue(cancel));
    connect(cancel, &QPushButton::clicked, this, [this, host] { removeRow(host); });
    return cancel;
}

QLineEdit *BatchRowTable::addPlainRow()
{
    const bool adding = m_kind == BatchKind::Add;
    const int r = m_grid->rowCount();
    QLineEdit *host = newEdit();
    QLineEdit *mx = nullptr;
    QLineEdit *ttl = nullptr;
    if (adding) {
        mx = newEdit();
        mx->setFixedWidth(30);
        ttl = newEdit();
        ttl->setFixedWidth(49);
    }
    QComboBox *type = newTypeCombo(mx);
    QPushButton *line = newBatchLineButton(m_window, m_parent);
    line->setMinimumHeight(28);
    QLineEdit *value = newEdit();
    QWidget *cancel = newCancelButton(host);

    QList<QWidget *> widgets{host, type, line, value};
    if (adding) {
        widgets << mx << ttl;
        acceptDigitsOnly(mx);
        acceptDigitsOnly(ttl);
    }
    widgets << cancel;
    // MX and TTL are made first (the type list needs the MX field); Tab follows the row.
    chainTabOrder(widgets);
    QVariantList all;
    for (int c = 0; c < widgets.size(); ++c) {
        m_grid->addWidget(widgets.at(c), r, c);
        all.append(objectValue(widgets.at(c)));
    }
    host->setProperty("typew", objectValue(type));
    host->setProperty("xianluw", objectValue(line));
    host->setProperty("valuew", objectValue(value));
    if (adding) {
        host->setProperty("mxw", objectValue(mx));
        host->setProperty("ttlw", objectValue(ttl));
    }
    host->setProperty(kAll, all);
    return host;
}

QLineEdit *BatchRowTable::addEditRow()
{
    const int r = m_grid->rowCount();
    auto *oldLabel = new QLabel(QStringLiteral("旧记录"), m_parent);
    QLineEdit *host = newEdit();
    QComboBox *type1 = newTypeCombo(nullptr);
    QPushButton *line1 = newBatchLineButton(m_window, m_parent);
    QLineEdit *value1 = newEdit();

    auto *newLabel = new QLabel(QStringLiteral("新记录"), m_parent);
    QLineEdit *host2 = newEdit();
    QLineEdit *mx2 = newEdit();
    mx2->setFixedWidth(mx2->fontMetrics().horizontalAdvance(QStringLiteral("88")) + 10);
    QComboBox *type2 = newTypeCombo(mx2);
    QPushButton *line2 = newBatchLineButton(m_window, m_parent);
    QLineEdit *value2 = newEdit();
    QLineEdit *ttl2 = newEdit();
    ttl2->setFixedWidth(ttl2->fontMetrics().horizontalAdvance(QStringLiteral("3600")) + 10);
    QWidget *cancel = newCancelButton(host);
    auto *gap = new QWidget(m_parent);
    gap->setFixedHeight(15);

    const QList<QWidget *> oldLine{oldLabel, host, type1, line1, value1};
    const QList<QWidget *> newLine{newLabel, host2, type2, line2, value2, mx2, ttl2};
    acceptDigitsOnly(mx2);
    acceptDigitsOnly(ttl2);
    chainTabOrder({host, type1, line1, value1, host2, type2, line2, value2, mx2, ttl2, cancel});
    for (int c = 0; c < oldLine.size(); ++c)
        m_grid->addWidget(oldLine.at(c), r, c);
    for (int c = 0; c < newLine.size(); ++c)
        m_grid->addWidget(newLine.at(c), r + 1, c);
    // Beside the old record, under the MX and TTL columns that line leaves free: at the end
    // of the new one the row would not fit the page at the window's smallest width.
    m_grid->addWidget(cancel, r, oldLine.size(), 1, 2, Qt::AlignLeft);
    m_grid->addWidget(gap, r + 2, 0, 1, newLine.size());

    QVariantList all;
    for (QWidget *w : oldLine + newLine)
        all.append(objectValue(w));
    all.append(objectValue(cancel));
    all.append(objectValue(gap));
    host->setProperty(kAll, all);
    host->setProperty("typew1", objectValue(type1));
    host->setProperty("xianluw1", objectValue(line1));
    host->setProperty("valuew1", objectValue(value1));
    host->setProperty("rdw2", objectValue(host2));
    host->setProperty("typew2", objectValue(type2));
    host->setProperty("xianluw2", objectValue(line2));
    host->setProperty("valuew2", objectValue(value2));
    host->setProperty("mxw2", objectValue(mx2));
    host->setProperty("ttlw2", objectValue(ttl2));
    return host;
}

QLineEdit *BatchRowTable::requiredEditor(QLineEdit *host) const
{
    return part<QLineEdit>(host, m_kind == BatchKind::Edit ? "valuew1" : "valuew");
}

BatchRowTexts BatchRowTable::texts(QLineEdit *host) const
{
    BatchRowTexts t;
    t.host = host->text();
    if (m_kind == BatchKind::Edit) {
        t.type = typeCode(part<QComboBox>(host, "typew1"));
        t.value = part<QLineEdit>(host, "valuew1")->text();
        t.newHost = part<QLineEdit>(host, "rdw2")->text();
        t.newValue = part<QLineEdit>(host, "valuew2")->text();
        t.newTtl = part<QLineEdit>(host, "ttlw2")->text();
        t.newType = typeCode(part<QComboBox>(host, "typew2"));
        t.newMx = part<QLineEdit>(host, "mxw2")->text();
        return t;
    }
    t.type = typeCode(part<QComboBox>(host, "typew"));
    t.value = part<QLineEdit>(host, "valuew")->text();
    if (auto *ttl = part<QLineEdit>(host, "ttlw"))
        t.ttl = ttl->text();
    if (auto *mx = part<QLineEdit>(host, "mxw"))
        t.mx = mx->text();
    return t;
}

void BatchRowTable::setTexts(QLineEdit *host, const BatchRowTexts &t)
{
    setTextIfChanged(host, t.host);
    if (m_kind == BatchKind::Edit) {
        setTextIfChanged(part<QLineEdit>(host, "valuew1"), t.value);
        setTextIfChanged(part<QLineEdit>(host, "rdw2"), t.newHost);
        setTextIfChanged(part<QLineEdit>(host, "valuew2"), t.newValue);
        setTextIfChanged(part<QLineEdit>(host, "ttlw2"), t.newTtl);
        return;
    }
    setTextIfChanged(part<QLineEdit>(host, "valuew"), t.value);
    setTextIfChanged(part<QLineEdit>(host, "ttlw"), t.ttl);
}

BatchRowValues BatchRowTable::values(QLineEdit *host) const
{
    BatchRowValues v;
    v.host = trimmedText(host);
    const bool editing = m_kind == BatchKind::Edit;
    const auto *type = part<QComboBox>(host, editing ? "typew1" : "typew");
    const auto *line = part<QPushButton>(host, editing ? "xianluw1" : "xianluw");
    v.type = typeCode(type);
    v.typeText = type->currentText();
    v.lineId = batchRowLine(line).viewID;
    v.lineText = line->text();
    v.value = trimmedText(part<QLineEdit>(host, editing ? "valuew1" : "valuew"));
    if (!editing) {
        v.mx = trimmedText(part<QLineEdit>(host, "mxw"));
        v.ttl = trimmedText(part<QLineEdit>(host, "ttlw"));
        return v;
    }
    const auto *type2 = part<QComboBox>(host, "typew2");
    const auto *line2 = part<QPushButton>(host, "xianluw2");
    v.newHost = trimmedText(part<QLineEdit>(host, "rdw2"));
    v.newType = typeCode(type2);
    v.newTypeText = type2->currentText();
    v.newLineId = batchRowLine(line2).viewID;
    v.newLineText = line2->text();
    v.newValue = trimmedText(part<QLineEdit>(host, "valuew2"));
    v.newMx = trimmedText(part<QLineEdit>(host, "mxw2"));
    v.newTtl = trimmedText(part<QLineEdit>(host, "ttlw2"));
    return v;
}

void BatchRowTable::fillFromRecord(QLineEdit *host, const Record &record)
{
    auto *type1 = part<QComboBox>(host, "typew1");
    auto *type2 = part<QComboBox>(host, "typew2");
    auto *mx2 = part<QLineEdit>(host, "mxw2");
    host->setText(record.host);
    part<QLineEdit>(host, "rdw2")->setText(record.host);
    selectType(type1, record.type);
    selectType(type2, record.type);
    applyMxRule(type2, mx2);
    const View line = recordLine(record);
    setBatchRowLine(part<QPushButton>(host, "xianluw1"), line);
    setBatchRowLine(part<QPushButton>(host, "xianluw2"), line);
    part<QLineEdit>(host, "valuew1")->setText(record.value);
    part<QLineEdit>(host, "valuew2")->setText(record.value);
    mx2->setText(record.mx > 0 ? QString::number(record.mx) : QStringLiteral("-"));
    part<QLineEdit>(host, "ttlw2")->setText(QString::number(record.ttl));
}
