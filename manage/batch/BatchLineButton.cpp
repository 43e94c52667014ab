#include "manage/batch/BatchLineButton.h"

#include "manage/shared/LineMenu.h"
#include "manage/shared/PageShell.h"

#include <QPointer>
#include <QPushButton>

namespace {

// The menu is built on the first press, not with the row: building it may fetch the service's
// line list, which a new empty row has no need of.
void attachLineMenu(PageShell &window, QPushButton *button)
{
    // Checked on press: a row may outlive the window it was made for.
    const QPointer<QWidget> owner(window.dialogParent());
    QObject::connect(button, &QPushButton::pressed, button, [button, owner, &window] {
        if (button->menu() || !owner)
            return;
        buildLineMenu(window, button, nullptr, nullptr, true);
        button->showMenu();
    });
}

} // namespace

QPushButton *newBatchLineButton(PageShell &window, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("xlbtn"));
    button->setStyleSheet(
        QStringLiteral("#xlbtn{color:#292929;text-align:center;border:1px solid #E1E1E1;}"));
    button->setFixedWidth(90);
    button->setCursor(Qt::PointingHandCursor);
    View defaultLine;
    defaultLine.viewName = QStringLiteral("默认");
    setBatchRowLine(button, defaultLine);
    attachLineMenu(window, button);
    return button;
}

View batchRowLine(const QPushButton *button)
{
    return chosenLine(button);
}

void setBatchRowLine(QPushButton *button, const View &line)
{
    setChosenLine(button, line);
}
