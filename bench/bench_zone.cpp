#include "client/zone/ZoneParser.h"
#include "client/zone/ZonePlanner.h"
#include "client/zone/ZoneWriter.h"

#include <ldns/ldns.h>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

// A domain at the service's limit: 999 records of every type, mostly on the default line.
QList<Record> largeDomain()
{
    QList<Record> records;
    for (int i = 0; i < 999; ++i) {
        Record r;
        r.id = i + 1;
        r.ttl = 600;
        r.mx = 10;
        r.lineID = i % 10 == 9 ? 285 : 0;
        r.host = QStringLiteral("h%1").arg(i / 3);
        switch (i % 5) {
        case 0:
            r.type = QStringLiteral("A");
            r.value = QStringLiteral("198.51.%1.%2").arg(i / 250).arg(i % 250 + 1);
            break;
        case 1:
            r.type = QStringLiteral("AAAA");
            r.value = QStringLiteral("2001:db8::%1").arg(i, 0, 16);
            break;
        case 2:
            r.type = QStringLiteral("CNAME");
            r.host = QStringLiteral("c%1").arg(i);
            r.value = QStringLiteral("cdn%1.example.net").arg(i);
            break;
        case 3:
            r.type = QStringLiteral("MX");
            r.value = QStringLiteral("mx%1.example.cn").arg(i);
            break;
        default:
            r.type = QStringLiteral("TXT");
            r.value = QStringLiteral("v=DKIM1; k=rsa; p=%1").arg(QString(200, QLatin1Char('Q')));
        }
        records.append(r);
    }
    return records;
}

const QByteArray &largeZone()
{
    static const QByteArray text = writeZone(QStringLiteral("example.cn"), largeDomain(), 0).text;
    return text;
}

// ldns alone reading text into its zone: the reference for our reading.
void ldnsAloneReads(benchmark::State &state, QByteArray text)
{
    for (auto _ : state) {
        FILE *fp = fmemopen(text.data(), size_t(text.size()), "r");
        ldns_zone *zone = nullptr;
        int line = 0;
        const ldns_status status =
            ldns_zone_new_frm_fp_l(&zone, fp, nullptr, 600, LDNS_RR_CLASS_IN, &line);
        if (status != LDNS_STATUS_OK)
            state.SkipWithError(ldns_get_errorstr_by_id(status));
        else
            state.counters["records"] = double(ldns_zone_rr_count(zone));
        ldns_zone_deep_free(zone);
        std::fclose(fp);
    }
}

void BM_ZoneRead900_LdnsAlone(benchmark::State &state)
{
    ldnsAloneReads(state, largeZone());
}
BENCHMARK(BM_ZoneRead900_LdnsAlone)->Unit(benchmark::kMicrosecond);

void BM_ZoneRead900_Halvik(benchmark::State &state)
{
    const QByteArray text = largeZone();
    for (auto _ : state)
        state.counters["records"] =
            parseZoneText(text, QStringLiteral("example.cn")).records.size();
}
BENCHMARK(BM_ZoneRead900_Halvik)->Unit(benchmark::kMicrosecond);

void BM_ZonePlan900Against999(benchmark::State &state)
{
    const ZoneFile file = parseZoneText(largeZone(), QStringLiteral("example.cn"));
    const QList<Record> live = largeDomain();
    for (auto _ : state)
        benchmark::DoNotOptimize(planZoneImport(file, QStringLiteral("example.cn"), live, 0, true));
}
BENCHMARK(BM_ZonePlan900Against999)->Unit(benchmark::kMicrosecond);

// 100,000 A records all on one name (a file of many addresses for one host): the shape that
// made planning grow with the square of the records.
const QByteArray &oneNameZone()
{
    static const QByteArray text = [] {
        QByteArray t("$ORIGIN example.cn.\n$TTL 600\n");
        for (int i = 0; i < 100000; ++i)
            t += "www\tIN\tA\t10." + QByteArray::number(i >> 16) + '.' +
                 QByteArray::number((i >> 8) & 255) + '.' + QByteArray::number(i & 255) + '\n';
        return t;
    }();
    return text;
}

// What the domain holds on that name: a list's worth (999), half of them in the file.
QList<Record> oneNameLive()
{
    QList<Record> live;
    for (int i = 0; i < 999; ++i) {
        Record r;
        r.id = i + 1;
        r.host = QStringLiteral("www");
        r.type = QStringLiteral("A");
        r.ttl = 600;
        r.value = i % 2 ? QStringLiteral("10.0.%1.%2").arg(i >> 8).arg(i & 255)
                        : QStringLiteral("192.0.%1.%2").arg(i >> 8).arg(i & 255);
        live.append(r);
    }
    return live;
}

void BM_ZoneOneName100k_LdnsAlone(benchmark::State &state)
{
    ldnsAloneReads(state, oneNameZone());
}
BENCHMARK(BM_ZoneOneName100k_LdnsAlone)->Unit(benchmark::kMillisecond);

// The import's preview of the same text: read, checked and planned against the live records.
void BM_ZoneOneName100k_Preview(benchmark::State &state)
{
    const QByteArray text = oneNameZone();
    const QList<Record> live = oneNameLive();
    for (auto _ : state) {
        const ZoneFile file = parseZoneText(text, QStringLiteral("example.cn"));
        const ChangePlan plan = planZoneImport(file, QStringLiteral("example.cn"), live, 0, true);
        state.counters["records"] = double(file.records.size());
        state.counters["steps"] = double(plan.domains.first().steps.size());
    }
}
BENCHMARK(BM_ZoneOneName100k_Preview)->Unit(benchmark::kMillisecond);

void BM_ZoneWrite999(benchmark::State &state)
{
    const QList<Record> live = largeDomain();
    for (auto _ : state)
        benchmark::DoNotOptimize(writeZone(QStringLiteral("example.cn"), live, 0));
}
BENCHMARK(BM_ZoneWrite999)->Unit(benchmark::kMicrosecond);

} // namespace
