#pragma once

#include "client/ServicePageUrl.h"

#include <QString>

class User;

// Opens a page of the service's web site (servicePageUrl) in the desktop browser; a failure to
// open it is ignored.
void openServicePage(const User &user, const QString &path);
