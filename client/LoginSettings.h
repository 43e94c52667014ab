#pragma once

#include <QString>

#include <functional>

class QObject;
class User;

// The account remembered in the per-user settings and, from older runs or on a session without
// a keyring, the scrambled password ("pwd").
struct RememberedLogin
{
    bool hasUser = false;
    QString user;
    bool hasPassword = false;
    QString password; // unscrambled; empty when the stored text cannot be unscrambled
};

// Reads the settings only: never waits on the keyring.
RememberedLogin loadLoginSettings();

// Moves a password still kept in the settings into the keyring under the remembered e-mail.
// The setting goes only once the keyring confirmed the write; without a keyring it stays.
// moved (when given) runs once the keyring answered, whatever it said.
void movePasswordToKeyring(const RememberedLogin &saved, QObject *context,
                           std::function<void()> moved = {});

// The remembered password of account: the one in the settings while it is still there (moving
// it on), else the keyring's entry. found is false when neither has one or the keyring failed.
void findRememberedPassword(const QString &account, QObject *context,
                            std::function<void(bool found, const QString &password)> done);

// Writes the account e-mail and, when remember is set, keeps the password of the last password
// sign-in: in the keyring, or scrambled in the settings when no keyring answers. Not remembering
// removes it from both. A run that signed in by WeChat only has no password to remember: the
// user is told so and false comes back. kept (when given) learns later whether the password is
// now kept as asked (a keyring that declined makes it false); a save overtaken by a newer one
// before the keyring answered changes nothing more and does not answer.
bool saveLoginSettings(const User &user, bool remember, QObject *context = nullptr,
                       std::function<void(bool kept)> kept = {});

// Forgets the remembered e-mail and its password, in the keyring and in the settings. done
// learns whether the keyring let the entry go (true also when it had none or there is none).
void forgetLogin(QObject *context, std::function<void(bool removed)> done);
