#include "client/journal/JobSummary.h"

#include "client/plan/ChangePlan.h"

#include <QStringList>

namespace {

struct OpWords
{
    QString op;
    const char *chinese;
    const char *english;
};

// The ops that change something, in the order a summary names them.
const QList<OpWords> &opWords()
{
    static const QList<OpWords> words{
        {StepOps::Create, "新增", "created"},
        {StepOps::Change, "修改", "changed"},
        {StepOps::Delete, "删除", "deleted"},
        {StepOps::Pause, "暂停", "paused"},
        {StepOps::Start, "启用", "started"},
        {StepOps::DomainLock, "锁定", "locked"},
        {StepOps::DomainUnlock, "解锁", "unlocked"},
        {StepOps::DomainPause, "暂停", "paused"},
        {StepOps::DomainStart, "启用", "started"},
        {StepOps::DomainMove, "移动分组", "moved"},
        {StepOps::DomainDelete, "删除", "deleted"},
        {StepOps::DomainCreate, "重新添加", "added back"},
    };
    return words;
}

QString domainsText(const JournalJob &job, bool chinese)
{
    if (job.domainCount == 1)
        return job.firstDomain;
    return chinese ? QStringLiteral("%1 个域名").arg(job.domainCount)
                   : QStringLiteral("%1 domains").arg(job.domainCount);
}

} // namespace

QString jobSummary(const JournalJob &job, SummaryLanguage language)
{
    if (job.ops.isEmpty())
        return job.summary;
    const bool chinese = language == SummaryLanguage::Chinese;
    QStringList recordParts;
    QStringList domainParts;
    for (const OpWords &w : opWords()) {
        const int n = job.ops.value(w.op);
        if (n <= 0)
            continue;
        const bool domainOp = w.op.startsWith(QLatin1String("domain-"));
        const QString word = QString::fromUtf8(chinese ? w.chinese : w.english);
        // A domain operation names the domain itself ("锁定 halvik-demo.com"); a record
        // operation counts records ("新增 2").
        if (domainOp)
            domainParts.append(QStringLiteral("%1 %2").arg(word, domainsText(job, chinese)));
        else
            recordParts.append(chinese ? QStringLiteral("%1 %2").arg(word).arg(n)
                                       : QStringLiteral("%1 %2").arg(n).arg(word));
    }
    QStringList parts = domainParts;
    if (!recordParts.isEmpty())
        parts.append(domainsText(job, chinese) +
                     (chinese ? QStringLiteral("：") : QStringLiteral(": ")) +
                     recordParts.join(chinese ? QStringLiteral("，") : QStringLiteral(", ")));
    if (parts.isEmpty())
        parts.append(domainsText(job, chinese) +
                     (chinese ? QStringLiteral("：无改动") : QStringLiteral(": no changes")));
    QString text = parts.join(chinese ? QStringLiteral("；") : QStringLiteral("; "));
    if (job.undoes > 0)
        text = (chinese ? QStringLiteral("撤销 #%1：") : QStringLiteral("undo #%1: "))
                   .arg(job.undoes) +
               text;
    return text;
}
