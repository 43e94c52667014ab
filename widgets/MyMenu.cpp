#include "widgets/MyMenu.h"

#include <QMouseEvent>

MyMenu::MyMenu(QWidget *parent) : QMenu(parent) {}

MyMenu::MyMenu(const QString &title, QWidget *parent) : QMenu(title, parent) {}

bool MyMenu::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            QAction *action = actionAt(mouse->pos());
            if (action && action->menu())
                action->trigger();
        }
    }
    return QMenu::eventFilter(watched, event);
}
