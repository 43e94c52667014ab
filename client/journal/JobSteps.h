#pragma once

#include "client/plan/ChangePlan.h"

class User;

// Steps of the single changes a window or a command makes (jobs of kind "record" or "domain";
// several steps of one action are one job), written by a JobWriter: a command runs them as a
// plan (runPlan), a window writes them around its own calls.

// A record step: create (after), change (before -> after), delete, pause, start (before).
PlanStep recordStep(const QString &op, const Record *before, const Record *after = nullptr);

// A domain step: domain-pause, -start, -lock, -unlock, or domain-move (to newGroupID).
PlanStep domainStep(const QString &op, const Domain &dm, int newGroupID = 0);

// The domain-delete step: reads the domain's records first, so that undo can add the domain
// back with its package and group and re-create them. False with the reason when they cannot
// be read (the domain must then not be deleted).
bool domainDeleteStep(User &user, Domain &dm, PlanStep &step, QString &error);

// One domain's steps, planned without a look at its records.
DomainPlan domainSteps(const Domain &dm, const QList<PlanStep> &steps);
