#include "client/journal/RunPlan.h"

#include "client/User.h"
#include "client/journal/Journal.h"

PlanRun runPlan(User &user, Journal &journal, const ChangePlan &plan, const QString &kind,
                const QString &summary, const RunControl &control, qint64 undoes)
{
    PlanRun run;
    // After a WeChat sign-in the account is known by the e-mail of its details.
    if (user.email.isEmpty() && user.userDetail.isEmpty())
        user.getUserDetail();
    JournalRunner runner(user, journal);
    if (!runner.start(plan, kind, summary, journalAccount(user), undoes)) {
        run.errorText = runner.errorText();
        return run;
    }
    bool stopped = false;
    while (!runner.atEnd()) {
        if (control.progress)
            control.progress(runner.position(), runner.total());
        if (control.stopAsked && control.stopAsked()) {
            stopped = true;
            break;
        }
        runner.runNext();
    }
    if (control.progress)
        control.progress(runner.position(), runner.total());
    run.jobId = runner.jobId();
    run.state = runner.finish(stopped);
    run.outcomes = runner.outcomes();
    run.errorText = runner.errorText();
    run.networkFailed = runner.networkFailed();
    return run;
}

QString outcomeSummary(const QList<StepOutcome> &outcomes)
{
    int done = 0;
    int failed = 0;
    int skipped = 0;
    for (const StepOutcome &o : outcomes) {
        if (o.status == StepStatus::Done || o.status == StepStatus::AlreadyReverted)
            ++done;
        else if (o.status == StepStatus::Skipped)
            ++skipped;
        else if (opSendsRequest(o.step.op))
            ++failed;
    }
    QString text = QStringLiteral("已完成 %1 步，失败 %2 步").arg(done).arg(failed);
    if (skipped)
        text += QStringLiteral("，%1 步因预览后记录已变更而跳过").arg(skipped);
    return text;
}

QString zoneImportSummary(const QString &domain, int lineID, bool prune, const QString &fileName)
{
    return QStringLiteral("zone import %1 line %2%3: %4")
        .arg(domain)
        .arg(lineID)
        .arg(prune ? QStringLiteral(" --prune") : QString(), fileName);
}
