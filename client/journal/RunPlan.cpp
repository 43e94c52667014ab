#include "client/journal/RunPlan.h"

#include "client/User.h"
#include "client/journal/Journal.h"

#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QStringList>

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
    run.gaveUp = runner.gaveUp();
    run.stoppedAt = runner.stoppedAt();
    run.total = runner.total();
    return run;
}

QString outcomeSummary(const QList<StepOutcome> &outcomes)
{
    int done = 0;
    int failed = 0;
    int unknown = 0;
    QMap<NotSent, int> notSent;
    for (const StepOutcome &o : outcomes) {
        if (o.status == StepStatus::Done || o.status == StepStatus::AlreadyReverted)
            ++done;
        else if (o.notSent != NotSent::No)
            ++notSent[o.notSent];
        else if (o.status == StepStatus::Unknown)
            ++unknown;
        else if (opSendsRequest(o.step.op))
            ++failed;
    }
    QString text = QStringLiteral("已完成 %1 步，失败 %2 步").arg(done).arg(failed);
    // Each step not carried out says why, so that a job that gave up is not read as one
    // that found the records changed.
    const struct
    {
        int count;
        const char *why;
    } parts[] = {
        {unknown, "，%1 步无应答，结果未知"},
        {notSent.value(NotSent::ChangedSincePreview), "，%1 步因预览后记录已变更而跳过"},
        {notSent.value(NotSent::Unread), "，%1 步因无法再次读取记录而跳过"},
        {notSent.value(NotSent::GaveUp), "，%1 步因服务无应答、任务停止而未执行"},
        {notSent.value(NotSent::Planned), "，%1 步有冲突或问题，未执行"},
    };
    for (const auto &p : parts) {
        if (p.count > 0)
            text += QString::fromUtf8(p.why).arg(p.count);
    }
    return text;
}

QString undoOutcomeSummary(const QList<StepOutcome> &outcomes)
{
    // Counted by record: one record may take two steps back (a job that changed it twice).
    QSet<QString> records;
    QSet<QString> forced;
    QSet<QString> domains;
    int conflicts = 0;
    int notDone = 0;
    for (int i = 0; i < outcomes.size(); ++i) {
        const StepOutcome &o = outcomes.at(i);
        if (o.status == StepStatus::Done) {
            if (o.step.op.startsWith(QLatin1String("domain-"))) {
                domains.insert(o.domain);
                continue;
            }
            const QJsonObject &record = o.step.before.isEmpty() ? o.step.after : o.step.before;
            const int id = record.value(QStringLiteral("id")).toInt();
            const QString key = o.domain + QLatin1Char('/') +
                                (id > 0 ? QString::number(id) : QStringLiteral("#%1").arg(i));
            records.insert(key);
            if (o.step.forced)
                forced.insert(key);
        } else if (o.status == StepStatus::Conflict) {
            ++conflicts;
        } else if (o.status != StepStatus::AlreadyReverted) {
            ++notDone;
        }
    }
    QStringList changed;
    if (!records.isEmpty() || domains.isEmpty()) {
        QString part = QStringLiteral("%1 条记录").arg(records.size());
        if (!forced.isEmpty())
            part += QStringLiteral("（其中 %1 条强制覆盖）").arg(forced.size());
        changed.append(part);
    }
    if (!domains.isEmpty())
        changed.append(QStringLiteral("%1 个域名").arg(domains.size()));
    QString text = QStringLiteral("已改回 ") + changed.join(QStringLiteral("、"));
    if (conflicts)
        text += QStringLiteral("，%1 处冲突未改回").arg(conflicts);
    if (notDone)
        text += QStringLiteral("，%1 处未能改回").arg(notDone);
    return text;
}

QString zoneImportSummary(const QString &domain, int lineID, bool prune, const QString &fileName)
{
    return QStringLiteral("zone import %1 line %2%3: %4")
        .arg(domain)
        .arg(lineID)
        .arg(prune ? QStringLiteral(" --prune") : QString(), fileName);
}
