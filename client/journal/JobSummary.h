#pragma once

#include "client/journal/Journal.h"

#include <QString>

// A job's summary made from what the journal holds of it when it is shown, so that the window
// and the CLI say the same thing each in its own language, whatever wrote the job.
enum class SummaryLanguage
{
    Chinese,
    English
};

// "halvik-demo.com：新增 2，修改 1" / "halvik-demo.com: 2 created, 1 changed";
// "20 个域名：新增 20" / "20 domains: 20 created"; "锁定 halvik-demo.com"; an undo begins
// "撤销 #12：" / "undo #12: ". A job without steps keeps the summary it was written with.
QString jobSummary(const JournalJob &job, SummaryLanguage language);
