#include "manage/shared/PageJournal.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/plan/RecordJson.h"

bool PageJournal::begin(User &user, const QString &kind, const QString &summary)
{
    if (!m_journal.open(Journal::defaultPath())) {
        User::showMsgBox(QStringLiteral("无法写入操作记录，为避免未记录的修改，本次操作未执行：") +
                             m_journal.errorText(),
                         QString(), 1);
        return false;
    }
    // After a WeChat sign-in the account is known by the e-mail of its details.
    if (user.email.isEmpty() && user.userDetail.isEmpty())
        user.getUserDetail();
    m_job = m_journal.beginJob(journalAccount(user), kind, summary);
    if (!m_job) {
        User::showMsgBox(QStringLiteral("无法写入操作记录，为避免未记录的修改，本次操作未执行：") +
                             m_journal.errorText(),
                         QString(), 1);
        return false;
    }
    return true;
}

void PageJournal::journalFailed()
{
    if (m_journalFailed)
        return;
    m_journalFailed = true;
    User::showMsgBox(QStringLiteral("写入操作记录失败，为避免未记录的修改，操作已停止：") +
                         m_journal.errorText(),
                     QString(), 1);
}

qint64 PageJournal::pending(User &, const QString &domain, int domainID, const QString &op,
                            const QJsonObject &before, const QJsonObject &after)
{
    if (!m_job || m_journalFailed)
        return 0;
    JournalStep s;
    s.job = m_job;
    s.order = m_order++;
    s.domain = domain;
    s.domainID = domainID;
    s.recordID = before.value(QLatin1String("id")).toInt();
    s.op = op;
    s.before = before;
    s.after = after;
    const qint64 id = m_journal.addStep(s);
    if (!id) {
        journalFailed();
        return 0;
    }
    return id;
}

qint64 PageJournal::pendingRecord(User &user, const Domain &domain, const QString &op,
                                  const Record *before, const Record *after)
{
    return pending(user, domain.name, domain.id, op, before ? recordToJson(*before) : QJsonObject(),
                   after ? recordToJson(*after) : QJsonObject());
}

qint64 PageJournal::pendingStep(User &user, const Domain &domain, const PlanStep &step)
{
    return pending(user, domain.name, domain.id, step.op, step.before, step.after);
}

void PageJournal::settle(qint64 step, bool ok, const User &user, const QJsonObject &after)
{
    if (!step)
        return;
    const QString status = ok               ? StepStatus::Done
                           : !user.answered ? StepStatus::Unknown
                                            : StepStatus::Failed;
    if (!ok)
        m_failed = true;
    if (!m_journal.settleStep(step, status, ok ? QString() : user.errorText, after))
        journalFailed();
}

void PageJournal::finish(bool stopped)
{
    if (!m_job)
        return;
    m_journal.finishJob(m_job, stopped || m_journalFailed ? JobState::Stopped
                               : m_failed                 ? JobState::Partial
                                                          : JobState::Done);
    m_job = 0;
}
