#pragma once

#include "client/journal/Journal.h"
#include "client/plan/ChangePlan.h"

#include <QList>
#include <QSet>

// How one journaled step is reverted, judged against what is live now. The returned step is
// the request that puts the before-state back (reverts = the journal step), or an
// already-reverted or conflict step that sends nothing. A step is reverted only while the live
// record (or domain) still equals its after-state; one already back in its before-state, or
// gone after a create, is already reverted; anything else is a conflict, which force turns into
// the request that restores the before-state anyway. Every returned step holds what stands
// there now in now (a conflict's before too; empty when gone) and what the journaled step left
// in left. A step whose outcome was unknown is judged the same way; a refused or skipped one has
// nothing to revert (an empty op).
// live holds the domain's records now; dm is the domain now, null when it is gone. A domain
// delete is undone by revertDomainDelete.
//
// A record is the one a step left only while type, host, line and value agree: a record that
// differs in those holds a reused id, and undo never changes or deletes it, forced or not. An
// identical record someone else made under another id is a conflict (now holds it), not
// already-reverted.
PlanStep revertStep(const JournalStep &step, const QList<Record> &live, const Domain *dm,
                    bool force);

// live as it is after step ran: what the next, earlier, step of the same domain is judged by.
void applyToLive(const PlanStep &step, QList<Record> &live);

// Whether a step of the journal is one undo looks at.
bool stepIsRevertible(const JournalStep &step);

// How a domain delete is undone, step by step. When no domain has the name now (dm null), the
// domain comes back with its group and package, then its records, and is paused and then locked
// again when it was. When a domain of the name exists again, the records go back into it. Either
// way a record that exists identically counts as restored (already-reverted); one that collides
// with a live record (same host and line, and the same type or a CNAME on either side) is a
// conflict, which force turns into its create; one on a line the package does not offer (lines) is
// a conflict.
QList<PlanStep> revertDomainDelete(const JournalStep &step, const QList<Record> &live,
                                   const Domain *dm, bool force, const QSet<int> &lines);
