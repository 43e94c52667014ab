#include "signin/WxQrPage.h"

#include "client/ServiceConfig.h"

#include <QRegExp>
#include <QUrl>

namespace {

// Classic syntax, case-sensitive, every quantifier non-greedy, applied once from the start.
QRegExp minimalPattern(const QString &pattern)
{
    QRegExp rx(pattern, Qt::CaseSensitive, QRegExp::RegExp);
    rx.setMinimal(true);
    return rx;
}

// Searches text for head followed by tail, as a search for the whole pattern would. A match can
// only start where head first matches: each tail begins with ".*", so what it finds after a
// later head it finds after the first one too. Trying the whole pattern at every start instead
// costs a pass over the rest of the text for each, and a page of repeated heads takes seconds.
bool matchAfterFirstHead(const QString &head, const QString &tail, const QString &text, QRegExp &rx)
{
    const int start = minimalPattern(head).indexIn(text);
    if (start < 0)
        return false;
    rx = minimalPattern(QLatin1Char('^') + head + tail);
    return rx.indexIn(text, start, QRegExp::CaretAtOffset) == start;
}

bool captureOne(const QString &head, const QString &tail, const QString &text, QString &capture)
{
    QRegExp rx;
    if (!matchAfterFirstHead(head, tail, text, rx))
        return false;
    capture = rx.cap(1);
    return true;
}

bool validOrigin(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("https") || scheme == QLatin1String("http")) &&
           !url.host().isEmpty() && url.path().isEmpty() && !url.hasQuery() && !url.hasFragment();
}

} // namespace

QString wxState()
{
    return QStringLiteral("3f6b1d2e8c4a7f90b1d3e5c7a9f2b4d6");
}

QString defaultWxOrigin()
{
    return QStringLiteral("https://open.weixin.qq.com");
}

QString &wxOrigin()
{
    static QString origin = defaultWxOrigin();
    return origin;
}

bool loadWxOrigin(const QStringList &args, const QProcessEnvironment &env, QString &origin,
                  QString &errorText)
{
    bool found = false;
    QString value = optionValue(args, QStringLiteral("wx-origin"), &found);
    if (!found) {
        const QString variable = QStringLiteral("HALVIK_WX_ORIGIN");
        found = env.contains(variable);
        value = found ? env.value(variable) : defaultWxOrigin();
    }
    while (value.endsWith(QLatin1Char('/')))
        value.chop(1);
    if (!validOrigin(value)) {
        errorText =
            QStringLiteral("Invalid WeChat origin \"%1\": expected https://host[:port]").arg(value);
        return false;
    }
    origin = value;
    return true;
}

QString qrConnectUrl(const QString &origin, const QString &serviceBaseUrl)
{
    const QString query = QStringLiteral("appid=%1&redirect_uri=%2&scope=%3&state=%4")
                              .arg(QStringLiteral("wx73c1e0a2b94d58f6"),
                                   serviceBaseUrl + QStringLiteral("/member/login"),
                                   QStringLiteral("snsapi_login"), wxState());
    return origin + QStringLiteral("/connect/qrconnect?") + query;
}

bool findQrImagePath(const QString &page, QString &path)
{
    return captureOne(QStringLiteral("qrcode\\s+lightBorder"), QStringLiteral(".*src.*\"(.*)\""),
                      page, path);
}

bool findPollAddress(const QString &page, QString &address)
{
    QString rest;
    if (!captureOne(QStringLiteral("\\.ajax\\("), QStringLiteral(".*url:\"https(.*)\""), page,
                    rest))
        return false;
    address = QStringLiteral("https") + rest;
    return true;
}

bool parsePollReply(const QString &body, PollReply &reply)
{
    QRegExp rx;
    if (!matchAfterFirstHead(QStringLiteral("window\\.wx_errcode="),
                             QStringLiteral("(.*);window\\.wx_code=\\'(.*)\\'"), body, rx))
        return false;
    bool ok = false;
    const int state = rx.cap(1).toInt(&ok, 10);
    reply.state = ok ? state : 0;
    reply.code = rx.cap(2);
    return true;
}

QString pollRequestUrl(const QString &pollUrl, const QString &lastWxCode)
{
    return lastWxCode.isEmpty() ? pollUrl : pollUrl + QStringLiteral("&last=") + lastWxCode;
}

PollStep pollStepFor(int state)
{
    PollStep step;
    switch (state) {
    case 408:
        step.setsLastCode = true;
        break;
    case 404:
        step.setsStatus = true;
        step.status = QStringLiteral("扫描成功！请在微信中点击“确认登录”即可登录");
        step.setsLastCode = true;
        step.lastWxCode = QStringLiteral("404");
        break;
    case 403:
        step.setsStatus = true;
        step.status = QStringLiteral("您已取消此次登录。可再次扫描登录。");
        step.setsLastCode = true;
        step.lastWxCode = QStringLiteral("403");
        break;
    case 405:
        step.action = PollStep::SignIn;
        break;
    case 402:
    case 666:
        step.action = PollStep::Expired;
        step.setsStatus = true;
        step.status = QStringLiteral("二维码已过期，请点击二维码以刷新");
        break;
    default:
        break;
    }
    return step;
}
