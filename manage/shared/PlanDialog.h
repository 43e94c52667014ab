#pragma once

#include "client/journal/RunPlan.h"
#include "client/plan/ChangePlan.h"

#include <QDialog>

class PlanView;
class User;

// A window over the management window that builds a plan with its progress, shows it and, on
// request, runs exactly that plan as a journaled job. Used by the batch preview and by undo.
//
//     PlanDialog d(parent, title);
//     if (!d.build(preview)) return;            // stopped, or begin() failed (shown)
//     if (d.exec() == QDialog::Accepted) d.run(user, kind, summary, undoes);
class PlanDialog : public QDialog
{
    Q_OBJECT
public:
    PlanDialog(QWidget *parent, const QString &title);

    PlanView &view() const { return *m_view; }

    // Drives a BatchPreview-like builder to its end, showing progress; false when it failed to
    // begin (the reason shown) or the user stopped it.
    template <typename Builder>
    bool build(Builder &builder)
    {
        m_stop = false;
        if (!builder.begin()) {
            showError(builder.errorText());
            return false;
        }
        while (!builder.atEnd() && !m_stop) {
            progress(builder.position(), builder.total());
            builder.runNext();
        }
        if (m_stop)
            return false;
        setPlan(builder.plan());
        return true;
    }
    // build(), then opened over its parent with slot of receiver called on acceptance. The
    // dialog deletes itself when rejected; after a run, the caller deletes it. A build that
    // failed or was stopped hides the dialog, deletes it later and returns false.
    template <typename Builder, typename Receiver, typename Slot>
    bool buildAndOpen(Builder &builder, Receiver *receiver, Slot slot)
    {
        if (!build(builder)) {
            hide();
            deleteLater();
            return false;
        }
        // Not deleted on close, since a run waits in nested event loops.
        connect(this, &QDialog::rejected, this, &QObject::deleteLater);
        connect(this, &QDialog::accepted, receiver, slot);
        open();
        return true;
    }
    void setPlan(const ChangePlan &plan);
    bool stopped() const { return m_stop; }
    // Whether run() is under way: the dialog then shows i/n and "停止", and closing it stops.
    bool running() const { return m_running; }

    // Runs the shown plan as a job of kind (see runPlan; control follows and stops it); the
    // journal is opened first and a journal that cannot be written stops the job before its
    // first request. Returns the job's id, 0 when nothing was sent.
    qint64 run(User &user, const QString &kind, const QString &summary, qint64 undoes = 0,
               const RunControl &control = {});
    const QList<StepOutcome> &outcomes() const { return m_outcomes; }

    // While a run is under way, Escape or closing asks it to stop instead.
    void reject() override;

private:
    void progress(int position, int total);
    // A plan with warnings runs only when the user says so again.
    static bool confirmWarnings(const ChangePlan &plan);
    static void showError(const QString &text);

    PlanView *m_view;
    bool m_stop = false;
    bool m_running = false;
    QList<StepOutcome> m_outcomes;
};
