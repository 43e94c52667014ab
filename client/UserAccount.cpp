#include "client/User.h"

#include "client/JsonRead.h"
#include "client/ReplyReaders.h"
#include "client/Scramble.h"

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// The credentials a sign-in reply carries; both must be present to sign requests.
bool takeCredentials(const QJsonValue &data, QString &apiKey, QString &apiSecret)
{
    const QJsonObject o = data.toObject();
    apiKey = readString(o.value(key("apiKey")));
    apiSecret = readString(o.value(key("apiSecret")));
    return !apiKey.isEmpty() && !apiSecret.isEmpty();
}

} // namespace

bool User::login(const QString &mail, const QString &pwd)
{
    loggedIn = false;
    email = mail;
    password = pwd;
    ApiParams params;
    params.insert("email", mail);
    params.insert("password", pwd);
    params.insert("type", QStringLiteral("pc"));
    QJsonValue data;
    if (!doAPI(paths.verify, params, data))
        return false;
    if (takeCredentials(data, apiKey, apiSecret)) {
        loggedIn = true;
        return true;
    }

    // Accepted but without usable credentials: give the user a code for support. The
    // password never goes into it, not even scrambled.
    const QString diagnostic =
        QStringLiteral("%1|%2|%3|%4")
            .arg(mail, QStringLiteral("***"), params.value("type"), withoutSecrets(lastReply));
    showMsgBox(QStringLiteral("发生错误,对您造成不便深感歉意。\n请将以下错误代码反馈给我们:"),
               QString(), 1, -1, true, scrambleText(diagnostic.toUtf8()));
    loggedIn = false;
    return false;
}

bool User::loginwx(const QString &code, const QString &state)
{
    loggedIn = false;
    ApiParams params;
    params.insert("code", code);
    params.insert("state", state);
    QJsonValue data;
    if (!doAPI(paths.wxLogin, params, data))
        return false;
    loggedIn = takeCredentials(data, apiKey, apiSecret);
    return loggedIn;
}

int User::chkCid(const QString &cpuid, QString *hostName)
{
    ApiParams params;
    params.insert("cpuid", cpuid);
    QJsonValue data;
    int code = -2;
    doAPI(paths.chkCpuId, params, data, true, &code);
    switch (code) {
    case 0:
    case 1024:
        if (hostName)
            *hostName = data.isString() ? data.toString() : QString();
        return code == 0 ? 1 : 2;
    case 2:
        return 3;
    default:
        return 0;
    }
}

int User::chkCid(const QString &cpuid)
{
    return chkCid(cpuid, nullptr);
}

bool User::addCid(const QString &cpuid, const QString &hostname)
{
    ApiParams params;
    params.insert("cpuid", cpuid);
    params.insert("hostname", hostname);
    return doAPI(paths.addCpuId, params);
}

bool User::reg(const QString &mail, const QString &pwd)
{
    registered = false;
    email = mail;
    password = pwd;
    ApiParams params;
    params.insert("email", mail);
    params.insert("password", pwd);
    params.insert("passwordCfm", pwd);
    QJsonValue data;
    registered = doAPI(paths.registerUser, params, data, false);
    return registered;
}

bool User::getUserDetail()
{
    QJsonValue data;
    if (!doAPI(paths.userDetail, {}, data))
        return false;
    userDetail = data.toObject();
    return true;
}

bool User::getChkVer(double &vCode, QString &vName, QString &vInfo, QString &vUrl)
{
    ApiParams params;
    params.insert("type", QStringLiteral("1"));
    QJsonValue data;
    if (!doAPI(paths.appInfo, params, data))
        return false;
    if (!data.isObject())
        return refuseReplyData();
    const AppInfo info = readAppInfo(data, webBaseUrl);
    vCode = info.versionCode;
    vName = info.versionName;
    vInfo = info.versionInfo;
    vUrl = info.downloadUrl;
    return true;
}
