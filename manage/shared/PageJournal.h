#pragma once

#include "client/Types.h"
#include "client/journal/JobWriter.h"
#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QJsonObject>
#include <QString>

#include <memory>

class User;

// A page's journaled job: the client's JobWriter on the user's journal, with the window's
// messages when the journal cannot be written. A job is begun before the first call; each call
// is written pending before it and settled after it, in the page's order.
//
//     PageJournal journal;
//     if (!journal.begin(user, "batch-add", summary)) return;   // told; nothing sent
//     qint64 step = journal.pending(domain, id, StepOps::Create, {}, after);
//     if (!step) break;                                  // journal failed: told; stop here
//     bool ok = user.addRecord(...);
//     journal.settle(step, ok, user, createdAfter);
//     journal.finish();
class PageJournal
{
public:
    // Opens the journal and begins a job of kind. A journal that cannot be written stops the
    // action before its first request: the message is shown and false returned.
    bool begin(User &user, const QString &kind, const QString &summary);
    // The step of the call about to be made, written pending; 0 when the journal failed, now
    // or at an earlier write: the caller then makes no call and stops. The failure is shown once.
    qint64 pending(User &user, const QString &domain, int domainID, const QString &op,
                   const QJsonObject &before, const QJsonObject &after);
    // A call described by a planned step (see client/journal/JobSteps.h).
    qint64 pendingStep(User &user, const Domain &domain, const PlanStep &step);
    // Sends step on domain through the job's writer, as a plan's step is sent: written
    // pending, carried out, settled. Returns its status (StepStatus; when not done the user's
    // errorText says why), or empty when the journal failed before it (told once; nothing was
    // sent: the action stops).
    QString send(const Domain &domain, PlanStep step);
    // The call's outcome: done, refused, or unknown when no answer came; after, when given,
    // replaces the step's after-state (a created record with its id).
    void settle(qint64 step, bool ok, const User &user, const QJsonObject &after = QJsonObject());
    // A call the action did not make (it gave up before it), written settled as skipped with
    // reason; false when the journal failed.
    bool skipped(const QString &domain, int domainID, const QString &op, const QJsonObject &before,
                 const QJsonObject &after, const QString &reason);
    // Whether a write failed since begin(); the action must make no further call.
    bool failed() const { return m_writer && m_writer->failed(); }
    // Ends the job; stopped when the user stopped it before the end, or the journal failed.
    void finish(bool stopped = false);
    qint64 jobId() const { return m_writer ? m_writer->jobId() : 0; }

private:
    void tellFailure();

    Journal m_journal;
    std::unique_ptr<JobWriter> m_writer;
    bool m_told = false;
};
