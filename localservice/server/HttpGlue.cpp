#include "localservice/server/HttpGlue.h"

#include <QRegularExpression>

QString requestOrigin(const httplib::Request &req, bool tls, const QString &fallbackHost, int port)
{
    static const QRegularExpression plain(
        QStringLiteral("^([A-Za-z0-9.-]+|\\[[0-9A-Fa-f:.]+\\])(:[0-9]{1,5})?$"));
    const QString scheme = tls ? QStringLiteral("https://") : QStringLiteral("http://");
    const QString host = QString::fromStdString(req.get_header_value("Host"));
    if (plain.match(host).hasMatch())
        return scheme + host;
    return scheme + fallbackHost + QLatin1Char(':') + QString::number(port);
}

QString queryValue(const httplib::Request &req, const char *key)
{
    return QString::fromStdString(req.get_param_value(key));
}

bool isLoopbackPeer(const httplib::Request &req)
{
    const std::string &peer = req.remote_addr;
    return peer.rfind("127.", 0) == 0 || peer == "::1" || peer.rfind("::ffff:127.", 0) == 0;
}

void sendBytes(httplib::Response &res, const QByteArray &body, const char *contentType, int status)
{
    res.status = status;
    res.set_content(body.constData(), size_t(body.size()), contentType);
}

void sendJson(httplib::Response &res, const QByteArray &body)
{
    sendBytes(res, body, "application/json; charset=utf-8");
}

void sendHtml(httplib::Response &res, const QString &html, int status)
{
    sendBytes(res, html.toUtf8(), "text/html; charset=utf-8", status);
}

void sendText(httplib::Response &res, const QString &text, int status)
{
    sendBytes(res, text.toUtf8(), "text/plain; charset=utf-8", status);
}
