#include "bench/BenchData.h"
#include "bench/StandInBench.h"
#include "client/User.h"
#include "tests/support/TestHttpsServer.h"

#include <QSslCertificate>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kDomains = 10000;
constexpr int kPages = kDomains / 50;

// Serves an account of kDomains domains over HTTPS from prepared page bodies.
class CannedAccount
{
public:
    CannedAccount()
    {
        for (int page = 1; page <= kPages; ++page)
            m_pages.append(domainPageBody(page, kDomains));
        const QList<QByteArray> pages = m_pages;
        server.setRecording(false);
        server.setResponder(QStringLiteral("/api/domain/list/"), [pages](const CapturedRequest &r) {
            CannedReply reply;
            const int page = qBound(1, r.form.value("page", QStringLiteral("1")).toInt(), kPages);
            reply.body = pages.at(page - 1);
            return reply;
        });
        CannedReply views;
        views.body = allViewsBody();
        server.setReply(QStringLiteral("/api/service/allviews/"), views);
    }
    TestHttpsServer server;

private:
    QList<QByteArray> m_pages;
};

CannedAccount &account()
{
    static CannedAccount instance;
    return instance;
}

// The whole domain list through the service client: signed requests, one connection each.
void BM_GetDomain10k_HalvikClient(benchmark::State &state)
{
    CannedAccount &acc = account();
    for (auto _ : state) {
        User user;
        user.baseUrl = acc.server.baseUrl();
        user.setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()));
        user.apiKey = QStringLiteral("0123456789abcdef");
        user.apiSecret = QStringLiteral("fedcba9876543210fedcba9876543210");
        const int total = user.getDomain();
        if (total != kDomains || user.domains.size() != kDomains)
            state.SkipWithError("the domain list came back incomplete");
    }
    state.counters["requests"] = kPages + 1;
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_GetDomain10k_HalvikClient)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same pages fetched by libcurl, a fresh connection per page, without parsing.
void BM_GetDomain10k_CurlPages(benchmark::State &state)
{
    CannedAccount &acc = account();
    const QByteArray url = (acc.server.baseUrl() + QStringLiteral("/api/domain/list/")).toUtf8();
    QList<CurlPost> pages;
    for (int page = 1; page <= kPages; ++page)
        pages.append({url, "pageSize=50&page=" + QByteArray::number(page)});
    for (auto _ : state) {
        if (curlPostEach(pages, TestHttpsServer::caFile()).succeeded != kPages) {
            state.SkipWithError("a page failed");
            return;
        }
    }
    state.counters["requests"] = kPages;
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_GetDomain10k_CurlPages)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
