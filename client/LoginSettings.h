#pragma once

#include <QString>

class User;

// The account and password remembered in the per-user settings.
struct RememberedLogin
{
    bool hasUser = false;
    QString user;
    bool hasPassword = false;
    QString password; // unscrambled; empty when the stored text cannot be unscrambled
};

RememberedLogin loadLoginSettings();

// Writes the account e-mail and, when remember is set, the scrambled password of the last
// password sign-in (the stored one is removed when it is not). A run that signed in by WeChat
// only has no password to remember: the user is told so and false comes back.
bool saveLoginSettings(const User &user, bool remember);
