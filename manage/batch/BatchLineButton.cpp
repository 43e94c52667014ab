#include "manage/batch/BatchLineButton.h"

#include "manage/shared/LineMenu.h"
#include "manage/shell/MainWindow2.h"

#include <QPointer>
#include <QPushButton>

namespace {

// The menu is built on the first press, not with the row: building it may fetch the service's
// line list, which a new empty row has no need of.
void attachLineMenu(MainWindow2 &window, QPushButton *button)
{
    const QPointer<MainWindow2> owner(&window);
    QObject::connect(button, &QPushButton::pressed, button, [button, owner] {
        if (button->menu() || !owner)
            return;
        buildLineMenu(*owner, button, nullptr, nullptr, true);
        button->showMenu();
    });
}

} // namespace

QPushButton *newBatchLineButton(MainWindow2 &window, QWidget *parent)
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
