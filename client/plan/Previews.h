#pragma once

#include "client/journal/Journal.h"
#include "client/plan/BatchPlanner.h"
#include "client/plan/ChangePlan.h"
#include "client/plan/DomainPreview.h"

#include <QStringList>

class User;

// Builds the plan of a batch one domain per runNext(), reading each domain's records on the
// caller's thread (the client's own event loop keeps a window live), so a window can show
// progress and stop between domains. Changes nothing. The one batch preview of halvik-cli (one
// request) and the batch page (a tab's rows, each planned over every domain).
//
//     BatchPreview preview(user, request, names);
//     if (!preview.begin()) show(preview.errorText());
//     while (!preview.atEnd() && !stopAsked) preview.runNext();
//     ChangePlan plan = preview.plan();       // with its warnings
class BatchPreview : public DomainPreview
{
public:
    BatchPreview(User &user, const BatchRequest &request, const QStringList &domains);
    // colon follows a reason's lead-in in the texts shown (the windows pass "：").
    BatchPreview(User &user, const QList<BatchRequest> &requests, const QStringList &domains,
                 const QString &colon);
    // Reads the domain list (unless the caller's is fresh). False with the reason when it fails
    // or there is nothing to plan.
    bool begin(bool reloadDomains = true);
    int total() const override { return m_names.size(); }

private:
    DomainPlan planDomain(int index) override;

    QList<BatchRequest> m_requests;
    QStringList m_names;
};

// Why a job cannot be undone now by account (empty when it can): unknown, another account's,
// still running, already undone.
QString undoRefusal(const JournalJob &job, const QString &account);

// Builds the plan that undoes a journaled job: its steps in reverse order, grouped by domain,
// each judged against the domain as it is now (see revertStep). Driven like BatchPreview; the
// plan then runs as a job of kind "undo" with undoes = the job's id.
class UndoPreview : public DomainPreview
{
public:
    UndoPreview(User &user, Journal &journal, qint64 jobId, bool force);
    // Reads the job and the domain list; false with the reason (nothing to undo, refused).
    bool begin();
    int total() const override { return m_groups.size(); }
    ChangePlan plan() const override;
    const JournalJob &job() const { return m_job; }

private:
    DomainPlan planDomain(int index) override;

    struct Group
    {
        QString domain;
        int domainID = 0;
        QList<JournalStep> steps; // newest first
    };
    Journal &m_journal;
    qint64 m_jobId;
    bool m_force;
    JournalJob m_job;
    QList<Group> m_groups;
};
