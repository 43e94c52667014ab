#pragma once

#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QJsonObject>
#include <QString>

class User;

// The one writer of journaled jobs: it begins a job, writes each step pending before its
// request and settles it after by what came back (done; failed when the service refused;
// unknown when no answer came, so it may or may not have happened), and ends the job. Plans
// run through it (JournalRunner); a window's single change uses it directly, either sending the
// step as planned (send) or around a call the window makes itself (pending, then settle).
// Nothing goes out unjournaled: once a write failed, failed() is true and nothing more is sent.
//
//     JobWriter writer(user, journal);
//     if (!writer.begin("record", summary)) show(writer.errorText());   // nothing sent
//     QString error;
//     const QString status = writer.send(domain, domainID, step, error);
//     writer.finish(writer.state());
class JobWriter
{
public:
    JobWriter(User &user, Journal &journal);

    // Begins a job of kind under account (empty: the user's, see journalAccount); undoes: the
    // job an undo reverts. False with the reason when the journal cannot be written.
    bool begin(const QString &kind, const QString &summary, qint64 undoes = 0,
               const QString &account = QString());
    qint64 jobId() const { return m_jobId; }

    // Sends step on domain: written pending, carried out, settled. Returns its status (empty
    // when the journal failed and nothing was sent) and, when not done, why in error. A create
    // gets the new record's id in step.after; a domain-create sets domainID.
    QString send(const QString &domain, int &domainID, PlanStep &step, QString &error);
    // Writes a step that sends nothing, settled with status. False when the journal failed.
    bool note(const QString &domain, int domainID, const PlanStep &step, const QString &status,
              const QString &error);
    // Around a call the caller makes itself: the step written pending (0 when the journal
    // failed: make no call), then settled by the call's result; after, when not empty,
    // replaces the step's after-state (a created record with its id).
    qint64 pending(const QString &domain, int domainID, const PlanStep &step);
    void settle(qint64 stepId, bool ok, const QJsonObject &after = QJsonObject());

    // Ends the job in state (JobState). An undo that ended done marks the job it reverts undone.
    void finish(const QString &state);
    // The state the steps so far give: done, or partial when any was not carried out; stopped
    // once the journal failed.
    QString state() const;

    bool failed() const { return m_journalFailed; }
    QString errorText() const { return m_error; }
    // Whether any request had no answer (a network failure or time-out).
    bool networkFailed() const { return m_networkFailed; }

private:
    JournalStep row(const QString &domain, int domainID, const PlanStep &step);
    void journalFailed();
    QString perform(PlanStep &step, int &domainID, const QString &domainName, QString &error);

    User &m_user;
    Journal &m_journal;
    qint64 m_jobId = 0;
    qint64 m_undoes = 0;
    int m_order = 0;
    bool m_journalFailed = false;
    bool m_notDone = false;
    bool m_networkFailed = false;
    bool m_finished = false;
    QString m_error;
};
