#include "manage/groups/GroupEditor.h"

#include "client/User.h"
#include "manage/groups/GroupEditorLogic.h"
#include "manage/shared/GroupRef.h"
#include "manage/shared/PageJobRunner.h"
#include "manage/shared/PageShell.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace {

const QSize kFieldSize(120, 28);
const QSize kOrderSize(40, 28);
const QSize kWideButton(115, 28);
const QSize kDeleteSize(40, 28);
constexpr int kRowHeight = 28;
constexpr Qt::Alignment kCentred = Qt::AlignHCenter | Qt::AlignVCenter;

QLineEdit *field(const QPushButton *button, const char *name)
{
    return qobject_cast<QLineEdit *>(button->property(name).value<QObject *>());
}

} // namespace

GroupEditor::GroupEditor(PageShell &window, const GroupEditorWidgets &widgets)
    : ManagePage(window), m_w(widgets)
{
    // The button strip sits under the last row and follows it while the rows scroll.
    connect(m_w.scrollArea_6->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &GroupEditor::placeButtonStrip);
    m_w.scrollArea_6->installEventFilter(this);
}

bool GroupEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_w.scrollArea_6 && event->type() == QEvent::Resize && m_lastRow)
        placeButtonStrip();
    return false;
}

// --- Building -------------------------------------------------------------------------------

void GroupEditor::openEditor()
{
    User &u = user();
    m_w.widget_8->hide();
    m_w.widget_5->show();
    m_w.frame_zdgedit->show();
    m_w.pushButton_Gedit->setChecked(true);

    discardBuild();
    ++m_build;
    u.getGroup();

    m_save = qobject_cast<QPushButton *>(
        remember(new QPushButton(QStringLiteral("保存"), m_w.widget_8)));
    m_save->setFixedSize(kWideButton);
    m_save->setStyleSheet(m_w.buttonStyle);
    m_save->setCursor(Qt::PointingHandCursor);
    m_save->setProperty("changedText", false);
    m_save->hide();
    connect(m_save, &QPushButton::clicked, this, &GroupEditor::saveClicked);

    int row = 0;
    for (int i = 0; i < u.groups.size(); ++i)
        addGroupRow(row++, u.groups.shared(i));
    addNewGroupRow(row++);
    addButtons();
    m_spacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    m_w.gridLayout_3->addItem(m_spacer, row, 0, 1, 4);

    const int build = m_build;
    QTimer::singleShot(200, this, [this, build] {
        if (build != m_build)
            return;
        placeButtonStrip();
        m_w.widget_8->show();
    });
}

void GroupEditor::discardBuild()
{
    for (const QPointer<QWidget> &w : qAsConst(m_built)) {
        if (!w)
            continue;
        m_w.gridLayout_3->removeWidget(w);
        m_w.gridLayout_11->removeWidget(w);
        w->hide();
        w->deleteLater(); // a build may start from a click on one of these
    }
    m_built.clear();
    m_deleteButtons.clear();
    if (m_spacer) {
        m_w.gridLayout_3->removeItem(m_spacer);
        delete m_spacer;
        m_spacer = nullptr;
    }
}

QWidget *GroupEditor::remember(QWidget *widget)
{
    m_built.append(widget);
    return widget;
}

QWidget *GroupEditor::orderBox(QLineEdit **order, int value)
{
    auto *box = new QWidget(m_w.scrollAreaWidgetContents_6);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *label = new QLabel(QStringLiteral("排序："), box);
    label->setFixedWidth(label->sizeHint().width());
    // 85 pixels, or wider where the label's font needs it: the field must not cover the label.
    box->setFixedWidth(qMax(85, label->width() + kOrderSize.width()));
    *order = new QLineEdit(QString::number(value), box);
    (*order)->setFixedSize(kOrderSize);
    layout->addWidget(label);
    layout->addWidget(*order);
    return remember(box);
}

void GroupEditor::addGroupRow(int row, const QSharedPointer<Group> &group)
{
    QWidget *contents = m_w.scrollAreaWidgetContents_6;
    QGridLayout *grid = m_w.gridLayout_3;

    auto *name = new QLineEdit(group->groupName, contents);
    name->setFixedSize(kFieldSize);
    name->setPlaceholderText(QStringLiteral("分组名称"));
    remember(name);
    QLineEdit *order = nullptr;
    QWidget *box = orderBox(&order, group->displayOrder);

    auto *count = new QLabel(QStringLiteral("域名数：%1  ").arg(user().getGroupDmNum(group.data())),
                             contents);
    count->setFixedHeight(kRowHeight);
    // As wide as three digits need; a larger count widens the column rather than being cut.
    count->setMinimumWidth(count->fontMetrics().horizontalAdvance(QStringLiteral("域名数：888")));
    remember(count);

    auto *del = new QPushButton(QStringLiteral("删除"), contents);
    del->setFixedSize(kDeleteSize);
    // The look of the page's "删除", without its padding, which a 40-pixel button has no room for.
    del->setStyleSheet(m_w.deleteButtonStyle + QStringLiteral("\nQPushButton{padding:0px;}"));
    del->setCursor(Qt::PointingHandCursor);
    del->setProperty("mygp", QVariant::fromValue(GroupRef{group}));
    del->setProperty("mygn", QVariant::fromValue<QObject *>(name));
    del->setProperty("mygo", QVariant::fromValue<QObject *>(order));
    remember(del);
    m_deleteButtons.append(del);

    grid->addWidget(name, row, 0, kCentred);
    grid->addWidget(box, row, 1, kCentred);
    grid->addWidget(count, row, 2, kCentred);
    grid->addWidget(del, row, 3, kCentred);

    connect(name, &QLineEdit::textEdited, this, &GroupEditor::markChanged);
    connect(order, &QLineEdit::textEdited, this, &GroupEditor::markChanged);
    connect(del, &QPushButton::clicked, this, [this, del] { deleteClicked(del); });
}

void GroupEditor::addNewGroupRow(int row)
{
    QWidget *contents = m_w.scrollAreaWidgetContents_6;
    QGridLayout *grid = m_w.gridLayout_3;
    const GroupList &groups = user().groups;

    m_newName = new QLineEdit(contents);
    m_newName->setFixedSize(kFieldSize);
    m_newName->setPlaceholderText(QStringLiteral("新增组名"));
    remember(m_newName);
    QLineEdit *order = nullptr;
    QWidget *box = orderBox(&order, nextGroupOrder(groups));
    m_newOrder = order;
    m_lastRow = m_newName;

    auto *add = new QPushButton(QStringLiteral("新增分组"), contents);
    add->setFixedSize(kWideButton);
    add->setStyleSheet(m_w.buttonStyle);
    add->setCursor(Qt::PointingHandCursor);
    remember(add);

    grid->addWidget(m_newName, row, 0, kCentred);
    grid->addWidget(box, row, 1, kCentred);
    if (groups.isEmpty()) {
        auto *gap = new QLabel(contents);
        gap->setFixedWidth(22);
        grid->addWidget(remember(gap), row, 2, kCentred);
        grid->addWidget(add, row, 3, Qt::AlignRight | Qt::AlignVCenter);
    } else {
        grid->addWidget(add, row, 2, 1, 2, Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(add, &QPushButton::clicked, this, [this] { addNewGroup(); });
}

void GroupEditor::addButtons()
{
    m_close = qobject_cast<QPushButton *>(
        remember(new QPushButton(QStringLiteral("关闭分组"), m_w.widget_8)));
    m_close->setFixedSize(kWideButton);
    m_close->setStyleSheet(m_w.pushButton_Gedit->styleSheet());
    m_close->setCursor(Qt::PointingHandCursor);
    m_w.gridLayout_11->addWidget(m_save, 1, 0);
    m_w.gridLayout_11->addWidget(m_close, 1, 1);
    m_w.gridLayout_3->setProperty("btnClose", QVariant::fromValue<QObject *>(m_close.data()));
    connect(m_close, &QPushButton::clicked, this, &GroupEditor::closeEditor);
}

void GroupEditor::placeButtonStrip()
{
    QWidget *strip = m_w.widget_8;
    const QRect area = m_w.scrollArea_6->geometry();
    strip->adjustSize();
    int y = area.top();
    if (m_lastRow)
        y = m_lastRow->mapTo(m_w.widget_5, QPoint(0, m_lastRow->height())).y() + 16;
    y = qMax(area.top(), qMin(y, area.bottom() - strip->height()));
    strip->move(area.left(), y);
    strip->raise();
}

void GroupEditor::markChanged()
{
    if (!m_save)
        return;
    m_save->setProperty("changedText", true);
    m_save->show();
    placeButtonStrip();
}

bool GroupEditor::hasUnsavedEdits() const
{
    return m_save && m_save->property("changedText").toBool();
}

// --- Add, save, delete, close ---------------------------------------------------------------

void GroupEditor::pointAt(QLineEdit *input)
{
    input->setFocus();
    PageJobRunner::flashInput(input);
}

bool GroupEditor::addNewGroup()
{
    User &u = user();
    QPointer<QLineEdit> input = m_newName;
    if (!input)
        return false;
    const QString name = input->text();
    if (name.trimmed().isEmpty()) {
        User::showMsgBox(QStringLiteral("请输入欲新增的分组名"));
        if (input)
            pointAt(input);
        return false;
    }
    if (groupNameTooLong(name)) {
        User::showMsgBox(QStringLiteral("分组名长度超过系统限制(9)"));
        if (input)
            pointAt(input);
        return false;
    }
    const int order = m_newOrder ? m_newOrder->text().toInt() : 0;
    // Edits that cannot be saved stay in the editor instead of being lost to the rebuild.
    if (hasUnsavedEdits() && !saveGroups())
        return false;
    if (!u.addGroup(name, order)) {
        User::showMsgBox(QStringLiteral("新增失败") + u.errorText);
        return false;
    }
    showToast(name + QStringLiteral(" 新增成功!"));
    u.needGroupReload = true;
    m_w.pushButton_Gedit->click();
    return true;
}

bool GroupEditor::saveGroups()
{
    User &u = user();
    const int build = m_build;
    // A click during a call may rebuild the editor; the rows read here stay valid until then.
    const QList<QPointer<QPushButton>> buttons = m_deleteButtons;
    for (const QPointer<QPushButton> &button : buttons) {
        if (build != m_build)
            return false;
        if (!button)
            continue;
        const QSharedPointer<Group> group = button->property("mygp").value<GroupRef>().group;
        QLineEdit *name = field(button, "mygn");
        QLineEdit *order = field(button, "mygo");
        if (!group || !name || !order)
            continue;
        if (groupNameTooLong(name->text())) {
            User::showMsgBox(QStringLiteral("分组名长度超过系统限制(9)"));
            pointAt(name);
            return false;
        }
        if (!u.editGroup(group.data(), name->text(), order->text().toInt())) {
            User::showMsgBox(QStringLiteral("保存失败:") + u.errorText);
            return false;
        }
        u.needGroupReload = true;
    }
    return build == m_build;
}

void GroupEditor::saveClicked()
{
    // A typed new group is added first; when it cannot be, the editor stays as it is.
    if (m_newName && !m_newName->text().isEmpty() && !addNewGroup())
        return;
    if (!saveGroups())
        return;
    showToast(QStringLiteral("保存成功"));
    m_w.pushButton_Gedit->click();
    closeEditor();
}

void GroupEditor::deleteClicked(QPushButton *button)
{
    User &u = user();
    const QSharedPointer<Group> group = button->property("mygp").value<GroupRef>().group;
    if (!group)
        return;
    if (!User::showMsgBox(QStringLiteral("是否确定删除分组?\n") + group->groupName,
                          QStringLiteral("是否删除"), 2))
        return;
    if (hasUnsavedEdits() && !saveGroups())
        return;
    if (!u.delGroup(group.data())) {
        User::showMsgBox(QStringLiteral("删除失败:") + u.errorText);
        return;
    }
    showToast(QStringLiteral("删除成功"));
    u.needGroupReload = true;
    m_w.pushButton_Gedit->click();
}

void GroupEditor::closeEditor()
{
    m_w.widget_5->hide();
    m_w.frame_zdgedit->hide();
    m_w.pushButton_Gedit->setChecked(false);
    m_window.showDomainList();
}

void GroupEditor::overlayClicked()
{
    auto *close =
        qobject_cast<QPushButton *>(m_w.gridLayout_3->property("btnClose").value<QObject *>());
    if (close)
        close->click();
    else
        closeEditor();
}
