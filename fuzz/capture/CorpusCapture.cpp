// Captures real replies of the stand-in service as seeds for the fuzz targets.
// Usage: halvik-fuzz-capture --service-url URL --ca-file FILE CORPUS_DIR
// The service must run with --test-faults (for its broken replies) and a short --wx-hold.
#include "client/Scramble.h"
#include "client/ServiceConfig.h"
#include "client/User.h"
#include "signin/WxQrPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include <cstdio>

namespace {

QString g_corpus;

void save(const QString &target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(g_corpus + QLatin1Char('/') + target);
    QFile file(g_corpus + QLatin1Char('/') + target + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    std::printf("%6d  %s/%s\n", int(bytes.size()), qPrintable(target), qPrintable(name));
}

void saveLastReply(const User &user, const QString &target, const QString &name)
{
    save(target, name, user.lastReply.toUtf8());
}

// A plain request (the WeChat pages, the fault admin path): the body, whatever the status.
QByteArray fetch(const User &user, const QString &address, const QByteArray &form = QByteArray())
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address)};
    request.setSslConfiguration(user.sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = form.isNull() ? manager.get(request) : manager.post(request, form);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    delete reply;
    return body;
}

// A notice as the service sends it, before the program rewrites it.
QByteArray noticeContent(const QString &reply)
{
    const QJsonObject data =
        QJsonDocument::fromJson(reply.toUtf8()).object().value(QLatin1String("data")).toObject();
    return data.value(QLatin1String("content")).toString().toUtf8();
}

// The whole line list, and two small lists cut from it: one whose sub-lines come only as arrays
// of line objects, one whose sub-lines come only as objects mapping ids to names.
void saveLineList(const QString &reply)
{
    const QString target = QStringLiteral("line_list");
    const QString data = QStringLiteral("data");
    const QString subViews = QStringLiteral("subViews");
    const int kept = 3;
    save(target, QStringLiteral("allviews.json"), reply.toUtf8());
    QJsonObject envelope = QJsonDocument::fromJson(reply.toUtf8()).object();
    const QJsonObject lines = envelope.value(data).toObject();
    for (const bool arrayForm : {true, false}) {
        QJsonObject cut;
        for (auto it = lines.begin(); it != lines.end(); ++it) {
            QJsonObject line = it.value().toObject();
            const QJsonValue subs = line.value(subViews);
            if (subs.isArray() != arrayForm)
                continue;
            if (arrayForm) {
                QJsonArray first = subs.toArray();
                while (first.size() > kept)
                    first.removeLast();
                line.insert(subViews, first);
            } else {
                QJsonObject first = subs.toObject();
                while (first.size() > kept)
                    first.erase(first.find(first.keys().constLast()));
                line.insert(subViews, first);
            }
            cut.insert(it.key(), line);
        }
        envelope.insert(data, cut);
        save(target,
             arrayForm ? QStringLiteral("allviews-array-form.json")
                       : QStringLiteral("allviews-object-form.json"),
             QJsonDocument(envelope).toJson(QJsonDocument::Compact));
    }
}

void captureApi(User &user)
{
    user.login(QStringLiteral("demo@example.com"), QStringLiteral("wrong password"));
    saveLastReply(user, QStringLiteral("reply_envelope"), QStringLiteral("login-refused.json"));
    if (!user.login(QStringLiteral("demo@example.com"), QStringLiteral("halvik-demo"))) {
        std::fprintf(stderr, "sign-in failed: %s\n", qPrintable(user.errorText));
        return;
    }
    user.getUserDetail();
    saveLastReply(user, QStringLiteral("reply_envelope"), QStringLiteral("user-detail.json"));

    const QString readers = QStringLiteral("reply_readers");
    user.getDomain();
    saveLastReply(user, readers, QStringLiteral("domain-list.json"));
    user.getGroup();
    saveLastReply(user, readers, QStringLiteral("group-list.json"));
    if (!user.domains.isEmpty()) {
        user.getRecord(&user.domains[0]);
        saveLastReply(user, readers, QStringLiteral("record-list.json"));
    }
    user.getMsg(DMsgPublic0, DMsgRead);
    saveLastReply(user, readers, QStringLiteral("news-0.json"));
    user.getMsg(DMsgPublic1, DMsgRead);
    saveLastReply(user, readers, QStringLiteral("news-1.json"));
    user.getMsg(DMsgInform, DMsgUnread);
    saveLastReply(user, readers, QStringLiteral("user-messages.json"));
    double code = 0;
    QString name, info, url;
    user.getChkVer(code, name, info, url);
    saveLastReply(user, readers, QStringLiteral("app-info.json"));

    // Signing in loaded the line list already; asked again, it comes from the service.
    user.allViews.clear();
    user.getTaoCanView_2();
    saveLineList(user.lastReply);

    user.getMsg(DMsgPublic0, DMsgUnread);
    // The first three differ: images under an absolute path, a relative path, none.
    for (int i = 0; i < qMin(3, user.msgsPublic0.size()); ++i) {
        DMsg &m = user.msgsPublic0[i];
        if (user.getDetail(&m).isEmpty())
            continue;
        // The notice target reads the base URL from the first line.
        save(QStringLiteral("notice_html"), QStringLiteral("notice-%1.html").arg(m.id),
             (user.baseUrl + QLatin1Char('\n')).toUtf8() + noticeContent(user.lastReply));
    }
}

// The service's broken replies, each struck once on the user detail call.
void captureFaults(User &user)
{
    const QStringList faults = {QStringLiteral("html403"), QStringLiteral("badjson"),
                                QStringLiteral("nocode"), QStringLiteral("deep")};
    for (const QString &kind : faults) {
        fetch(user, user.baseUrl + QStringLiteral("/__test/fault"),
              QStringLiteral("path=%2Fapi%2Fuser%2Fdetail%2F&kind=%1&times=1&depth=1200")
                  .arg(kind)
                  .toUtf8());
        QJsonValue data;
        user.lastReply.clear();
        user.doAPI(user.paths.userDetail, {}, data, true, nullptr, nullptr, true);
        const QString type =
            kind == QLatin1String("html403") ? QStringLiteral(".html") : QStringLiteral(".json");
        saveLastReply(user, QStringLiteral("reply_envelope"),
                      QStringLiteral("fault-") + kind + type);
    }
    fetch(user, user.baseUrl + QStringLiteral("/__test/faults/clear"), QByteArray(""));
}

// The QR-connect page and a long-poll reply of each state the phone can bring about.
void captureWeChat(const User &user)
{
    const QString target = QStringLiteral("wx_qr_page");
    const QString origin = user.baseUrl;
    const QByteArray page = fetch(user, qrConnectUrl(origin, user.baseUrl));
    save(target, QStringLiteral("qrconnect.html"), page);
    QString poll;
    if (!findPollAddress(QString::fromUtf8(page), poll)) {
        std::fprintf(stderr, "no poll address in the QR-connect page\n");
        return;
    }
    save(target, QStringLiteral("poll-408.js"), fetch(user, poll));
    const QString phone = origin + QStringLiteral("/connect/sim/");
    fetch(user, phone + QStringLiteral("scan"));
    save(target, QStringLiteral("poll-404.js"),
         fetch(user, pollRequestUrl(poll, QStringLiteral("408"))));
    fetch(user, phone + QStringLiteral("confirm"));
    save(target, QStringLiteral("poll-405.js"),
         fetch(user, pollRequestUrl(poll, QStringLiteral("404"))));

    // A fresh code for each of the two endings.
    const QStringList endings = {QStringLiteral("cancel"), QStringLiteral("expire")};
    for (const QString &ending : endings) {
        QString next;
        findPollAddress(QString::fromUtf8(fetch(user, qrConnectUrl(origin, user.baseUrl))), next);
        fetch(user, phone + QStringLiteral("scan"));
        fetch(user, phone + ending);
        save(target, QStringLiteral("poll-%1.js").arg(ending),
             fetch(user, pollRequestUrl(next, QStringLiteral("404"))));
    }
}

// Texts as the settings file keeps them: the remembered password and an e-mail address.
void captureScrambled()
{
    save(QStringLiteral("scramble"), QStringLiteral("password.txt"),
         scrambleText("halvik-demo").toLatin1());
    save(QStringLiteral("scramble"), QStringLiteral("email.txt"),
         scrambleText("demo@example.com").toLatin1());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    ServiceConfig config;
    QString errorText;
    if (args.size() < 2 || args.last().startsWith(QLatin1Char('-')) ||
        !loadServiceConfig(args, QProcessEnvironment::systemEnvironment(), config, errorText)) {
        std::fprintf(stderr,
                     "%s\nUsage: halvik-fuzz-capture --service-url URL --ca-file FILE CORPUS_DIR\n",
                     qPrintable(errorText));
        return 2;
    }
    g_corpus = args.last();
    User user;
    applyServiceConfig(user, config);
    user.idleLimitMs = 5000;
    user.totalLimitMs = 5000;
    captureApi(user);
    captureFaults(user);
    captureWeChat(user);
    captureScrambled();
    return 0;
}
