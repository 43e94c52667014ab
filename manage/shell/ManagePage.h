#pragma once

#include <QObject>
#include <QString>

class MainWindow2;
class User;
namespace Ui {
class MainWindow2;
}

// Base of the page units of the management window. A unit owns the behaviour of one page; it
// reaches the page's widgets by object name through m_ui (include "ui_MainWindow2.h" in the
// unit's source), the shell and the other units through m_window, and the service client
// through user(). Its slots are handed over by the window's by-name slots.
class ManagePage : public QObject
{
    Q_OBJECT
public:
    explicit ManagePage(MainWindow2 &window);

protected:
    static User &user();
    void showToast(const QString &text) const;

    MainWindow2 &m_window;
    Ui::MainWindow2 &m_ui;
};
