#pragma once

#include "client/journal/JobRunner.h"
#include "client/journal/Journal.h"
#include "client/journal/RunPlan.h"
#include "client/plan/ChangePlan.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// A plan as --json prints it: domains with their steps, warnings, counts per op.
QJsonObject planJson(const ChangePlan &plan);
// A plan as a table for people, warnings after it.
QString planTable(const ChangePlan &plan);

// A journaled job for --json: id, account, kind, created, finished, state, summary, counts.
QJsonObject jobJson(const JournalJob &job);
QJsonObject stepJson(const JournalStep &step);
QString jobsTable(const QList<JournalJob> &jobs);
QString stepsTable(const QList<JournalStep> &steps);

// What a job that gave up on a silent service says on standard error: how far it got.
QString gaveUpText(const PlanRun &run);

// One line for a record or domain in before/after columns.
QString stepSideText(const QJsonObject &side);
