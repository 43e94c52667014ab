#include "client/ApiRequest.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/journal/Previews.h"
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

constexpr int kDomains = 1000;

// The stand-in service with a 1,000-domain account, started once, and a client signed in.
struct PlanStandIn
{
    PlanStandIn()
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
        ready = ready && user.login(loadAccountEmail(kDomains), demo::password()) &&
                user.getDomain() == kDomains;
        for (const Domain &d : user.domains) {
            names.append(d.name);
            ids.append(d.id);
        }
    }
    QTemporaryDir dir;
    std::unique_ptr<LocalService> service;
    User user;
    QStringList names;
    QList<int> ids;
    bool ready = false;
};

PlanStandIn &standIn()
{
    static PlanStandIn instance;
    return instance;
}

// The preview of a batch edit over 1,000 domains: every domain's record list read and planned
// (the domain list is already loaded, as on the batch page).
void BM_Preview1000_StandIn_Halvik(benchmark::State &state)
{
    PlanStandIn &s = standIn();
    if (!s.ready) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    BatchRequest request;
    request.kind = BatchRequest::Edit;
    request.match =
        RecordPattern{QStringLiteral("A"), QStringLiteral("@"), 0, QStringLiteral("192.0.2.1")};
    request.newValue = QStringLiteral("192.0.2.2");
    for (auto _ : state) {
        BatchPreview preview(s.user, request, s.names);
        preview.begin(false);
        while (!preview.atEnd())
            preview.runNext();
        if (preview.plan().domains.size() != kDomains || preview.networkFailed())
            state.SkipWithError("the preview came back incomplete");
    }
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_Preview1000_StandIn_Halvik)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

size_t collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

// The same 1,000 signed record-list requests by libcurl, a fresh connection each.
void BM_Preview1000_StandIn_CurlRecordLists(benchmark::State &state)
{
    PlanStandIn &s = standIn();
    if (!s.ready) {
        state.SkipWithError("the stand-in service did not start");
        return;
    }
    const QByteArray url = (s.user.baseUrl + s.user.paths.recordList).toUtf8();
    const QByteArray caFile = s.service->caFile().toLocal8Bit();
    for (auto _ : state) {
        state.PauseTiming();
        QList<QByteArray> bodies;
        for (int id : s.ids) {
            ApiParams params;
            params.insert("domainID", QString::number(id));
            params.insert("page", QStringLiteral("1"));
            params.insert("pageSize", QStringLiteral("999"));
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
                                                       : "the service refused a list");
                return;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kDomains);
}
BENCHMARK(BM_Preview1000_StandIn_CurlRecordLists)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// What journaling adds to one request of a job: the step written pending, then settled, each
// its own transaction in WAL mode.
void BM_JournalStep(benchmark::State &state)
{
    QTemporaryDir dir;
    Journal journal;
    if (!journal.open(dir.filePath(QStringLiteral("journal.sqlite")))) {
        state.SkipWithError("the journal did not open");
        return;
    }
    const qint64 job =
        journal.beginJob(QStringLiteral("bench@example.com"), QStringLiteral("batch-edit"), {});
    JournalStep step;
    step.job = job;
    step.domain = QStringLiteral("bulk1000-000001.com");
    step.op = QStringLiteral("change");
    step.before = QJsonObject{{QStringLiteral("id"), 1},
                              {QStringLiteral("host"), QStringLiteral("@")},
                              {QStringLiteral("type"), QStringLiteral("A")},
                              {QStringLiteral("value"), QStringLiteral("192.0.2.1")},
                              {QStringLiteral("ttl"), 600}};
    step.after = step.before;
    step.after.insert(QStringLiteral("value"), QStringLiteral("192.0.2.2"));
    for (auto _ : state) {
        ++step.order;
        const qint64 id = journal.addStep(step);
        if (!id || !journal.settleStep(id, StepStatus::Done, QString())) {
            state.SkipWithError("the journal refused a step");
            return;
        }
    }
    journal.finishJob(job, JobState::Done);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JournalStep)->Unit(benchmark::kMicrosecond);

} // namespace
