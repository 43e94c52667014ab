#include "client/LoginSettings.h"

#include "client/PasswordStore.h"
#include "client/Scramble.h"
#include "client/User.h"

#include <QSettings>

namespace {

const QString kUserKey = QStringLiteral("user");
const QString kPasswordKey = QStringLiteral("pwd");

QSettings loginStore()
{
    return QSettings(QStringLiteral("halvik"), QStringLiteral("halvik"));
}

// Answers the way the store does: later, from the event loop, and not once context is gone.
void later(QObject *context, std::function<void()> fn)
{
    QMetaObject::invokeMethod(context ? context : &passwordStore(), std::move(fn),
                              Qt::QueuedConnection);
}

// Bumped by every save: a keyring answer that comes after a newer save must not undo it.
int &saveGeneration()
{
    static int generation = 0;
    return generation;
}

} // namespace

RememberedLogin loadLoginSettings()
{
    QSettings settings = loginStore();
    RememberedLogin login;
    login.hasUser = settings.contains(kUserKey);
    login.user = settings.value(kUserKey).toString();
    login.hasPassword = settings.contains(kPasswordKey);
    if (login.hasPassword)
        login.password = QString::fromUtf8(unscrambleText(settings.value(kPasswordKey).toString()));
    return login;
}

void movePasswordToKeyring(const RememberedLogin &saved, QObject *context,
                           std::function<void()> moved)
{
    // A text that no longer unscrambles is nothing worth keeping; the setting then stays as the
    // window shows it (ticked, empty).
    if (!saved.hasUser || saved.user.isEmpty() || !saved.hasPassword || saved.password.isEmpty()) {
        if (moved)
            later(context, moved);
        return;
    }
    const QString scrambled = loginStore().value(kPasswordKey).toString();
    passwordStore().write(saved.user, saved.password, context,
                          [user = saved.user, scrambled, moved](const KeyringAnswer &a) {
                              // Only the setting that was moved goes: a newer sign-in may have
                              // replaced it meanwhile.
                              QSettings settings = loginStore();
                              if (a.result == KeyringResult::Done &&
                                  settings.value(kUserKey).toString() == user &&
                                  settings.value(kPasswordKey).toString() == scrambled)
                                  settings.remove(kPasswordKey);
                              if (moved)
                                  moved();
                          });
}

void findRememberedPassword(const QString &account, QObject *context,
                            std::function<void(bool, const QString &)> done)
{
    const RememberedLogin saved = loadLoginSettings();
    if (saved.hasUser && saved.user == account && saved.hasPassword && !saved.password.isEmpty()) {
        movePasswordToKeyring(saved, context,
                              [done, password = saved.password] { done(true, password); });
        return;
    }
    passwordStore().read(account, context, [done](const KeyringAnswer &a) {
        const bool found = a.result == KeyringResult::Done;
        done(found, found ? a.password : QString());
    });
}

bool saveLoginSettings(const User &user, bool remember, QObject *context,
                       std::function<void(bool)> kept)
{
    const QString email = user.email;
    const int generation = ++saveGeneration();
    loginStore().setValue(kUserKey, email);
    if (!remember) {
        loginStore().remove(kPasswordKey);
        passwordStore().remove(email, context, [kept](const KeyringAnswer &a) {
            if (kept)
                kept(a.result != KeyringResult::Failed);
        });
        return true;
    }
    if (user.pwdScrambled.isEmpty()) {
        User::showMsgBox(QStringLiteral("微信扫码登录无法记住密码"), QString(), 1);
        return false;
    }
    const QString scrambled = user.pwdScrambled;
    const QString password = QString::fromUtf8(unscrambleText(scrambled));
    passwordStore().write(email, password, context,
                          [email, scrambled, kept, generation](const KeyringAnswer &a) {
                              if (generation != saveGeneration())
                                  return;
                              QSettings settings = loginStore();
                              bool ok = true;
                              if (a.result == KeyringResult::Done) {
                                  // The keyring holds it now: no copy of any age stays in the
                                  // settings.
                                  settings.remove(kPasswordKey);
                              } else if (a.result == KeyringResult::NoKeyring) {
                                  if (settings.value(kUserKey).toString() == email)
                                      settings.setValue(kPasswordKey, scrambled);
                              } else {
                                  ok = false;
                              }
                              if (kept)
                                  kept(ok);
                          });
    return true;
}

void forgetLogin(QObject *context, std::function<void(bool)> done)
{
    const RememberedLogin saved = loadLoginSettings();
    loginStore().remove(kPasswordKey);
    if (!saved.hasUser || saved.user.isEmpty()) {
        loginStore().remove(kUserKey);
        later(context, [done] { done(true); });
        return;
    }
    passwordStore().remove(saved.user, context, [done, user = saved.user](const KeyringAnswer &a) {
        const bool removed = a.result != KeyringResult::Failed;
        // The e-mail stays while its entry does, so that a later attempt finds it.
        if (removed && loginStore().value(kUserKey).toString() == user)
            loginStore().remove(kUserKey);
        done(removed);
    });
}
