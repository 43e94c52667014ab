#include "manage/shell/ManagePage.h"

#include "app/AppGlobals.h"
#include "manage/shell/MainWindow2.h"

ManagePage::ManagePage(MainWindow2 &window) : m_window(window), m_ui(window.form()) {}

User &ManagePage::user()
{
    return theUser();
}

void ManagePage::showToast(const QString &text) const
{
    m_window.showToast(text);
}
