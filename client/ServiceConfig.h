#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QSslCertificate>
#include <QString>
#include <QStringList>

class User;

// Where the service lives and which extra CA certificates are trusted for it.
struct ServiceConfig
{
    QString baseUrl;
    QString caFile;
    QList<QSslCertificate> extraCaCertificates;
};

// The built-in service address, used when nothing overrides it.
QString defaultServiceUrl();

// The refusal of a service URL that is not https://host[:port].
QString serviceUrlRefusal(const QString &url);

// Reads --service-url / --ca-file (also as --opt=value) from args, falling back to
// HALVIK_SERVICE_URL / HALVIK_CA_FILE. A malformed URL or a CA file that cannot be read or
// holds no certificate is an error: false with the reason in errorText.
bool loadServiceConfig(const QStringList &args, const QProcessEnvironment &env,
                       ServiceConfig &config, QString &errorText);

// Points user at the configured service (both base URLs) and trusts its CA certificates.
void applyServiceConfig(User &user, const ServiceConfig &config);

// The value of --name or --name=value in args; empty when absent. found tells them apart.
QString optionValue(const QStringList &args, const QString &name, bool *found = nullptr);
