#pragma once

#include <QObject>
#include <QString>

class PageShell;
class User;

// Base of the page units of the management window. A unit owns the behaviour of one page; it
// is handed the widgets it owns at construction (a struct of pointers the shell fills from the
// form), reaches the window around it through m_window (navigation, the shown domain, the row
// colours), and the service client through user(). Its slots are handed over by the window's
// by-name slots.
class ManagePage : public QObject
{
    Q_OBJECT
public:
    explicit ManagePage(PageShell &window);

protected:
    static User &user();
    void showToast(const QString &text) const;

    PageShell &m_window;
};
