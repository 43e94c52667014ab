#include "bench/StandInBench.h"
#include "client/User.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kDomains = 10000;

struct StandIn
{
    User user;
    BenchStandIn service{user, kDomains};
};

// The stand-in with an account of kDomains domains, started once for the run.
StandIn &standIn()
{
    static StandIn instance;
    return instance;
}

void BM_GetDomain10k_StandIn_HalvikClient(benchmark::State &state)
{
    StandIn &s = standIn();
    if (!s.service.ready()) {
        state.SkipWithError(qPrintable(s.service.errorText()));
        return;
    }
    for (auto _ : state) {
        if (s.user.getDomain() != kDomains || s.user.domains.size() != kDomains)
            state.SkipWithError("the domain list came back incomplete");
    }
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_GetDomain10k_StandIn_HalvikClient)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same signed page requests sent by libcurl, a fresh connection per page.
void BM_GetDomain10k_StandIn_CurlPages(benchmark::State &state)
{
    StandIn &s = standIn();
    timeCurlPosts(state, s.service, [&s] { return s.service.domainPagePosts(); });
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_GetDomain10k_StandIn_CurlPages)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
