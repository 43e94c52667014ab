#include "cli/CliLiveSettings.h"

#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/live/LiveSettings.h"

bool commandLiveSettings(const CliSession &s, LiveSettings &settings, int &exit)
{
    QString error;
    if (!LiveSettings::load(settings, error)) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(error));
        exit = ExitRefused;
        return false;
    }
    const QMap<QString, QString> &options = s.invocation.options;
    const QString usage = usageOf(s.invocation.command);
    if (options.contains(QStringLiteral("resolver"))) {
        const QString resolver = options.value(QStringLiteral("resolver"));
        QString address;
        quint16 port = 53;
        if (!parseServerAddress(resolver, address, port)) {
            printErr(QStringLiteral("halvik-cli: --resolver takes ADDRESS[:PORT], not \"%1\"\n%2\n")
                         .arg(resolver, usage));
            exit = ExitUsage;
            return false;
        }
        settings.resolver = resolver;
    }
    if (options.contains(QStringLiteral("dns-port"))) {
        bool ok = false;
        const int port = options.value(QStringLiteral("dns-port")).toInt(&ok, 10);
        if (!ok || port <= 0 || port > 65535) {
            printErr(QStringLiteral("halvik-cli: --dns-port takes a port from 1 to 65535\n%1\n")
                         .arg(usage));
            exit = ExitUsage;
            return false;
        }
        settings.dnsPort = quint16(port);
    }
    return true;
}
