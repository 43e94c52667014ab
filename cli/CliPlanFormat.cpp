#include "cli/CliPlanFormat.h"

#include "cli/CliFormat.h"
#include "client/journal/JobSummary.h"

#include <QJsonArray>

namespace {

QJsonValue sideJson(const QJsonObject &side)
{
    return side.isEmpty() ? QJsonValue() : QJsonValue(side);
}

QJsonObject countsJson(const QMap<QString, int> &counts)
{
    QJsonObject o;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

QString countsText(const QMap<QString, int> &counts)
{
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        parts.append(QStringLiteral("%1 %2").arg(it.value()).arg(it.key()));
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString stepSideText(const QJsonObject &side)
{
    if (side.isEmpty())
        return QStringLiteral("-");
    if (side.contains(QStringLiteral("name"))) {
        QString text = side.value(QStringLiteral("name")).toString();
        text += QStringLiteral(" group=%1").arg(side.value(QStringLiteral("groupID")).toInt());
        if (side.value(QStringLiteral("state")).toInt() != 0)
            text += QStringLiteral(" paused");
        if (side.value(QStringLiteral("locked")).toBool())
            text += QStringLiteral(" locked");
        const int records = side.value(QStringLiteral("records")).toArray().size();
        if (records > 0)
            text += QStringLiteral(" records=%1").arg(records);
        return text;
    }
    QString text = QStringLiteral("%1 %2 %3 line=%4 ttl=%5")
                       .arg(side.value(QStringLiteral("host")).toString(),
                            side.value(QStringLiteral("type")).toString(),
                            side.value(QStringLiteral("value")).toString())
                       .arg(side.value(QStringLiteral("lineID")).toInt())
                       .arg(side.value(QStringLiteral("ttl")).toInt());
    if (side.value(QStringLiteral("type")).toString() == QLatin1String("MX"))
        text += QStringLiteral(" mx=%1").arg(side.value(QStringLiteral("mx")).toInt());
    if (side.value(QStringLiteral("paused")).toBool())
        text += QStringLiteral(" paused");
    return text;
}

QJsonObject planJson(const ChangePlan &plan)
{
    QJsonArray domains;
    for (const DomainPlan &d : plan.domains) {
        QJsonArray steps;
        for (const PlanStep &s : d.steps) {
            steps.append(QJsonObject{{QStringLiteral("op"), s.op},
                                     {QStringLiteral("before"), sideJson(s.before)},
                                     {QStringLiteral("after"), sideJson(s.after)},
                                     {QStringLiteral("problem"),
                                      s.problem.isEmpty() ? QJsonValue() : QJsonValue(s.problem)}});
        }
        domains.append(QJsonObject{{QStringLiteral("domain"), d.domain},
                                   {QStringLiteral("domainID"), d.domainID},
                                   {QStringLiteral("steps"), steps}});
    }
    QJsonArray warnings;
    for (const PlanWarning &w : plan.warnings)
        warnings.append(QJsonObject{{QStringLiteral("code"), w.code},
                                    {QStringLiteral("domain"), w.domain},
                                    {QStringLiteral("host"), w.host},
                                    {QStringLiteral("text"), w.text}});
    return QJsonObject{{QStringLiteral("domains"), domains},
                       {QStringLiteral("warnings"), warnings},
                       {QStringLiteral("counts"), countsJson(plan.counts())}};
}

QString planTable(const ChangePlan &plan)
{
    QList<QStringList> rows;
    for (const DomainPlan &d : plan.domains) {
        for (const PlanStep &s : d.steps)
            rows.append({d.domain, s.op, stepSideText(s.before), stepSideText(s.after), s.problem});
    }
    QString text =
        formatTable({QStringLiteral("DOMAIN"), QStringLiteral("OP"), QStringLiteral("BEFORE"),
                     QStringLiteral("AFTER"), QStringLiteral("NOTE")},
                    rows);
    for (const PlanWarning &w : plan.warnings)
        text += QStringLiteral("warning: %1 (%2)\n").arg(w.text, w.code);
    text += QStringLiteral("plan: %1\n").arg(countsText(plan.counts()));
    return text;
}

QJsonObject jobJson(const JournalJob &job)
{
    return QJsonObject{
        {QStringLiteral("id"), job.id},
        {QStringLiteral("account"), job.account},
        {QStringLiteral("kind"), job.kind},
        {QStringLiteral("created"), job.created.toString(Qt::ISODate)},
        {QStringLiteral("finished"),
         job.finished.isValid() ? QJsonValue(job.finished.toString(Qt::ISODate)) : QJsonValue()},
        {QStringLiteral("state"), job.state},
        {QStringLiteral("summary"), job.summary},
        {QStringLiteral("undoes"), job.undoes ? QJsonValue(job.undoes) : QJsonValue()},
        {QStringLiteral("partlyUndoneBy"),
         job.partlyUndoneBy ? QJsonValue(job.partlyUndoneBy) : QJsonValue()},
        {QStringLiteral("counts"), countsJson(job.counts)}};
}

QJsonObject stepJson(const JournalStep &s)
{
    return QJsonObject{{QStringLiteral("order"), s.order},
                       {QStringLiteral("domain"), s.domain},
                       {QStringLiteral("domainID"), s.domainID},
                       {QStringLiteral("recordID"), s.recordID},
                       {QStringLiteral("op"), s.op},
                       {QStringLiteral("before"), sideJson(s.before)},
                       {QStringLiteral("after"), sideJson(s.after)},
                       {QStringLiteral("status"), s.status},
                       {QStringLiteral("error"), s.error},
                       {QStringLiteral("forced"), s.forced}};
}

QString jobsTable(const QList<JournalJob> &jobs)
{
    QList<QStringList> rows;
    for (const JournalJob &j : jobs)
        rows.append(
            {QString::number(j.id), j.kind, j.created.toString(Qt::ISODate),
             j.partlyUndoneBy
                 ? QStringLiteral("%1, partly undone by #%2").arg(j.state).arg(j.partlyUndoneBy)
                 : j.state,
             countsText(j.counts), jobSummary(j, SummaryLanguage::English)});
    return formatTable({QStringLiteral("ID"), QStringLiteral("KIND"), QStringLiteral("CREATED"),
                        QStringLiteral("STATE"), QStringLiteral("STEPS"),
                        QStringLiteral("SUMMARY")},
                       rows);
}

QString stepsTable(const QList<JournalStep> &steps)
{
    QList<QStringList> rows;
    for (const JournalStep &s : steps)
        rows.append({QString::number(s.order), s.domain, s.op, stepSideText(s.before),
                     stepSideText(s.after), s.status, s.error});
    return formatTable({QStringLiteral("#"), QStringLiteral("DOMAIN"), QStringLiteral("OP"),
                        QStringLiteral("BEFORE"), QStringLiteral("AFTER"), QStringLiteral("STATUS"),
                        QStringLiteral("ERROR")},
                       rows);
}

QString gaveUpText(const PlanRun &run)
{
    return QStringLiteral("halvik-cli: no answer from the service %1 times; job %2 stopped at "
                          "domain %3 of %4, the steps after it skipped\n")
        .arg(JournalRunner::kNoAnswersToStop)
        .arg(run.jobId)
        .arg(run.stoppedAt)
        .arg(run.total);
}
