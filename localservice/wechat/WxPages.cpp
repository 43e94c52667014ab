#include "localservice/wechat/WxPages.h"

QString wxAppId()
{
    return QStringLiteral("wx73c1e0a2b94d58f6");
}

QString wxScope()
{
    return QStringLiteral("snsapi_login");
}

QString wxQrConnectPage(const QString &origin, const QString &uuid)
{
    // The poll address is always written with https: clients take what follows it.
    QString pollOrigin = origin;
    if (pollOrigin.startsWith(QLatin1String("http://")))
        pollOrigin.replace(0, 4, QStringLiteral("https"));
    return QStringLiteral(R"html(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>微信登录</title>
<style>body{font-family:sans-serif;text-align:center;background:#333;color:#fff}
.impowerBox{margin:40px auto;width:300px}.wrp_code img{width:280px;background:#fff}</style>
</head><body>
<div class="main impowerBox">
<div class="title">微信登录</div>
<div class="waiting panelContent">
<div class="wrp_code"><img class="qrcode lightBorder" src="/connect/qrcode/%2" alt=""/></div>
<div class="info"><p id="wx_status" class="status">请使用微信扫描二维码登录</p></div>
</div>
</div>
<script>
var $ = {ajax: function (o) {
  var x = new XMLHttpRequest();
  x.open(o.type, o.url);
  x.onload = function () { o.success(x.responseText); };
  x.onerror = function () { setTimeout(function () { o.retry(); }, 2000); };
  x.send();
}};
var texts = {"404": "扫描成功，请在微信中确认登录", "403": "您已取消此次登录", "405": "已确认",
             "402": "二维码已过期"};
function poll(last) {
  $.ajax({type: "GET", url:"https%1/connect/l/qrconnect?uuid=%2" + (last ? "&last=" + last : ""),
    retry: function () { poll(last); },
    success: function (body) {
      var m = /wx_errcode=(\d+)/.exec(body), code = m ? m[1] : "408";
      if (texts[code]) document.getElementById("wx_status").textContent = texts[code];
      if (code !== "405" && code !== "402") poll(code === "408" ? "" : code);
    }});
}
poll("");
</script>
</body></html>
)html")
        .arg(pollOrigin.mid(5), uuid);
}

QString wxErrorPage(const QString &reason)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>微信登录"
                          "</title></head><body><p>%1</p></body></html>")
        .arg(reason.toHtmlEscaped());
}

QString wxPollReply(int status, const QString &code)
{
    return QStringLiteral("window.wx_errcode=%1;window.wx_code='%2';").arg(status).arg(code);
}

QString wxSimulationUrl(const QString &origin, const QString &action, const QString &uuid)
{
    return origin + QStringLiteral("/connect/sim/") + action + QStringLiteral("?uuid=") + uuid;
}
