#include "localservice/wechat/WxRoutes.h"

#include "localservice/server/HttpGlue.h"
#include "localservice/server/HttpSite.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/QrPng.h"
#include "localservice/wechat/WxFlow.h"
#include "localservice/wechat/WxPages.h"

namespace {

void qrConnect(ServiceContext &ctx, const QString &origin, const httplib::Request &req,
               httplib::Response &res)
{
    const QString state = queryValue(req, "state");
    if (queryValue(req, "appid") != wxAppId() || queryValue(req, "scope") != wxScope() ||
        state.isEmpty()) {
        sendHtml(res, wxErrorPage(QStringLiteral("参数错误")));
        return;
    }
    const QString uuid = ctx.wx.createSession(state);
    ctx.log(QStringLiteral("WeChat QR code %1 shown; act as the phone with\n"
                           "  scan:    %2\n  confirm: %3\n  cancel:  %4\n  expire:  %5\n"
                           "  (or: halvik-localservice wx scan|confirm|cancel|expire)")
                .arg(uuid, wxSimulationUrl(origin, QStringLiteral("scan"), uuid),
                     wxSimulationUrl(origin, QStringLiteral("confirm"), uuid),
                     wxSimulationUrl(origin, QStringLiteral("cancel"), uuid),
                     wxSimulationUrl(origin, QStringLiteral("expire"), uuid)));
    sendHtml(res, wxQrConnectPage(origin, uuid));
}

void simulatePhone(ServiceContext &ctx, const QString &action, const httplib::Request &req,
                   httplib::Response &res)
{
    QString uuid = queryValue(req, "uuid");
    if (uuid.isEmpty())
        uuid = ctx.wx.latestSession();
    bool done = false;
    if (action == QLatin1String("scan")) {
        done = ctx.wx.scan(uuid);
    } else if (action == QLatin1String("cancel")) {
        done = ctx.wx.cancel(uuid);
    } else if (action == QLatin1String("expire")) {
        done = ctx.wx.expire(uuid);
    } else {
        const QString email = queryValue(req, "email");
        AccountRow account;
        const bool known = email.isEmpty()
                               ? ctx.storage.accountByWxOpenId(demo::wxOpenId(), &account)
                               : ctx.storage.accountByEmail(email, &account);
        if (!known) {
            sendText(res, QStringLiteral("No such account\n"), 404);
            return;
        }
        done = ctx.wx.confirm(uuid, account.id);
    }
    if (!done) {
        sendText(res,
                 QStringLiteral("QR code %1: cannot %2 now (unknown, expired or already "
                                "confirmed)\n")
                     .arg(uuid.isEmpty() ? QStringLiteral("(none)") : uuid, action),
                 409);
        return;
    }
    ctx.log(QStringLiteral("WeChat QR code %1: phone did %2").arg(uuid, action));
    sendText(res, QStringLiteral("QR code %1: %2 done\n").arg(uuid, action));
}

} // namespace

void addWxRoutes(HttpSite &site)
{
    HttpSite *s = &site;
    ServiceContext *ctx = &site.context();

    site.get("/connect/qrconnect", [s, ctx](const httplib::Request &req, httplib::Response &res) {
        qrConnect(*ctx, s->origin(req), req, res);
    });

    site.get("/connect/qrcode/([0-9a-f]{1,64})",
             [s](const httplib::Request &req, httplib::Response &res) {
                 const QString uuid = QString::fromStdString(req.matches[1].str());
                 const QByteArray png =
                     qrCodePng(wxSimulationUrl(s->origin(req), QStringLiteral("scan"), uuid));
                 sendBytes(res, png, "image/png");
             });

    site.get("/connect/l/qrconnect", [ctx](const httplib::Request &req, httplib::Response &res) {
        const WxFlow::PollResult r = ctx->wx.poll(queryValue(req, "uuid"), queryValue(req, "last"),
                                                  ctx->options.wxPollHoldMs);
        sendBytes(res, wxPollReply(r.status, r.code).toUtf8(), "text/javascript; charset=utf-8");
    });

    site.get("/connect/sim/(scan|confirm|cancel|expire)",
             [ctx](const httplib::Request &req, httplib::Response &res) {
                 simulatePhone(*ctx, QString::fromStdString(req.matches[1].str()), req, res);
             });
}
