#pragma once

#include <QString>
#include <QUrl>

class User;

// A page of the service's web site: the web base URL followed by path ("" for the home page).
QUrl servicePageUrl(const User &user, const QString &path);
