#include "bench/StandInBench.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/plan/Previews.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kDomains = 1000;

struct PlanStandIn
{
    PlanStandIn()
    {
        for (const Domain &d : user.domains)
            names.append(d.name);
    }
    User user;
    BenchStandIn service{user, kDomains};
    QStringList names;
};

// The stand-in with a 1,000-domain account, started once for the run.
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
    if (!s.service.ready()) {
        state.SkipWithError(qPrintable(s.service.errorText()));
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

// The same 1,000 signed record-list requests by libcurl, a fresh connection each.
void BM_Preview1000_StandIn_CurlRecordLists(benchmark::State &state)
{
    PlanStandIn &s = standIn();
    timeCurlPosts(state, s.service, [&s] { return s.service.recordListPosts(); });
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
