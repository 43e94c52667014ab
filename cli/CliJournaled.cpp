#include "cli/CliJournaled.h"

#include "cli/Terminal.h"
#include "client/User.h"
#include "client/journal/Journal.h"

CliJob::CliJob(CliSession &session, const QString &kind, const QString &summary)
    : m_session(session), m_kind(kind), m_summary(summary)
{}

void CliJob::add(const QString &item, const QString &domain, int domainID, const PlanStep &step)
{
    // One domain's steps stay together, in order.
    if (m_plan.domains.isEmpty() || m_plan.domains.last().domain != domain ||
        m_plan.domains.last().domainID != domainID) {
        DomainPlan d;
        d.domain = domain;
        d.domainID = domainID;
        m_plan.domains.append(d);
    }
    m_plan.domains.last().steps.append(step);
    Item i;
    i.name = item;
    m_items.append(i);
}

void CliJob::refuse(const QString &item, const QString &why)
{
    Item i;
    i.name = item;
    i.refusal = why;
    m_items.append(i);
}

const StepOutcome *CliJob::outcome(int index) const
{
    const int at = index >= 0 && index < m_items.size() ? m_items.at(index).outcome : -1;
    return at >= 0 && at < m_run.outcomes.size() ? &m_run.outcomes.at(at) : nullptr;
}

int CliJob::run(bool report)
{
    // Outcomes come in the order the steps were added.
    int next = 0;
    for (Item &i : m_items) {
        if (i.refusal.isEmpty())
            i.outcome = next++;
    }
    if (next > 0) {
        Journal journal;
        int exit = ExitOk;
        if (!openJournal(journal, true, exit))
            return exit;
        m_session.beginCall();
        m_run = runPlan(m_session.user, journal, m_plan, m_kind, m_summary);
        if (!m_run.jobId) {
            printErr(QStringLiteral("halvik-cli: cannot write the journal, nothing changed: %1\n")
                         .arg(m_run.errorText));
            return ExitRefused;
        }
        if (!m_run.errorText.isEmpty())
            printErr(QStringLiteral("halvik-cli: the journal failed, job stopped: %1\n")
                         .arg(m_run.errorText));
    }
    QList<ItemResult> results;
    int worst = ExitOk;
    for (int k = 0; k < m_items.size(); ++k) {
        const Item &i = m_items.at(k);
        ItemResult r(i.name);
        const StepOutcome *o = outcome(k);
        if (!i.refusal.isEmpty()) {
            r.exit = ExitRefused;
            r.error = i.refusal;
        } else if (!o) {
            r.exit = ExitRefused;
            r.error = QStringLiteral("未执行: 操作记录无法写入");
        } else if (o->status != StepStatus::Done) {
            // No answer: it may or may not have been carried out.
            r.exit = o->status == StepStatus::Unknown ? ExitNetwork : ExitRefused;
            r.error = o->error;
        }
        if (r.exit != ExitOk && !m_session.showedText(r.error))
            printErr(QStringLiteral("halvik-cli: %1: %2\n")
                         .arg(i.name, r.error.isEmpty() ? QStringLiteral("failed") : r.error));
        worst = qMax(worst, r.exit);
        results.append(r);
    }
    return report ? m_session.reportItems(results) : worst;
}
