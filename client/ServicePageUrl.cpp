#include "client/ServicePageUrl.h"

#include "client/User.h"

QUrl servicePageUrl(const User &user, const QString &path)
{
    return QUrl(user.webBaseUrl + path, QUrl::TolerantMode);
}
