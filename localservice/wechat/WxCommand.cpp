#include "localservice/wechat/WxCommand.h"

#include "localservice/server/TlsFiles.h"

#include <QUrlQuery>

#include <cstdio>

#include <httplib.h>

int runWxCommand(const QString &action, const QString &uuid, const QString &email,
                 const QString &dataDir, quint16 port, bool useTls)
{
    QUrlQuery query;
    if (!uuid.isEmpty())
        query.addQueryItem(QStringLiteral("uuid"), uuid);
    if (!email.isEmpty())
        query.addQueryItem(QStringLiteral("email"), email);
    const std::string path = QStringLiteral("/connect/sim/%1?%2")
                                 .arg(action, query.toString(QUrl::FullyEncoded))
                                 .toStdString();
    const auto fetch = [&]() -> httplib::Result {
        if (!useTls) {
            httplib::Client client("127.0.0.1", port);
            return client.Get(path.c_str());
        }
        // The service's own CA, and nothing else, vouches for it.
        httplib::SSLClient client("127.0.0.1", port);
        client.set_ca_cert_path(tlsPaths(dataDir).caCert.toLocal8Bit().constData());
        client.enable_server_certificate_verification(true);
        return client.Get(path.c_str());
    };
    const httplib::Result result = fetch();
    if (!result) {
        std::fprintf(stderr, "halvik-localservice: cannot reach the service on port %u: %s\n",
                     unsigned(port), httplib::to_string(result.error()).c_str());
        return 1;
    }
    std::fputs(result->body.c_str(), result->status == 200 ? stdout : stderr);
    return result->status == 200 ? 0 : 1;
}
