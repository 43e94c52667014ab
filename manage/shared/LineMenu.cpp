#include "manage/shared/LineMenu.h"

#include "client/PackageLines.h"
#include "client/ProcessObjects.h"
#include "client/User.h"
#include "manage/shared/PageShell.h"
#include "widgets/MyMenu.h"

#include <QGridLayout>
#include <QPointer>
#include <QPushButton>
#include <QWidgetAction>

namespace {

const char kCurrView[] = "currview";
const char kGreyedLine[] = "greyedLine";

void closeMenus(QMenu *top, QMenu *sub)
{
    if (sub)
        sub->hide();
    top->hide();
}

// A parent entry or an entry without finer lines was chosen.
void chooseEntry(QPushButton *button, const View &line, QMenu *top)
{
    if (line.viewID == kLineNotInPackage) {
        User::showMsgBox(QStringLiteral("升级更高服务版本，获取更多智能解析线路"), QString(), 1);
        return;
    }
    setChosenLine(button, line);
    top->hide();
}

// The finer lines of a parent, four to a row; a click chooses one and closes the menus.
QWidget *subLinePanel(PageShell &window, QPushButton *button, const View &parent, QMenu *top,
                      QMenu *sub)
{
    auto *panel = new QWidget(sub);
    panel->setObjectName(QStringLiteral("smain"));
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(4, 14, 14, 14);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(14);
    const QPointer<QPushButton> target(button);
    for (int i = 0; i < parent.subViews.size(); ++i) {
        const View line = parent.subViews.at(i);
        auto *entry = new QPushButton(line.viewName, panel);
        entry->setObjectName(QStringLiteral("subbtn"));
        entry->setFlat(true);
        entry->setCursor(Qt::PointingHandCursor);
        entry->setStyleSheet(QStringLiteral("QPushButton{color:#323232;}"));
        entry->setFixedHeight(entry->fontMetrics().ascent());
        window.addMenuButton(entry);
        QObject::connect(entry, &QPushButton::clicked, entry, [target, line, top, sub] {
            if (target)
                setChosenLine(target, line);
            closeMenus(top, sub);
        });
        grid->addWidget(entry, i / 4, i % 4);
    }
    return panel;
}

// Greys the entry of a line the package lacks: a white strip over it, passing clicks on.
void addGreyedCover(QMenu *top, QAction *action, const QString &name)
{
    auto *cover = new QPushButton(name, top);
    cover->setFlat(true);
    cover->setFocusPolicy(Qt::NoFocus);
    cover->setAttribute(Qt::WA_TransparentForMouseEvents);
    cover->setStyleSheet(
        QStringLiteral("text-align:left;padding-left:10px;background:#fff;border:none;color:#999;"
                       "background-image:url(:/image3/image3/a2/qietu/900600_03_06.png);"
                       "background-repeat:no-repeat;background-position:right center;"));
    cover->setProperty(kGreyedLine, true);
    // Placed whenever the menu opens, when the entry rectangles are known.
    QObject::connect(top, &QMenu::aboutToShow, cover, [top, action, cover] {
        const QRect entry = top->actionGeometry(action);
        cover->setGeometry(entry.x() - 2, entry.y() - 2, entry.width() - 25, entry.height());
        cover->raise();
    });
}

} // namespace

View chosenLine(const QPushButton *button)
{
    const QVariant line = button->property(kCurrView);
    return line.canConvert<View>() ? line.value<View>() : View();
}

void setChosenLine(QPushButton *button, const View &line)
{
    button->setProperty(kCurrView, QVariant::fromValue(line));
    button->setText(line.viewName);
}

MyMenu *buildLineMenu(PageShell &window, QPushButton *button, Record *record, const Domain *domain,
                      bool allLines)
{
    User &user = theUser();
    const QList<View> lines = user.getTaoCanView_2(lineTypeFor(record, domain, allLines));
    if (record) {
        const View found = user.getVID2V(lines, record->viewID);
        // A line the package no longer offers stays the record's line, so that saving keeps it.
        if (!found.viewName.isEmpty())
            record->view = found;
    }

    if (QMenu *old = button->menu()) {
        button->setMenu(nullptr);
        old->deleteLater();
    }
    auto *top = new MyMenu(button);
    top->setObjectName(QStringLiteral("menup"));
    top->installEventFilter(top);
    // Wide enough for a greyed entry's cover to hide the entry's own text, whose start the
    // cover's text lines up with.
    top->setMinimumWidth(130);
    top->setStyleSheet(QStringLiteral("QMenu::item{padding:6px 24px 6px 8px;}"));

    const QList<View> entries = packageLineTree(user.allViews, lines);
    for (const View &line : entries) {
        QAction *action = nullptr;
        if (line.subViews.isEmpty()) {
            action = top->addAction(line.viewName);
        } else {
            auto *sub = new QMenu(line.viewName, top);
            sub->setObjectName(QStringLiteral("menusub"));
            auto *panel = new QWidgetAction(sub);
            panel->setDefaultWidget(subLinePanel(window, button, line, top, sub));
            sub->addAction(panel);
            action = top->addMenu(sub);
        }
        QObject::connect(action, &QAction::triggered, button,
                         [button, line, top] { chooseEntry(button, line, top); });
        if (line.viewID == kLineNotInPackage)
            addGreyedCover(top, action, line.viewName);
    }
    button->setMenu(top);
    return top;
}
