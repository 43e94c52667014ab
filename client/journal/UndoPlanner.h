#pragma once

#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QList>

// How one journaled step is reverted, judged against what is live now. The returned step is
// the request that puts the before-state back (reverts = the journal step), or an
// already-reverted or conflict step that sends nothing. A step is reverted only while the live
// record (or domain) still equals its after-state; one already back in its before-state, or
// gone after a create, is already reverted; anything else is a conflict, which force turns into
// the request that restores the before-state anyway. A step whose outcome was unknown is judged
// the same way; a refused or skipped one has nothing to revert (an empty op).
// live holds the domain's records now; dm is the domain now, null when it is gone.
PlanStep revertStep(const JournalStep &step, const QList<Record> &live, const Domain *dm,
                    bool force);

// live as it is after step ran: what the next, earlier, step of the same domain is judged by.
void applyToLive(const PlanStep &step, QList<Record> &live);

// Whether a step of the journal is one undo looks at.
bool stepIsRevertible(const JournalStep &step);
