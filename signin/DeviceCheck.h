#pragma once

#include <QString>

class User;

// Whether this computer may finish a WeChat sign-in: 0 when it may (authorised, or unknown and
// now registered under localHostName), 2 when it may not. A device that is submitted but not
// yet authorised is told so and may open the page that authorises it.
int checkDevice(User &user, const QString &deviceId, const QString &localHostName);
