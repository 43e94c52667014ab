#pragma once

#include "cli/CliSession.h"
#include "client/journal/RunPlan.h"

#include <QList>
#include <QString>

// A command's own changes, journaled as the window journals its single changes, so that undo
// can reverse them: every step is planned first, then run as one job.
class CliJob
{
public:
    CliJob(CliSession &session, const QString &kind, const QString &summary);

    // The step of one item on domain (id -1 for a domain yet to be added).
    void add(const QString &item, const QString &domain, int domainID, const PlanStep &step);
    // An item refused before anything was sent, with why.
    void refuse(const QString &item, const QString &why);
    // Runs the planned steps as one journaled job (none: no job) and, with report, prints one
    // result per item in the order given; a failed item is told on standard error either way.
    // The journal is opened for writing first: one that cannot be written sends nothing.
    // Returns the exit code.
    int run(bool report = true);
    // The outcome of the step of the item added index-th, null when it never ran.
    const StepOutcome *outcome(int index) const;

private:
    struct Item
    {
        QString name;
        QString refusal;
        int outcome = -1; // index into the run's outcomes
    };
    CliSession &m_session;
    QString m_kind;
    QString m_summary;
    ChangePlan m_plan;
    QList<Item> m_items;
    PlanRun m_run;
};
