#include "localservice/server/WebPages.h"

#include "localservice/server/HttpGlue.h"
#include "localservice/server/HttpSite.h"
#include "localservice/server/ServiceContext.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"
#include "localservice/wechat/QrPng.h"

#include <QDateTime>
#include <QImage>

namespace {

QString page(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                          "<style>body{font-family:sans-serif;max-width:760px;margin:2em auto;"
                          "line-height:1.6}code{background:#eee;padding:0 4px}</style></head>"
                          "<body><h1>%1</h1>%2</body></html>")
        .arg(title.toHtmlEscaped(), body);
}

QString startPage(const QString &origin)
{
    return page(QStringLiteral("halvik local service"),
                QStringLiteral("<p>A stand-in for the DNS-hosting service, running on this "
                               "machine. Point halvik at <code>%1</code>.</p>"
                               "<p>Demo account: <code>%2</code> / <code>%3</code></p>"
                               "<p><a href=\"/member/editcpuid/\">Devices</a></p>")
                    .arg(origin.toHtmlEscaped(), demo::email(), demo::password()));
}

QString devicesPage(Storage &storage)
{
    QString rows;
    for (const DeviceRow &d : storage.devices()) {
        AccountRow a;
        storage.accountById(d.accountId, &a);
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td><code>%3</code></td><td>%4</td>"
                               "<td><a href=\"/member/editcpuid/set?id=%5&amp;on=%6\">%7</a>"
                               "</td></tr>")
                    .arg(a.email.toHtmlEscaped(), d.hostName.toHtmlEscaped(), d.cpuId,
                         d.authorised ? QStringLiteral("已授权") : QStringLiteral("未授权"))
                    .arg(d.id)
                    .arg(d.authorised ? 0 : 1)
                    .arg(d.authorised ? QStringLiteral("撤销授权") : QStringLiteral("开启授权"));
    }
    if (rows.isEmpty())
        rows = QStringLiteral("<tr><td colspan=\"5\">暂无设备</td></tr>");
    return page(QStringLiteral("设备授权"),
                QStringLiteral("<table border=\"1\" cellpadding=\"4\"><tr><th>账号</th><th>设备名"
                               "</th><th>设备标识</th><th>状态</th><th></th></tr>%1</table>")
                    .arg(rows));
}

// A banner for the news bodies: a gradient in one of two colours.
QByteArray bannerPng(int variant)
{
    QImage image(600, 160, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const int b = 90 + y * 120 / 160;
        for (int x = 0; x < image.width(); ++x) {
            const int a = 40 + x * 160 / 600;
            line[x] = variant == 1 ? qRgb(a, b, 0xe0) : qRgb(0x30, a, b);
        }
    }
    return pngBytes(image);
}

QString newsPage(Storage &storage, qint64 id)
{
    NewsRow n;
    if (!storage.newsItem(id, &n))
        return QString();
    const QString date = QDateTime::fromSecsSinceEpoch(n.publishDate).toString(Qt::ISODate);
    return page(n.title, QStringLiteral("<p><small>%1</small></p>%2").arg(date, n.content));
}

} // namespace

void addWebPages(HttpSite &site)
{
    HttpSite *s = &site;
    Storage *storage = &site.context().storage;

    site.get("/", [s](const httplib::Request &req, httplib::Response &res) {
        sendHtml(res, startPage(s->origin(req)));
    });
    site.get("/member/(register|forget|apiSet/|login)",
             [](const httplib::Request &req, httplib::Response &res) {
                 sendHtml(res, page(QStringLiteral("账号"),
                                    QStringLiteral("<p>本地服务的页面 %1。演示账号：%2 / %3</p>")
                                        .arg(QString::fromStdString(req.path).toHtmlEscaped(),
                                             demo::email(), demo::password())));
             });
    site.get("/member/editcpuid/", [storage](const httplib::Request &, httplib::Response &res) {
        sendHtml(res, devicesPage(*storage));
    });
    site.get("/member/editcpuid/set",
             [storage](const httplib::Request &req, httplib::Response &res) {
                 storage->setDeviceAuthorised(queryValue(req, "id").toLongLong(),
                                              queryValue(req, "on") == QLatin1String("1"));
                 res.set_redirect("/member/editcpuid/");
             });
    // Clients join relative image sources to the base URL with a slash of their own, so the
    // path may begin with two.
    site.get("/+static/news/banner([12])\\.png",
             [](const httplib::Request &req, httplib::Response &res) {
                 sendBytes(res, bannerPng(std::stoi(req.matches[1].str())), "image/png");
             });
    site.get("/news/([0-9]{1,12})\\.html",
             [storage](const httplib::Request &req, httplib::Response &res) {
                 const QString html = newsPage(*storage, std::stoll(req.matches[1].str()));
                 if (html.isEmpty())
                     sendHtml(res, page(QStringLiteral("404"), QString()), 404);
                 else
                     sendHtml(res, html);
             });
    site.get("/download/", [storage](const httplib::Request &, httplib::Response &res) {
        AppInfoRow info;
        storage->appInfo(1, &info);
        sendHtml(res, page(QStringLiteral("下载 halvik %1").arg(info.versionName),
                           QStringLiteral("<p>%1</p><p>Build it from source with "
                                          "<code>scripts/run</code>.</p>")
                               .arg(info.versionInfo.toHtmlEscaped().replace(
                                   QLatin1Char('\n'), QStringLiteral("<br/>")))));
    });
}
