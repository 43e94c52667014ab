// Writes the local copy over and over from a process of its own, for the local copy test's two
// writers at once: says "ready", waits for a line on standard input, opens the copy, then
// stores its domains' records (each store reads the records held, then writes) many times.
// Exits 0 when every write succeeded, 1 with the copy's error otherwise.
#include "client/copy/LocalCopy.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 3;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int first = QByteArray(argv[2]).toInt(); // this writer's first domain id
    const int rounds = QByteArray(argv[3]).toInt();
    std::printf("ready\n");
    std::fflush(stdout);
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    in.readLine();
    // Opened after the go: two processes may make a new file at once.
    LocalCopy copy;
    if (!copy.open(path) || !copy.setAccount(QStringLiteral("ops@example.com"))) {
        std::fprintf(stderr, "%s\n", qPrintable(copy.errorText()));
        return 1;
    }

    constexpr int kDomains = 4;
    constexpr int kRecords = 20;
    for (int round = 0; round < rounds; ++round) {
        QList<CopyDomain> domains;
        for (int d = 0; d < kDomains; ++d)
            domains.append({first + d, QStringLiteral("w%1.cn").arg(first + d), {}, {}});
        bool ok = copy.storeDomains(domains, false);
        for (int d = 0; ok && d < kDomains; ++d) {
            QList<Record> records;
            for (int i = 0; i < kRecords; ++i) {
                Record r;
                r.id = (first + d) * 100 + i;
                r.host = QStringLiteral("h%1").arg(i);
                r.type = QStringLiteral("A");
                // A new value every round: nothing is left unwritten as unchanged.
                r.value = QStringLiteral("10.%1.%2.%3").arg(round % 250).arg(d).arg(i);
                r.ttl = 600;
                records.append(r);
            }
            ok = copy.storeRecords(first + d, records, QDateTime::currentDateTimeUtc());
        }
        if (!ok) {
            std::fprintf(stderr, "round %d: %s\n", round, qPrintable(copy.errorText()));
            return 1;
        }
    }
    return 0;
}
