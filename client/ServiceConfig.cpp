#include "client/ServiceConfig.h"

#include "client/User.h"

#include <QFile>
#include <QUrl>

QString defaultServiceUrl()
{
    return QStringLiteral("https://api.halvik.example");
}

QString optionValue(const QStringList &args, const QString &name, bool *found)
{
    const QString flag = QStringLiteral("--") + name;
    const QString prefix = flag + QLatin1Char('=');
    if (found)
        *found = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg.startsWith(prefix)) {
            if (found)
                *found = true;
            return arg.mid(prefix.size());
        }
        if (arg == flag) {
            if (found)
                *found = true;
            return i + 1 < args.size() ? args.at(i + 1) : QString();
        }
    }
    return QString();
}

namespace {

QString setting(const QStringList &args, const QProcessEnvironment &env, const QString &option,
                const QString &variable, bool *given)
{
    bool found = false;
    const QString value = optionValue(args, option, &found);
    if (found) {
        *given = true;
        return value;
    }
    *given = env.contains(variable);
    return env.value(variable);
}

bool validServiceUrl(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && scheme == QLatin1String("https") && !url.host().isEmpty() &&
           !url.hasQuery() && !url.hasFragment();
}

} // namespace

QString serviceUrlRefusal(const QString &url)
{
    return QStringLiteral("Invalid service URL \"%1\": expected https://host[:port]").arg(url);
}

bool loadServiceConfig(const QStringList &args, const QProcessEnvironment &env,
                       ServiceConfig &config, QString &errorText)
{
    bool given = false;
    QString url = setting(args, env, QStringLiteral("service-url"),
                          QStringLiteral("HALVIK_SERVICE_URL"), &given);
    if (!given)
        url = defaultServiceUrl();
    while (url.endsWith(QLatin1Char('/')))
        url.chop(1);
    if (!validServiceUrl(url)) {
        errorText = serviceUrlRefusal(url);
        return false;
    }
    config.baseUrl = url;

    config.caFile =
        setting(args, env, QStringLiteral("ca-file"), QStringLiteral("HALVIK_CA_FILE"), &given);
    config.extraCaCertificates.clear();
    if (given) {
        QFile file(config.caFile);
        if (config.caFile.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            errorText = QStringLiteral("Cannot read CA file \"%1\"").arg(config.caFile);
            return false;
        }
        config.extraCaCertificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
        if (config.extraCaCertificates.isEmpty()) {
            errorText =
                QStringLiteral("CA file \"%1\" holds no PEM certificate").arg(config.caFile);
            return false;
        }
    }
    return true;
}

void applyServiceConfig(User &user, const ServiceConfig &config)
{
    user.baseUrl = config.baseUrl;
    user.webBaseUrl = config.baseUrl;
    user.setExtraCaCertificates(config.extraCaCertificates);
}
