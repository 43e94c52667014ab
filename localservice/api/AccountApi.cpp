#include "localservice/api/ApiRouter.h"
#include "localservice/api/Wire.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/WxFlow.h"

#include <QJsonObject>
#include <QRegularExpression>

namespace {

QJsonObject credentials(const AccountRow &a)
{
    QJsonObject o;
    o.insert(QStringLiteral("apiKey"), a.apiKey);
    o.insert(QStringLiteral("apiSecret"), a.apiSecret);
    o.insert(QStringLiteral("email"), a.email);
    return o;
}

ApiReply signedIn(const AccountRow &a)
{
    if (a.apiKey.isEmpty() || a.apiSecret.isEmpty())
        return refuse(1007);
    return ok(credentials(a));
}

bool isDeviceId(const QString &cpuId)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{32}$"));
    return pattern.match(cpuId).hasMatch();
}

Refusal checkRegistration(const QString &email, const QString &password, const QString &confirm)
{
    static const QRegularExpression space(QStringLiteral("\\s"));
    static const QRegularExpression address(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    if (email.isEmpty() || email.contains(space) || email.size() > 64)
        return {1010, QString()};
    if (!address.match(email).hasMatch())
        return {1011, QString()};
    if (password.contains(QLatin1Char(' ')))
        return {1013, QString()};
    if (password.size() > 32)
        return {1015, QString()};
    if (password.size() < 6)
        return {1016, QString()};
    if (password != confirm)
        return {1014, QString()};
    return {};
}

} // namespace

void addAccountRoutes(ApiRouter &router, ServiceContext &context)
{
    ServiceContext *ctx = &context;

    router.add(QStringLiteral("/api/user/verify/"), Access::Public, [ctx](const ApiCall &c) {
        AccountRow a;
        if (const int code =
                ctx->storage.checkPassword(c.value("email").trimmed(), c.value("password"), &a))
            return refuse(code);
        return signedIn(a);
    });

    router.add(QStringLiteral("/api/user/wxlogin/"), Access::Public, [ctx](const ApiCall &c) {
        qint64 accountId = 0;
        AccountRow a;
        if (!ctx->wx.redeem(c.value("code"), c.value("state"), &accountId) ||
            !ctx->storage.accountById(accountId, &a))
            return refuse(3);
        return signedIn(a);
    });

    router.add(QStringLiteral("/api/user/register/"), Access::Public, [ctx](const ApiCall &c) {
        const QString email = c.value("email").trimmed();
        const Refusal bad = checkRegistration(email, c.value("password"), c.value("passwordCfm"));
        if (bad.code)
            return refuse(bad);
        AccountRow a;
        if (const int code = ctx->storage.registerAccount(email, c.value("password"), &a))
            return refuse(code);
        QJsonObject o;
        o.insert(QStringLiteral("email"), a.email);
        return ok(o);
    });

    router.add(QStringLiteral("/api/user/chkcpuid/"), Access::Signed, [ctx](const ApiCall &c) {
        const QString cpuId = c.value("cpuid").trimmed();
        if (!isDeviceId(cpuId))
            return refuse(9001);
        DeviceRow d;
        if (!ctx->storage.device(c.account.id, cpuId, &d))
            return refuse(2);
        if (!d.authorised) {
            ApiReply pending = refuse(1024, QStringLiteral("当前设备已提交,但仍未开启授权"));
            pending.data = d.hostName;
            return pending;
        }
        return ok(d.hostName);
    });

    router.add(QStringLiteral("/api/user/addcpuid/"), Access::Signed, [ctx](const ApiCall &c) {
        const QString cpuId = c.value("cpuid").trimmed();
        const QString hostName = c.value("hostname").trimmed().left(64);
        if (!isDeviceId(cpuId))
            return refuse(9001);
        if (hostName.isEmpty())
            return refuse(3);
        DeviceRow d;
        if (!ctx->storage.addDevice(c.account.id, cpuId, hostName, c.account.autoAuthoriseDevices,
                                    &d))
            return refuse(2);
        QJsonObject o;
        o.insert(QStringLiteral("cpuid"), d.cpuId);
        o.insert(QStringLiteral("hostname"), d.hostName);
        o.insert(QStringLiteral("authorised"), d.authorised);
        return ok(o);
    });

    router.add(QStringLiteral("/api/user/detail/"), Access::Signed, [ctx](const ApiCall &c) {
        return ok(accountDetailJson(c.account, ctx->storage.domainCount(c.account.id)));
    });

    router.add(QStringLiteral("/api/user/appInfo/"), Access::Signed, [ctx](const ApiCall &c) {
        AppInfoRow info;
        if (!ctx->storage.appInfo(c.intValue("type", 1), &info))
            return refuse(3);
        return ok(appInfoJson(info, c.origin));
    });
}
