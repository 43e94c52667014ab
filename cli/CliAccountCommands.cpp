#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliKeyring.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/DeviceId.h"
#include "client/JsonRead.h"
#include "client/LoginSettings.h"
#include "client/Scramble.h"
#include "client/User.h"

#include <QJsonDocument>

int cmdLogin(CliSession &s)
{
    const bool remember = s.invocation.options.contains(QStringLiteral("remember"));
    if (remember) {
        // What the window does when "记住密码" is ticked: the same settings and keyring entry.
        User &user = s.user;
        user.pwdScrambled = scrambleText(s.password.toUtf8());
        bool kept = false;
        const bool answered = waitForKeyring([&](QObject *context, std::function<void()> finish) {
            saveLoginSettings(user, true, context, [&kept, finish](bool ok) {
                kept = ok;
                finish();
            });
        });
        user.pwdScrambled.clear();
        if (!answered || !kept) {
            printErr(QStringLiteral("halvik-cli: the desktop keyring did not keep the password\n"));
            return ExitRefused;
        }
    }
    QJsonObject result{{QStringLiteral("email"), s.user.email},
                       {QStringLiteral("signedIn"), s.user.loggedIn}};
    if (remember)
        result.insert(QStringLiteral("remembered"), true);
    s.print(result, QStringLiteral("Signed in as %1\n").arg(s.user.email) +
                        (remember ? QStringLiteral("Password remembered\n") : QString()));
    return ExitOk;
}

int cmdLogout(CliSession &s)
{
    const QString email = loadLoginSettings().user;
    bool removed = false;
    const bool answered = waitForKeyring([&](QObject *context, std::function<void()> finish) {
        forgetLogin(context, [&removed, finish](bool ok) {
            removed = ok;
            finish();
        });
    });
    if (!answered || !removed) {
        printErr(QStringLiteral("halvik-cli: the desktop keyring did not let the password go\n"));
        return ExitRefused;
    }
    s.print(QJsonObject{{QStringLiteral("email"), email}, {QStringLiteral("forgotten"), true}},
            email.isEmpty() ? QStringLiteral("Nothing was remembered\n")
                            : QStringLiteral("Forgot %1\n").arg(email));
    return ExitOk;
}

int cmdWhoami(CliSession &s)
{
    s.beginCall();
    if (!s.user.getUserDetail())
        return s.failed(QStringLiteral("reading the account details"));
    QList<QStringList> rows;
    const QJsonObject &detail = s.user.userDetail;
    for (auto it = detail.begin(); it != detail.end(); ++it) {
        const QJsonValue v = it.value();
        const QString text =
            v.isObject()
                ? QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact))
            : v.isArray()
                ? QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact))
                : readString(v);
        rows.append({it.key(), text});
    }
    s.print(detail, formatTable({QStringLiteral("FIELD"), QStringLiteral("VALUE")}, rows));
    return ExitOk;
}

int cmdVersion(CliSession &s)
{
    double code = 0;
    QString name, info, url;
    s.beginCall();
    if (!s.user.getChkVer(code, name, info, url))
        return s.failed(QStringLiteral("reading the version information"));
    s.print(QJsonObject{{QStringLiteral("versionCode"), code},
                        {QStringLiteral("versionName"), name},
                        {QStringLiteral("versionInfo"), info},
                        {QStringLiteral("downloadUrl"), url}},
            formatTable({QStringLiteral("VERSION"), QStringLiteral("DOWNLOAD")}, {{name, url}}) +
                (info.isEmpty() ? QString() : info + QLatin1Char('\n')));
    return ExitOk;
}

int cmdRegister(CliSession &s)
{
    const QString email = s.invocation.operands.value(0);
    QString password;
    if (!takePassword(s, email, true, password))
        return ExitUsage;
    s.beginCall();
    if (!s.user.reg(email, password))
        return s.failed(QStringLiteral("registering %1").arg(email));
    s.print(QJsonObject{{QStringLiteral("email"), email}, {QStringLiteral("registered"), true}},
            QStringLiteral("Registered %1\n").arg(email));
    return ExitOk;
}

int cmdDeviceId(CliSession &s)
{
    const QString id = computeDeviceId();
    s.print(QJsonObject{{QStringLiteral("deviceId"), id}}, id + QLatin1Char('\n'));
    return ExitOk;
}

int cmdScramble(CliSession &)
{
    printOut(scrambleText(readStandardInput()) + QLatin1Char('\n'));
    return ExitOk;
}

int cmdUnscramble(CliSession &)
{
    writeOutBytes(unscrambleText(QString::fromUtf8(readStandardInput()).trimmed()));
    return ExitOk;
}
