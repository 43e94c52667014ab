#pragma once

#include <QObject>
#include <QString>

class MainWindow2;
class User;

// Base of the page units of the management window. A unit owns the behaviour of one page; it
// is handed the widgets it owns at construction (a struct of pointers the shell fills from the
// form), reaches the shell and its navigation through m_window, and the service client through
// user(). Its slots are handed over by the window's by-name slots.
class ManagePage : public QObject
{
    Q_OBJECT
public:
    explicit ManagePage(MainWindow2 &window);

protected:
    static User &user();
    void showToast(const QString &text) const;

    MainWindow2 &m_window;
};
