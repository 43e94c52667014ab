#include "client/ApiRequest.h"
#include "client/User.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/SeedData.h"

#include <QDateTime>
#include <QSslCertificate>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <memory>
#include <string>

namespace {

constexpr int kDomains = 10000;
constexpr int kPages = kDomains / 50;

// The stand-in service with an account of kDomains domains, started once for the run, and a
// client signed in to it (for the credentials that sign every request).
struct StandIn
{
    StandIn()
    {
        ServiceOptions options;
        options.dataDir = dir.path();
        options.port = 0;
        options.seedDemo = false;
        options.seedDomains = kDomains;
        options.log = [](const QString &) {};
        service = std::make_unique<LocalService>(options);
        QString error;
        ready = service->start(&error);
        user.baseUrl = service->baseUrl();
        user.setExtraCaCertificates(QSslCertificate::fromPath(service->caFile()));
        ready = ready && user.login(loadAccountEmail(kDomains), demo::password());
    }
    QTemporaryDir dir;
    std::unique_ptr<LocalService> service;
    User user;
    bool ready = false;
};

StandIn &standIn()
{
    static StandIn instance;
    return instance;
}

void BM_GetDomain10k_StandIn_HalvikClient(benchmark::State &state)
{
    StandIn &s = standIn();
    if (!s.ready) {
        state.SkipWithError("the stand-in service did not start");
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

size_t collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

// The same signed page requests sent by libcurl, a fresh connection per page.
void BM_GetDomain10k_StandIn_CurlPages(benchmark::State &state)
{
    StandIn &s = standIn();
    if (!s.ready) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    const QByteArray url = (s.user.baseUrl + s.user.paths.domainList).toUtf8();
    const QByteArray caFile = s.service->caFile().toLocal8Bit();
    for (auto _ : state) {
        state.PauseTiming();
        QList<QByteArray> bodies;
        for (int page = 1; page <= kPages; ++page) {
            ApiParams params;
            params.insert("pageSize", QStringLiteral("50"));
            if (page > 1)
                params.insert("page", QString::number(page));
            prepareParams(params, true, QDateTime::currentSecsSinceEpoch(), s.user.apiKey,
                          s.user.apiSecret);
            bodies.append(encodeFormBody(params));
        }
        state.ResumeTiming();
        for (const QByteArray &form : bodies) {
            CURL *curl = curl_easy_init();
            std::string body;
            curl_easy_setopt(curl, CURLOPT_URL, url.constData());
            curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.constData());
            curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
            curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
            const CURLcode result = curl_easy_perform(curl);
            curl_easy_cleanup(curl);
            if (result != CURLE_OK || body.find("\"code\":0") == std::string::npos) {
                state.SkipWithError(result != CURLE_OK ? curl_easy_strerror(result)
                                                       : "the service refused a page");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_GetDomain10k_StandIn_CurlPages)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
