#include "manage/shell/ManagePage.h"

#include "client/ProcessObjects.h"
#include "manage/shell/MainWindow2.h"

ManagePage::ManagePage(MainWindow2 &window) : m_window(window) {}

User &ManagePage::user()
{
    return theUser();
}

void ManagePage::showToast(const QString &text) const
{
    m_window.showToast(text);
}
