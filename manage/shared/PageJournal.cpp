#include "manage/shared/PageJournal.h"

#include "client/User.h"

bool PageJournal::begin(User &user, const QString &kind, const QString &summary)
{
    const QString refused =
        QStringLiteral("无法写入操作记录，为避免未记录的修改，本次操作未执行：");
    if (!m_journal.open(Journal::defaultPath())) {
        User::showMsgBox(refused + m_journal.errorText(), QString(), 1);
        return false;
    }
    // After a WeChat sign-in the account is known by the e-mail of its details.
    if (user.email.isEmpty() && user.userDetail.isEmpty())
        user.getUserDetail();
    m_writer = std::make_unique<JobWriter>(user, m_journal);
    if (!m_writer->begin(kind, summary)) {
        User::showMsgBox(refused + m_writer->errorText(), QString(), 1);
        m_writer.reset();
        return false;
    }
    return true;
}

void PageJournal::tellFailure()
{
    if (m_told)
        return;
    m_told = true;
    User::showMsgBox(QStringLiteral("写入操作记录失败，为避免未记录的修改，操作已停止：") +
                         m_writer->errorText(),
                     QString(), 1);
}

qint64 PageJournal::pending(User &, const QString &domain, int domainID, const QString &op,
                            const QJsonObject &before, const QJsonObject &after)
{
    if (!m_writer)
        return 0;
    PlanStep step;
    step.op = op;
    step.before = before;
    step.after = after;
    const qint64 id = m_writer->pending(domain, domainID, step);
    if (!id && m_writer->failed())
        tellFailure();
    return id;
}

qint64 PageJournal::pendingStep(User &user, const Domain &domain, const PlanStep &step)
{
    return pending(user, domain.name, domain.id, step.op, step.before, step.after);
}

bool PageJournal::skipped(const QString &domain, int domainID, const QString &op,
                          const QJsonObject &before, const QJsonObject &after,
                          const QString &reason)
{
    if (!m_writer || m_writer->failed())
        return false;
    PlanStep step;
    step.op = op;
    step.before = before;
    step.after = after;
    if (!m_writer->note(domain, domainID, step, StepStatus::Skipped, reason)) {
        tellFailure();
        return false;
    }
    return true;
}

QString PageJournal::send(const Domain &domain, PlanStep step)
{
    if (!m_writer)
        return QString();
    int domainID = domain.id;
    QString error;
    const QString status = m_writer->send(domain.name, domainID, step, error);
    if (m_writer->failed())
        tellFailure();
    return status;
}

void PageJournal::settle(qint64 step, bool ok, const User &, const QJsonObject &after)
{
    if (!m_writer || !step)
        return;
    m_writer->settle(step, ok, after);
    if (m_writer->failed())
        tellFailure();
}

void PageJournal::finish(bool stopped)
{
    if (!m_writer)
        return;
    m_writer->finish(stopped ? JobState::Stopped : m_writer->state());
    m_writer.reset();
}
