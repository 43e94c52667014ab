#include "manage/shared/ManagePage.h"

#include "client/ProcessObjects.h"
#include "manage/shared/PageShell.h"

ManagePage::ManagePage(PageShell &window) : m_window(window) {}

User &ManagePage::user()
{
    return theUser();
}

void ManagePage::showToast(const QString &text) const
{
    m_window.showToast(text);
}
