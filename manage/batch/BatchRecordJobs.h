#pragma once

#include "manage/batch/BatchRowTable.h"
#include "manage/batch/BatchStartChecks.h"

#include <QList>
#include <QString>
#include <functional>

class PageJournal;
class User;

// Where a job's result lines go.
struct BatchResultSink
{
    std::function<void(const QString &)> success;
    std::function<void(const QString &)> failure;
    // Where each call is journaled; none for a job that is not.
    PageJournal *journal = nullptr;
    // Told after each request whether the service answered it (a refusal is an answer).
    std::function<void(bool answered)> answer;
    // Whether the job gave up (the service stopped answering): the calls not made yet are
    // journaled as skipped with reason() instead.
    std::function<bool()> gaveUp;
    std::function<QString()> reason;
};

// One domain's part of a batch record job: every row (rows with no host are skipped) applied
// to the domain named domainName, with one line per outcome. A failed call is written and the
// job goes on. The domain is looked up afresh, and its entry held, for the time of the call,
// since each service call lets events through that may reload the account's lists.
void runBatchDomain(User &user, BatchKind kind, const QString &domainName,
                    const QList<BatchRowValues> &rows, const BatchResultSink &sink);

// A domain's part not run: every row journaled as a skipped step with the sink's reason and
// written as a failure line.
void skipBatchDomain(User &user, BatchKind kind, const QString &domainName,
                     const QList<BatchRowValues> &rows, const BatchResultSink &sink);
