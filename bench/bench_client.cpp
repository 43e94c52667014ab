#include "bench/BenchData.h"
#include "client/ApiRequest.h"
#include "client/LineList.h"
#include "client/ReplyReaders.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

namespace {

QJsonValue dataOf(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object().value(QStringLiteral("data"));
}

// The parameters of one record creation, signed and encoded as doAPI does it.
void BM_SignAndEncodeRequest(benchmark::State &state)
{
    ApiParams base;
    base.insert("domainID", QStringLiteral("123456"));
    base.insert("type", QStringLiteral("TXT"));
    base.insert("viewID", QStringLiteral("286736640"));
    base.insert("host", QStringLiteral("_verify"));
    base.insert("value", QStringLiteral("v=spf1 include:mail.example.cn ~all 中文说明"));
    base.insert("ttl", QStringLiteral("600"));
    base.insert("mx", QStringLiteral("10"));
    for (auto _ : state) {
        ApiParams params = base;
        prepareParams(params, true, 1700000000, QStringLiteral("0123456789abcdef"),
                      QStringLiteral("fedcba9876543210fedcba9876543210"));
        benchmark::DoNotOptimize(encodeFormBody(params));
    }
}
BENCHMARK(BM_SignAndEncodeRequest);

// Reply text to domains: JSON parsing included, as every reply goes through it.
void BM_ParseDomainPage50(benchmark::State &state)
{
    const QByteArray body = domainPageBody(1, 10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(readDomainPage(dataOf(body)));
    state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_ParseDomainPage50);

void BM_ParseRecordList999(benchmark::State &state)
{
    const QByteArray body = recordListBody(999, 1200);
    for (auto _ : state)
        benchmark::DoNotOptimize(readRecordPage(dataOf(body)));
    state.SetItemsProcessed(state.iterations() * 999);
}
BENCHMARK(BM_ParseRecordList999)->Unit(benchmark::kMicrosecond);

void BM_ParseFullLineList(benchmark::State &state)
{
    const QByteArray body = allViewsBody();
    for (auto _ : state)
        benchmark::DoNotOptimize(readAllViews(dataOf(body)));
}
BENCHMARK(BM_ParseFullLineList)->Unit(benchmark::kMicrosecond);

// What every new package type costs a domain list: the flat filtered line list.
void BM_FilterLinesByType(benchmark::State &state)
{
    const QList<View> all = readAllViews(dataOf(allViewsBody()));
    for (auto _ : state)
        benchmark::DoNotOptimize(filterViewsByType(all, QStringLiteral("1,2,3")));
}
BENCHMARK(BM_FilterLinesByType);

} // namespace
