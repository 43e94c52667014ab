#pragma once

#include "client/journal/JobRunner.h"

#include <QList>
#include <QString>

#include <functional>

class Journal;
class User;

// How a caller follows a run and ends it early; both are optional. A window shows progress
// and offers stop; the command line leaves both empty.
struct RunControl
{
    // Called before each domain with how many of total are done, and once at the end.
    std::function<void(int done, int total)> progress;
    // Asked before each domain: true ends the job there (its state is then stopped).
    std::function<bool()> stopAsked;
};

// What a run of a plan ended with.
struct PlanRun
{
    qint64 jobId = 0; // 0: the job could not be written, nothing was sent (errorText says why)
    QString state;    // JobState
    QList<StepOutcome> outcomes;
    // The journal's failure: before the job (nothing sent) or during it (the job stopped).
    QString errorText;
    // Whether any request had no answer (a network failure or time-out).
    bool networkFailed = false;
    // Whether the job gave up on a service that stopped answering (JournalRunner::gaveUp), after
    // stoppedAt of total domains begun; the steps after that are journaled as skipped.
    bool gaveUp = false;
    int stoppedAt = 0;
    int total = 0;
};

// Runs plan as a journaled job of kind with summary, on the caller's thread (see
// JournalRunner), and reports each step's outcome; undoes is the job an undo reverts. The
// journal must be open for writing. The one loop every window and command that applies a plan
// goes through.
PlanRun runPlan(User &user, Journal &journal, const ChangePlan &plan, const QString &kind,
                const QString &summary, const RunControl &control = {}, qint64 undoes = 0);

// Text for people of a run's outcomes: "已完成 5 步，失败 1 步", then the steps not carried
// out by why: no answer, changed since the preview, unreadable, given up, planned so.
QString outcomeSummary(const QList<StepOutcome> &outcomes);

// Text for people of an undo's outcomes, by what it changed rather than by steps: "已改回 3 条记录
// （其中 1 条强制覆盖）、1 个域名，1 处冲突未改回".
QString undoOutcomeSummary(const QList<StepOutcome> &outcomes);

// The summary a zone import is journaled under, the same from the window and the command line.
QString zoneImportSummary(const QString &domain, int lineID, bool prune, const QString &fileName);
