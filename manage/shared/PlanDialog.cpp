#include "manage/shared/PlanDialog.h"

#include "client/User.h"
#include "client/journal/Journal.h"
#include "manage/shared/PlanView.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

PlanDialog::PlanDialog(QWidget *parent, const QString &title)
    : QDialog(parent), m_view(new PlanView(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("planDialog"));
    // Never larger than the screen: the tables scroll and the buttons stay in view.
    QSize size(860, 560);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(size);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    connect(m_view, &PlanView::stopRequested, this, [this] { m_stop = true; });
    connect(m_view, &PlanView::runRequested, this, [this] {
        if (confirmWarnings(m_view->plan()))
            accept();
    });
    connect(m_view, &PlanView::closeRequested, this, [this] {
        m_stop = true;
        reject();
    });
}

void PlanDialog::reject()
{
    if (m_running) {
        m_stop = true;
        return;
    }
    QDialog::reject();
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

bool PlanDialog::confirmWarnings(const ChangePlan &plan)
{
    if (plan.warnings.isEmpty())
        return true;
    // Asked as the zone import asks: one line per kind, so that the box stays small.
    QStringList lines;
    for (const PlanText::WarningGroup &g : PlanText::warningGroups(plan.warnings))
        lines.append(PlanText::groupLine(g).toHtmlEscaped());
    return User::showMsgBox(QStringLiteral("执行后将有以下问题：<br/>") +
                                lines.join(QStringLiteral("<br/>")) +
                                QStringLiteral("<br/>仍要执行吗？"),
                            QString(), 2) != 0;
}

void PlanDialog::showError(const QString &text)
{
    User::showMsgBox(text, QString(), 1);
}

qint64 PlanDialog::run(User &user, const QString &kind, const QString &summary, qint64 undoes,
                       const RunControl &control)
{
    m_outcomes.clear();
    Journal journal;
    if (!journal.open(Journal::defaultPath())) {
        showError(QStringLiteral("无法写入操作记录，为避免未记录的修改，本次操作未执行：") +
                  journal.errorText());
        return 0;
    }
    // Shown with its progress and "停止" while it runs, as the batch page's own jobs are; a
    // caller's control (if any) decides instead.
    RunControl shown = control;
    if (!shown.progress) {
        shown.progress = [this](int done, int total) {
            m_view->setRunProgress(done, total);
            if (!isVisible())
                show();
            // The requests wait in the client's event loop; this lets a click on stop in.
            QCoreApplication::processEvents();
        };
    }
    if (!shown.stopAsked)
        shown.stopAsked = [this] { return m_stop; };
    m_stop = false;
    m_running = true;
    const PlanRun run = runPlan(user, journal, m_view->plan(), kind, summary, shown, undoes);
    m_running = false;
    m_view->setRunProgress(-1, -1);
    if (!run.jobId) {
        showError(QStringLiteral("无法写入操作记录，本次操作未执行：") + run.errorText);
        return 0;
    }
    m_outcomes = run.outcomes;
    if (!run.errorText.isEmpty())
        showError(QStringLiteral("写入操作记录失败，操作已停止：") + run.errorText);
    else if (run.gaveUp)
        showError(
            QStringLiteral("服务连续 %1 次无应答，任务在第 %2/%3 个域名处停止，其余步骤未执行")
                .arg(JournalRunner::kNoAnswersToStop)
                .arg(run.stoppedAt)
                .arg(run.total));
    return run.jobId;
}
