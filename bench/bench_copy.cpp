#include "bench/StandInBench.h"
#include "client/User.h"
#include "client/copy/CopyRefresh.h"
#include "client/copy/LocalCopy.h"
#include "localservice/storage/SeedData.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kDomains = 10000;
constexpr int kRecordsPerDomain = 20;

// The records of domain i, the same in the synthetic copy and in the stand-in service: an
// apex address, www, mail, SPF, IPv6, and 15 hosts on 172.16.(i % 16).0/24.
QList<Record> recordsOf(int i)
{
    auto make = [](int id, const QString &host, const QString &type, const QString &value) {
        Record r;
        r.id = id;
        r.host = host;
        r.type = type;
        r.value = value;
        r.viewName = QStringLiteral("默认");
        r.ttl = 600;
        r.mx = 10;
        return r;
    };
    const QString name = QStringLiteral("bench-%1.com").arg(i, 6, 10, QLatin1Char('0'));
    const QString net = QStringLiteral("10.%1.%2").arg((i >> 8) & 255).arg(i & 255);
    const int base = i * kRecordsPerDomain;
    QList<Record> out{
        make(base + 1, QStringLiteral("@"), QStringLiteral("A"), net + QStringLiteral(".1")),
        make(base + 2, QStringLiteral("www"), QStringLiteral("CNAME"), name + QLatin1Char('.')),
        make(base + 3, QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mail.") + name),
        make(base + 4, QStringLiteral("@"), QStringLiteral("TXT"),
             QStringLiteral("v=spf1 ip4:%1.0/24 -all").arg(net)),
        make(base + 5, QStringLiteral("v6"), QStringLiteral("AAAA"),
             QStringLiteral("2001:db8:%1::1").arg(i, 0, 16))};
    for (int k = 5; k < kRecordsPerDomain; ++k)
        out.append(make(base + k + 1, QStringLiteral("h%1").arg(k), QStringLiteral("A"),
                        QStringLiteral("172.16.%1.%2").arg(i % 16).arg(k)));
    return out;
}

// A copy of 10,000 domains x 20 records, built once for the run.
struct BigCopy
{
    BigCopy()
    {
        ok = copy.open(dir.filePath(QStringLiteral("copy.sqlite"))) &&
             copy.setAccount(QStringLiteral("bench@example.com"));
        QList<CopyDomain> domains;
        for (int i = 0; i < kDomains; ++i)
            domains.append(CopyDomain{
                i + 1, QStringLiteral("bench-%1.com").arg(i, 6, 10, QLatin1Char('0')), {}, {}});
        ok = ok && copy.storeDomains(domains, true);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        for (int i = 0; ok && i < kDomains; ++i)
            ok = copy.storeRecords(i + 1, recordsOf(i), now);
    }
    QTemporaryDir dir;
    LocalCopy copy;
    bool ok = false;
};

BigCopy &bigCopy()
{
    static BigCopy instance;
    return instance;
}

void runSearch(benchmark::State &state, const SearchQuery &query)
{
    BigCopy &big = bigCopy();
    if (!big.ok) {
        state.SkipWithError("the copy could not be built");
        return;
    }
    QVector<CopyHit> hits;
    QString error;
    for (auto _ : state) {
        if (!big.copy.search(query, hits, error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["hits"] = hits.size();
    state.counters["fileMB"] = double(QFileInfo(big.copy.path()).size() +
                                      QFileInfo(big.copy.path() + QStringLiteral("-wal")).size()) /
                               (1024.0 * 1024.0);
}

void BM_CopySearch200k_ExactValue(benchmark::State &state)
{
    runSearch(state, {QStringLiteral("172.16.3.7"), false, {}, -1});
}
BENCHMARK(BM_CopySearch200k_ExactValue)->Unit(benchmark::kMillisecond);

void BM_CopySearch200k_Range24(benchmark::State &state)
{
    runSearch(state, {QStringLiteral("172.16.3.0/24"), false, {}, -1});
}
BENCHMARK(BM_CopySearch200k_Range24)->Unit(benchmark::kMillisecond);

void BM_CopySearch200k_Contains(benchmark::State &state)
{
    runSearch(state, {QStringLiteral("bench-0042"), true, {}, -1});
}
BENCHMARK(BM_CopySearch200k_Contains)->Unit(benchmark::kMillisecond);

void BM_CopySearch200k_FullName(benchmark::State &state)
{
    runSearch(state, {QStringLiteral("WWW.bench-004242.com."), false, {}, -1});
}
BENCHMARK(BM_CopySearch200k_FullName)->Unit(benchmark::kMillisecond);

// Writing one domain's 20 records as a refresh does (one transaction), every record new.
void BM_CopyStoreDomain20(benchmark::State &state)
{
    BigCopy &big = bigCopy();
    const QList<Record> sets[] = {recordsOf(7), recordsOf(9)};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int turn = 0;
    for (auto _ : state) {
        if (!big.copy.storeRecords(8, sets[turn++ % 2], now))
            state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_CopyStoreDomain20)->Unit(benchmark::kMicrosecond);

// The same, read again unchanged: what most domains of a later refresh are.
void BM_CopyStoreDomain20_Unchanged(benchmark::State &state)
{
    BigCopy &big = bigCopy();
    const QList<Record> records = recordsOf(7);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (auto _ : state) {
        if (!big.copy.storeRecords(8, records, now))
            state.SkipWithError("the write failed");
    }
}
BENCHMARK(BM_CopyStoreDomain20_Unchanged)->Unit(benchmark::kMicrosecond);

// --- A refresh against the stand-in, beside curl fetching the same record lists ------------

// Domains of the refresh pair; each request costs the same, so the ratio holds for 10,000.
int refreshDomains()
{
    const int n = qEnvironmentVariableIntValue("HALVIK_BENCH_REFRESH_DOMAINS");
    return n > 0 ? n : 1000;
}

// The stand-in's account of refreshDomains() domains, each holding the records recordsOf()
// gives, started once for the run.
struct RecordsStandIn
{
    User user;
    BenchStandIn service{user, refreshDomains(), [](SeedSet &seed) {
                             QList<SeedAccount::Domain> &domains = seed.accounts.first().domains;
                             for (int i = 0; i < domains.size(); ++i) {
                                 domains[i].records.clear();
                                 for (const Record &r : recordsOf(i)) {
                                     RecordRow row;
                                     row.host = r.host;
                                     row.type = r.type;
                                     row.value = r.value;
                                     domains[i].records.append(row);
                                 }
                             }
                         }};
};

RecordsStandIn &recordsStandIn()
{
    static RecordsStandIn instance;
    return instance;
}

void BM_CopyRefresh_StandIn_HalvikClient(benchmark::State &state)
{
    RecordsStandIn &s = recordsStandIn();
    if (!s.service.ready()) {
        state.SkipWithError(qPrintable(s.service.errorText()));
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        LocalCopy copy;
        copy.open(dir.filePath(QStringLiteral("copy.sqlite")));
        copy.setAccount(s.user.email);
        CopyRefresh refresh(s.user, copy);
        state.ResumeTiming();
        const CopyRefresh::Outcome outcome = refresh.run();
        if (outcome.failed || outcome.done != refreshDomains()) {
            const QString why = QStringLiteral("the refresh read %1 of %2 domains, %3 failed: %4")
                                    .arg(outcome.done - outcome.failed)
                                    .arg(refreshDomains())
                                    .arg(outcome.failed)
                                    .arg(outcome.error);
            state.SkipWithError(qPrintable(why));
            return;
        }
        state.PauseTiming();
        state.counters["records"] = copy.recordCount();
        state.ResumeTiming();
    }
    state.counters["domains"] = refreshDomains();
}
BENCHMARK(BM_CopyRefresh_StandIn_HalvikClient)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The domain list pages and every domain's record list sent by libcurl, a fresh connection
// each, bodies not parsed or stored.
void BM_CopyRefresh_StandIn_CurlRecordLists(benchmark::State &state)
{
    RecordsStandIn &s = recordsStandIn();
    timeCurlPosts(state, s.service,
                  [&s] { return s.service.domainPagePosts() + s.service.recordListPosts(); });
    state.counters["domains"] = refreshDomains();
}
BENCHMARK(BM_CopyRefresh_StandIn_CurlRecordLists)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace
