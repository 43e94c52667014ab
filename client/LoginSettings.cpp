#include "client/LoginSettings.h"

#include "client/Scramble.h"
#include "client/User.h"

#include <QSettings>

namespace {

const QString kUserKey = QStringLiteral("user");
const QString kPasswordKey = QStringLiteral("pwd");

} // namespace

RememberedLogin loadLoginSettings()
{
    QSettings settings(QStringLiteral("halvik"), QStringLiteral("halvik"));
    RememberedLogin login;
    login.hasUser = settings.contains(kUserKey);
    login.user = settings.value(kUserKey).toString();
    login.hasPassword = settings.contains(kPasswordKey);
    if (login.hasPassword)
        login.password = QString::fromUtf8(unscrambleText(settings.value(kPasswordKey).toString()));
    return login;
}

bool saveLoginSettings(const User &user, bool remember)
{
    QSettings settings(QStringLiteral("halvik"), QStringLiteral("halvik"));
    settings.setValue(kUserKey, user.email);
    if (!remember) {
        settings.remove(kPasswordKey);
        return true;
    }
    if (user.pwdScrambled.isEmpty()) {
        User::showMsgBox(QStringLiteral("微信扫码登录无法记住密码"), QString(), 1);
        return false;
    }
    settings.setValue(kPasswordKey, user.pwdScrambled);
    return true;
}
