#include "signin/WebLinks.h"

#include <QDesktopServices>

void openServicePage(const User &user, const QString &path)
{
    (void)QDesktopServices::openUrl(servicePageUrl(user, path));
}
