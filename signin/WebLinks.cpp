#include "signin/WebLinks.h"

#include "client/User.h"

#include <QDesktopServices>

QUrl servicePageUrl(const User &user, const QString &path)
{
    return QUrl(user.webBaseUrl + path, QUrl::TolerantMode);
}

void openServicePage(const User &user, const QString &path)
{
    (void)QDesktopServices::openUrl(servicePageUrl(user, path));
}
