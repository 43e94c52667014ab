#include "localservice/dns/NameServers.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/SeedData.h"
#include "localservice/wechat/WxCommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include <pthread.h>

namespace {

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "The local stand-in for the DNS-hosting service: the whole service API over HTTPS on "
        "127.0.0.1, with a demo account, and two authoritative name servers (Knot DNS) for its "
        "domains: ns1 on 127.0.0.1 and ns2 on 127.0.0.2, UDP and TCP on one port (see "
        "--dns-port), answering per line after <data>/dns/line-subnets.txt.\n\n"
        "  halvik-localservice [options]                    run the service\n"
        "  halvik-localservice wx scan|confirm|cancel|expire  act as the phone for a WeChat QR "
        "code"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("wx (optional)"));
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Port on 127.0.0.1 (default 8443)."),
         QStringLiteral("port"), QStringLiteral("8443")},
        {QStringLiteral("data"), QStringLiteral("Data folder (default %1).").arg(defaultDataDir()),
         QStringLiteral("dir")},
        {QStringLiteral("http"), QStringLiteral("Plain HTTP instead of HTTPS, for debugging.")},
        {QStringLiteral("test-faults"),
         QStringLiteral("Serve the loopback-only fault admin paths /__test/fault and /__test/dns "
                        "(ns2=lag&seconds=N, ns2=stop, ns2=normal).")},
        {QStringLiteral("dns-port"),
         QStringLiteral("Port of both name servers (default: a free one, printed at start)."),
         QStringLiteral("port")},
        {QStringLiteral("no-dns"), QStringLiteral("Run without the name servers.")},
        {QStringLiteral("ns2-lag"),
         QStringLiteral("Fault: changes reach ns2 this many seconds late."),
         QStringLiteral("seconds")},
        {QStringLiteral("ns2-stop"), QStringLiteral("Fault: ns2 answers nothing.")},
        {QStringLiteral("seed-domains"),
         QStringLiteral("Also create an account with this many domains (bulkN@example.com)."),
         QStringLiteral("n")},
        {QStringLiteral("wx-hold"),
         QStringLiteral("Seconds a WeChat long poll waits for news (default 25)."),
         QStringLiteral("seconds"), QStringLiteral("25")},
        {QStringLiteral("uuid"), QStringLiteral("wx: the QR code (default: the newest)."),
         QStringLiteral("uuid")},
        {QStringLiteral("email"), QStringLiteral("wx confirm: sign in as this account."),
         QStringLiteral("email")},
    });
}

int readNumber(const QCommandLineParser &parser, const QString &name, int min, int max, bool *ok)
{
    bool isNumber = false;
    const int value = parser.value(name).toInt(&isNumber);
    if (!isNumber || value < min || value > max) {
        std::fprintf(stderr, "halvik-localservice: --%s must be a number from %d to %d\n",
                     name.toLocal8Bit().constData(), min, max);
        *ok = false;
    }
    return value;
}

void printBanner(const LocalService &service, int seedDomains)
{
    std::printf("halvik-localservice listening on %s\n", service.baseUrl().toUtf8().constData());
    if (!service.caFile().isEmpty())
        std::printf("CA certificate (trust it in the client): %s\n",
                    service.caFile().toUtf8().constData());
    std::printf("Data folder: %s\n", service.dataDir().toUtf8().constData());
    if (service.dnsPort() != 0)
        std::printf("name servers: ns1 127.0.0.1:%d, ns2 127.0.0.2:%d (lines: %s/dns/"
                    "line-subnets.txt)\n",
                    service.dnsPort(), service.dnsPort(), service.dataDir().toUtf8().constData());
    std::printf("Demo account: %s / %s (without API key: %s)\n", demo::email().toUtf8().constData(),
                demo::password().toUtf8().constData(), demo::noKeyEmail().toUtf8().constData());
    if (seedDomains > 0)
        std::printf("Load-test account: %s / %s with %d domains\n",
                    loadAccountEmail(seedDomains).toUtf8().constData(),
                    demo::password().toUtf8().constData(), seedDomains);
    std::printf("WeChat sign-in: the URLs that play the phone are printed when a QR code is "
                "shown.\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("halvik-localservice"));
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);

    bool ok = true;
    const int port = readNumber(parser, QStringLiteral("port"), 0, 65535, &ok);
    const int hold = readNumber(parser, QStringLiteral("wx-hold"), 1, 600, &ok);
    const int seedDomains =
        parser.isSet(QStringLiteral("seed-domains"))
            ? readNumber(parser, QStringLiteral("seed-domains"), 1, 1000000, &ok)
            : 0;
    const int dnsPort = parser.isSet(QStringLiteral("dns-port"))
                            ? readNumber(parser, QStringLiteral("dns-port"), 1, 65535, &ok)
                            : 0;
    const int ns2Lag = parser.isSet(QStringLiteral("ns2-lag"))
                           ? readNumber(parser, QStringLiteral("ns2-lag"), 0, 3600, &ok)
                           : 0;
    if (!ok)
        return 64;
    const QString dataDir = parser.isSet(QStringLiteral("data"))
                                ? parser.value(QStringLiteral("data"))
                                : defaultDataDir();
    const bool useTls = !parser.isSet(QStringLiteral("http"));

    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        const QStringList actions = {QStringLiteral("scan"), QStringLiteral("confirm"),
                                     QStringLiteral("cancel"), QStringLiteral("expire")};
        if (positional.size() != 2 || positional.at(0) != QLatin1String("wx") ||
            !actions.contains(positional.at(1))) {
            std::fprintf(stderr, "usage: halvik-localservice wx scan|confirm|cancel|expire\n");
            return 64;
        }
        return runWxCommand(positional.at(1), parser.value(QStringLiteral("uuid")),
                            parser.value(QStringLiteral("email")), dataDir, quint16(port), useTls);
    }

    // Every thread started from here on leaves SIGINT and SIGTERM to the wait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ServiceOptions options;
    options.dataDir = dataDir;
    options.port = quint16(port);
    options.useTls = useTls;
    options.testFaults = parser.isSet(QStringLiteral("test-faults"));
    options.seedDomains = seedDomains;
    options.wxPollHoldMs = hold * 1000;
    options.nameServers = !parser.isSet(QStringLiteral("no-dns"));
    options.dnsPort = quint16(dnsPort);
    options.ns2Fault.lagSecs = ns2Lag;
    options.ns2Fault.stopped = parser.isSet(QStringLiteral("ns2-stop"));
    LocalService service(options);
    QString error;
    if (!service.start(&error)) {
        std::fprintf(stderr, "halvik-localservice: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    printBanner(service, seedDomains);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::printf("Stopping.\n");
    service.stop();
    return 0;
}
