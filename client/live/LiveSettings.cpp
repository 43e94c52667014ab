#include "client/live/LiveSettings.h"

#include "client/zone/RrText.h"

#include <QHostAddress>
#include <QSettings>

#include <ldns/ldns.h>

bool LiveSettings::load(LiveSettings &settings, QString &error)
{
    const QSettings stored(QStringLiteral("halvik"), QStringLiteral("halvik"));
    settings.resolver = stored.value(QStringLiteral("live/resolver")).toString();
    bool ok = false;
    const int port = stored.value(QStringLiteral("live/dnsPort"), 53).toInt(&ok);
    settings.dnsPort = ok && port > 0 && port < 65536 ? quint16(port) : 53;
    return LiveSubnets::load(LiveSubnets::userFilePath(), settings.subnets, error);
}

bool parseServerAddress(const QString &text, QString &address, quint16 &port)
{
    QString host = text.trimmed();
    QString portText;
    if (host.startsWith(QLatin1Char('['))) {
        const int close = host.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        const QString rest = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            portText = rest.mid(1);
        }
    } else if (host.count(QLatin1Char(':')) == 1) {
        portText = host.section(QLatin1Char(':'), 1);
        host = host.section(QLatin1Char(':'), 0, 0);
    }
    const QHostAddress parsed(host);
    if (parsed.isNull())
        return false;
    port = 53;
    if (!portText.isEmpty()) {
        bool ok = false;
        const int p = portText.toInt(&ok, 10);
        if (!ok || p <= 0 || p > 65535)
            return false;
        port = quint16(p);
    }
    address = parsed.toString();
    return true;
}

QString systemResolver()
{
    ldns_resolver *resolver = nullptr;
    if (ldns_resolver_new_frm_file(&resolver, nullptr) != LDNS_STATUS_OK || !resolver)
        return QString();
    QString first;
    if (ldns_resolver_nameserver_count(resolver) > 0)
        first = rdfText(ldns_resolver_nameservers(resolver)[0]);
    ldns_resolver_deep_free(resolver);
    return first;
}
