#pragma once

#include <QMenu>

// A menu in which a left click on an entry that owns a sub-menu chooses that entry.
// It acts once the owner installs the menu as an event filter on itself.
class MyMenu : public QMenu
{
    Q_OBJECT
public:
    explicit MyMenu(QWidget *parent = nullptr);
    explicit MyMenu(const QString &title, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
