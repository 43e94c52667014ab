#pragma once

#include "client/journal/JobWriter.h"
#include "client/journal/Journal.h"
#include "client/journal/NoAnswerWatch.h"
#include "client/plan/ChangePlan.h"

#include <QHash>
#include <QList>
#include <QString>

class User;

// The account a job is journaled under: the e-mail in lower case, or after a WeChat sign-in
// the e-mail of the account's details.
QString journalAccount(const User &user);

// Why a step of a job was not sent.
enum class NotSent
{
    No,
    Planned,             // the plan said so: a problem, a conflict, already as it should be
    ChangedSincePreview, // the domain's records differ from what the plan saw
    Unread,              // the domain's records could not be read again right before
    GaveUp,              // the job gave up on a service that stopped answering
};

// The outcome of one step of a job, as the job settled it.
struct StepOutcome
{
    QString domain;
    PlanStep step;
    QString status; // StepStatus
    QString error;
    NotSent notSent = NotSent::No;
};

// Runs a plan as a journaled job, one domain per runNext(), on the caller's thread: each
// request waits in the client's own event loop, so a window stays responsive and can call
// stop() between domains. Each step goes through the job's JobWriter (written pending first,
// settled after); a domain whose records differ from what the plan saw is skipped. runPlan
// (RunPlan.h) is the loop every caller uses.
//
// Named apart from the window's progress overlay (manage/shared/PageJobRunner.h): both are linked
// into the program, and two classes of one name break each other's destructors.
//
//     JournalRunner runner(user, journal);
//     if (!runner.start(plan, "batch-edit", summary, journalAccount(user)))
//         show(runner.errorText());           // nothing was sent
//     while (!runner.atEnd() && !stopAsked)
//         runner.runNext();                   // progress: position() / total()
//     runner.finish(stopAsked);
class JournalRunner
{
public:
    JournalRunner(User &user, Journal &journal);

    // Writes the job. False, with nothing sent, when the journal cannot be written or the plan
    // has nothing to do. undoes: the job this one reverts.
    bool start(const ChangePlan &plan, const QString &kind, const QString &summary,
               const QString &account, qint64 undoes = 0);
    qint64 jobId() const { return m_writer.jobId(); }
    int position() const { return m_next; }
    int total() const { return m_plan.domains.size(); }
    // True after the last domain, or once the journal failed (the job then stops).
    bool atEnd() const;
    void runNext();
    // Ends the job (stopped when asked to stop before the end) and returns its state. An undo
    // that reverted everything marks the job it reverts undone.
    QString finish(bool stopped = false);

    const QList<StepOutcome> &outcomes() const { return m_outcomes; }
    // Set when the journal could not be written during the job.
    QString errorText() const { return m_writer.errorText(); }
    // Whether any request had no answer (a network failure or time-out).
    bool networkFailed() const { return m_readNoAnswer || m_writer.networkFailed(); }
    // Whether the job gave up after kNoAnswersToStop requests without an answer, with no domain
    // answered whole in between: the service is not there, and waiting out the time limit of
    // every remaining request would take hours. Every step after that is journaled as
    // skipped. stoppedAt() is the number of domains begun by then.
    bool gaveUp() const { return m_noAnswers.gaveUp(); }
    int stoppedAt() const { return m_noAnswers.stoppedAt(); }
    static constexpr int kNoAnswersToStop = NoAnswerWatch::kNoAnswersToStop;

private:
    // Whether the domain's records are still those the plan saw; if not, why in error and
    // whether they could be read at all in unread.
    bool liveUnchanged(const DomainPlan &d, QString &error, bool &unread);
    // Asks User to read the next domain's records once the request about to go has its reply,
    // when the next domain will be read again (User::readNext).
    void readNextDomainAgain();
    QString giveUpReason() const;
    void settle(const QString &domain, const PlanStep &step, const QString &status,
                const QString &error, NotSent notSent = NotSent::No);

    User &m_user;
    JobWriter m_writer;
    ChangePlan m_plan;
    int m_next = 0;
    QList<StepOutcome> m_outcomes;
    bool m_readNoAnswer = false;
    NoAnswerWatch m_noAnswers;
    bool m_finished = false;
};

// Records of a list in a form two looks at the same domain compare by: ids and all fields.
bool sameRecordSet(const QList<Record> &a, const QList<Record> &b);
