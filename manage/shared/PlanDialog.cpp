#include "manage/shared/PlanDialog.h"

#include "client/User.h"
#include "client/journal/JobRunner.h"
#include "client/journal/Journal.h"
#include "manage/shared/PlanView.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QVBoxLayout>

PlanDialog::PlanDialog(QWidget *parent, const QString &title)
    : QDialog(parent), m_view(new PlanView(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("planDialog"));
    resize(860, 560);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    connect(m_view, &PlanView::stopRequested, this, [this] { m_stop = true; });
    connect(m_view, &PlanView::runRequested, this, &QDialog::accept);
    connect(m_view, &PlanView::closeRequested, this, [this] {
        m_stop = true;
        reject();
    });
}

void PlanDialog::progress(int position, int total)
{
    m_view->setProgress(position, total);
    if (!isVisible())
        show();
    // The reads wait in the client's event loop; this lets a click on stop in between.
    QCoreApplication::processEvents();
}

void PlanDialog::setPlan(const ChangePlan &plan)
{
    m_view->setPlan(plan);
}

void PlanDialog::showError(const QString &text)
{
    User::showMsgBox(text, QString(), 1);
}

qint64 PlanDialog::run(User &user, const QString &kind, const QString &summary, qint64 undoes)
{
    m_outcomes.clear();
    Journal journal;
    if (!journal.open(Journal::defaultPath())) {
        showError(QStringLiteral("无法写入操作记录，为避免未记录的修改，本次操作未执行：") +
                  journal.errorText());
        return 0;
    }
    // After a WeChat sign-in the account is known by the e-mail of its details.
    if (user.email.isEmpty() && user.userDetail.isEmpty())
        user.getUserDetail();
    JournalRunner runner(user, journal);
    if (!runner.start(m_view->plan(), kind, summary, journalAccount(user), undoes)) {
        showError(QStringLiteral("无法写入操作记录，本次操作未执行：") + runner.errorText());
        return 0;
    }
    while (!runner.atEnd())
        runner.runNext();
    runner.finish(false);
    for (const StepOutcome &o : runner.outcomes())
        m_outcomes.append(PlanOutcome{o.domain, o.step, o.status, o.error});
    if (!runner.errorText().isEmpty())
        showError(QStringLiteral("写入操作记录失败，操作已停止：") + runner.errorText());
    else if (runner.gaveUp())
        showError(
            QStringLiteral("服务连续 %1 次无应答，任务在第 %2/%3 个域名处停止，其余步骤未执行")
                .arg(JournalRunner::kNoAnswersToStop)
                .arg(runner.stoppedAt())
                .arg(runner.total()));
    return runner.jobId();
}

QString outcomeSummary(const QList<PlanOutcome> &outcomes)
{
    int done = 0;
    int failed = 0;
    int skipped = 0;
    for (const PlanOutcome &o : outcomes) {
        if (o.status == StepStatus::Done || o.status == StepStatus::AlreadyReverted)
            ++done;
        else if (o.status == StepStatus::Skipped)
            ++skipped;
        else if (opSendsRequest(o.step.op))
            ++failed;
    }
    QString text = QStringLiteral("已完成 %1 步，失败 %2 步").arg(done).arg(failed);
    if (skipped)
        text += QStringLiteral("，%1 步因预览后记录已变更而跳过").arg(skipped);
    return text;
}
