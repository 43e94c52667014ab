#include "cli/CliCommands.h"
#include "cli/CliPlanFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/NameLines.h"
#include "client/plan/Previews.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <algorithm>

namespace {

// The domains a batch works on, from its operands or --domains-file; false with the exit code.
bool domainList(const CliSession &s, QStringList &names, int &exit)
{
    const bool fromFile = s.invocation.options.contains(QStringLiteral("domains-file"));
    if (fromFile == !s.invocation.operands.isEmpty()) {
        exit = s.usage(fromFile ? QStringLiteral("give domains or --domains-file, not both")
                                : QStringLiteral("give domains or --domains-file"));
        return false;
    }
    QString text = s.invocation.operands.join(QLatin1Char('\n'));
    if (fromFile) {
        const QString path = s.option("domains-file");
        QByteArray data;
        if (path == QLatin1String("-")) {
            data = readStandardInput();
        } else {
            QFile file(path);
            if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
                printErr(QStringLiteral("halvik-cli: cannot read the domains file %1: %2\n")
                             .arg(path, QFileInfo(path).isDir() ? QStringLiteral("is a folder")
                                                                : file.errorString()));
                exit = ExitUsage;
                return false;
            }
            data = file.readAll();
        }
        text = QString::fromUtf8(data);
    }
    names = cleanDomainList(text);
    if (names.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: the domain list is empty; nothing to do\n"));
        exit = ExitUsage;
        return false;
    }
    return true;
}

BatchRequest batchRequest(const CliSession &s)
{
    BatchRequest r;
    const QString verb = s.invocation.command.section(QLatin1Char(' '), 1);
    r.kind = verb == QLatin1String("add")    ? BatchRequest::Add
             : verb == QLatin1String("edit") ? BatchRequest::Edit
                                             : BatchRequest::Delete;
    r.match.host = s.option("host", QStringLiteral("@"));
    r.match.type = s.option("type", QStringLiteral("A")).toUpper();
    r.match.lineID = s.option("line", QStringLiteral("0")).toInt();
    r.match.value = s.option("value");
    r.ttl = s.option("ttl", QStringLiteral("600")).toInt();
    r.mx = s.option("mx", QStringLiteral("10")).toInt();
    r.newHost = s.option("new-host");
    r.newType = s.option("new-type").toUpper();
    r.newValue = s.option("new-value");
    r.newLine = s.option("new-line");
    r.newTtl = s.option("new-ttl");
    r.newMx = s.option("new-mx");
    return r;
}

// Whether a step cannot be carried out as asked: it sends nothing, and not because the record
// already is as asked.
bool blockedStep(const PlanStep &step)
{
    return !opSendsRequest(step.op) && step.op != StepOps::Unchanged &&
           step.op != StepOps::AlreadyReverted;
}

bool hasBlockedSteps(const ChangePlan &plan)
{
    for (const DomainPlan &d : plan.domains) {
        if (std::any_of(d.steps.cbegin(), d.steps.cend(), blockedStep))
            return true;
    }
    return false;
}

// Steps of the plan that will not be carried out, one line each on standard error.
bool reportProblems(const ChangePlan &plan)
{
    bool any = false;
    for (const DomainPlan &d : plan.domains) {
        for (const PlanStep &step : d.steps) {
            if (!blockedStep(step))
                continue;
            QString why = step.problem;
            // An undo's conflict names what stands there now, as the window shows beside it.
            if (step.op == StepOps::Conflict && !step.now.isEmpty())
                why += QStringLiteral(" (now: %1)").arg(stepSideText(step.now));
            printErr(QStringLiteral("halvik-cli: %1: %2 %3\n").arg(d.domain, step.op, why));
            any = true;
        }
    }
    return any;
}

// Prints plan; with --apply runs it as a journaled job. Returns the exit code.
int showOrApply(CliSession &s, Journal &journal, const ChangePlan &plan, bool previewNoAnswer,
                const QString &kind, const QString &summary, qint64 undoes)
{
    const bool apply = s.hasFlag("apply");
    if (!apply || !s.json())
        s.print(planJson(plan), planTable(plan));
    // A preview exits as its --apply would for the steps it cannot carry out: one rule for
    // every plan, zone import's included.
    if (!apply)
        return previewNoAnswer ? ExitNetwork : hasBlockedSteps(plan) ? ExitRefused : ExitOk;
    if (!plan.warnings.isEmpty() && !s.hasFlag("yes")) {
        for (const PlanWarning &w : plan.warnings)
            printErr(QStringLiteral("halvik-cli: warning %1: %2\n").arg(w.code, w.text));
        printErr(QStringLiteral("halvik-cli: the plan trips a warning; nothing changed (--yes "
                                "applies it anyway)\n"));
        return ExitRefused;
    }
    const bool problems = reportProblems(plan);
    if (!plan.changesAnything()) {
        printErr(QStringLiteral("halvik-cli: nothing to change\n"));
        return previewNoAnswer ? ExitNetwork : problems ? ExitRefused : ExitOk;
    }

    const PlanRun run = runPlan(s.user, journal, plan, kind, summary, {}, undoes);
    if (!run.jobId) {
        printErr(QStringLiteral("halvik-cli: cannot write the journal, nothing changed: %1\n")
                     .arg(run.errorText));
        return ExitRefused;
    }
    int exit = problems ? ExitRefused : ExitOk;
    for (const StepOutcome &o : run.outcomes) {
        if (o.status == StepStatus::Done || o.status == StepStatus::AlreadyReverted)
            continue;
        if (opSendsRequest(o.step.op))
            printErr(QStringLiteral("halvik-cli: %1: %2 %3: %4\n")
                         .arg(o.domain, o.step.op, o.status, o.error));
        exit = qMax(exit, int(ExitRefused));
    }
    if (!run.errorText.isEmpty())
        printErr(
            QStringLiteral("halvik-cli: the journal failed, job stopped: %1\n").arg(run.errorText));
    if (run.gaveUp)
        printErr(gaveUpText(run));
    if (run.networkFailed || previewNoAnswer)
        exit = ExitNetwork;
    const JournalJob job = journal.job(run.jobId);
    s.print(jobJson(job), QStringLiteral("job %1: %2\n").arg(run.jobId).arg(run.state));
    return exit;
}

} // namespace

int cmdBatch(CliSession &s)
{
    QStringList names;
    int exit = ExitOk;
    if (!domainList(s, names, exit))
        return exit;
    const BatchRequest request = batchRequest(s);
    if (request.match.value.trimmed().isEmpty())
        return s.usage(QStringLiteral("--value must not be empty"));
    Journal journal;
    // Before the first request: no change goes out unjournaled.
    if (s.hasFlag("apply") && !openJournal(journal, true, exit))
        return exit;

    BatchPreview preview(s.user, request, names);
    if (!preview.begin()) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(preview.errorText()));
        return preview.networkFailed() ? ExitNetwork : ExitRefused;
    }
    while (!preview.atEnd())
        preview.runNext();
    if (preview.gaveUp())
        printErr(QStringLiteral("halvik-cli: no answer from the service %1 times in a row; the "
                                "domains after that were not read\n")
                     .arg(DomainPreview::kNoAnswersToStop));
    const QString summary =
        QStringLiteral("%1 %2 %3 %4: %5 domains")
            .arg(s.invocation.command, request.match.host, request.match.type, request.match.value)
            .arg(names.size());
    return showOrApply(s, journal, preview.plan(), preview.networkFailed(),
                       batchKindName(request.kind), summary, 0);
}

int cmdJobs(CliSession &s)
{
    Journal journal;
    QList<JournalJob> jobs;
    // No journal yet: no jobs.
    if (QFileInfo::exists(Journal::defaultPath())) {
        int exit = ExitOk;
        if (!openJournal(journal, false, exit))
            return exit;
        const QString account = s.invocation.emailGiven
                                    ? s.invocation.email
                                    : s.environment.value(QStringLiteral("HALVIK_EMAIL"));
        jobs = journal.jobs(account);
    }
    QJsonArray array;
    for (const JournalJob &j : jobs)
        array.append(jobJson(j));
    s.print(array, jobsTable(jobs));
    return ExitOk;
}

int cmdJobShow(CliSession &s)
{
    Journal journal;
    JournalJob job;
    int exit = ExitOk;
    if (!openJournalJob(s, journal, job, exit))
        return exit;
    const QList<JournalStep> steps = journal.steps(job.id);
    QJsonObject o = jobJson(job);
    QJsonArray array;
    for (const JournalStep &step : steps)
        array.append(stepJson(step));
    o.insert(QStringLiteral("steps"), array);
    s.print(o, jobsTable({job}) + QLatin1Char('\n') + stepsTable(steps));
    return ExitOk;
}

int cmdUndo(CliSession &s)
{
    Journal journal;
    int exit = ExitOk;
    if (!openJournal(journal, s.hasFlag("apply"), exit))
        return exit;
    const qint64 id = s.invocation.operands.at(0).toLongLong();
    UndoPreview preview(s.user, journal, id, s.hasFlag("force"));
    if (!preview.begin()) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(preview.errorText()));
        return preview.networkFailed() ? ExitNetwork : ExitRefused;
    }
    while (!preview.atEnd())
        preview.runNext();
    return showOrApply(s, journal, preview.plan(), preview.networkFailed(), QStringLiteral("undo"),
                       QStringLiteral("undo %1 (%2)").arg(id).arg(preview.job().summary), id);
}
