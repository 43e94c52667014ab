#include "manage/shared/PageJobRunner.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QTimer>

namespace {

const char kMustStop[] = "mustStop";
// The style a widget had before its flash, while the flash runs, and which flash is current.
const char kFlashKept[] = "flashKeptStyle";
const char kFlashRun[] = "flashRun";

constexpr int kFlashSteps = 12;
constexpr int kFlashStepMs = 150;
// The progress label changes at most this often while a job runs.
constexpr int kProgressFrameMs = 30;

} // namespace

PageJobRunner::PageJobRunner(const JobWidgets &widgets, QObject *parent)
    : QObject(parent), m_widgets(widgets)
{}

void PageJobRunner::start()
{
    m_running = true;
    m_widgets.overlay->show();
    for (QWidget *w : qAsConst(m_widgets.locked))
        w->setEnabled(false);
    for (QWidget *w : qAsConst(m_widgets.covered))
        w->setUpdatesEnabled(false);
    m_widgets.stop->show();
    m_widgets.stop->setProperty(kMustStop, 0);
    m_widgets.stop->setText(QStringLiteral("停止"));
    m_shownAt.invalidate();
    m_unshownProgress.clear();
    prepareFirstUse();
    if (m_animation)
        m_animation->start();
}

void PageJobRunner::prepareFirstUse()
{
    if (m_firstUseDone)
        return;
    m_firstUseDone = true;
    m_animation = new QMovie(QStringLiteral(":/image/image/712.GIF"), QByteArray(), this);
    m_animation->setScaledSize(QSize(40, 40));
    m_widgets.animation->setMovie(m_animation);
    m_widgets.animation->show();
    connect(m_widgets.stop, &QPushButton::clicked, this, &PageJobRunner::requestStop);
}

void PageJobRunner::requestStop()
{
    ++m_stopRequests;
    m_widgets.stop->setProperty(kMustStop, 1);
    m_widgets.stop->setText(QStringLiteral("请稍候..."));
}

bool PageJobRunner::next(int i, int n)
{
    // Items that need no service call (an unknown domain) would otherwise run on without
    // letting a paint or the stop click through.
    QCoreApplication::processEvents();
    // Read before the count moves on, so that a stopped job shows the last item it processed.
    if (m_widgets.stop->property(kMustStop).toInt() == 1)
        return false;
    const QString text = QStringLiteral("%1 / %2").arg(i + 1).arg(n);
    if (i == 0 || i + 1 >= n || !m_shownAt.isValid() || m_shownAt.elapsed() >= kProgressFrameMs)
        showProgress(text);
    else
        m_unshownProgress = text;
    return true;
}

void PageJobRunner::showProgress(const QString &text)
{
    m_widgets.progress->setText(text);
    m_unshownProgress.clear();
    m_shownAt.start();
}

void PageJobRunner::finish()
{
    if (!m_unshownProgress.isEmpty())
        showProgress(m_unshownProgress);
    m_running = false;
    m_widgets.overlay->hide();
    for (QWidget *w : qAsConst(m_widgets.locked))
        w->setEnabled(true);
    for (QWidget *w : qAsConst(m_widgets.covered))
        w->setUpdatesEnabled(true);
    // Nothing shows the animation until the next job.
    if (m_animation)
        m_animation->setPaused(true);
}

void PageJobRunner::flashInput(QWidget *widget)
{
    if (!widget)
        return;
    // A flash started while another one runs takes over from it and ends on the style from
    // before the first, not on the red border it happened to find.
    const QVariant keptBefore = widget->property(kFlashKept);
    const QString kept = keptBefore.isValid() ? keptBefore.toString() : widget->styleSheet();
    widget->setProperty(kFlashKept, kept);
    const int run = widget->property(kFlashRun).toInt() + 1;
    widget->setProperty(kFlashRun, run);

    const QPointer<QWidget> parent = widget->parentWidget();
    const bool hadParent = parent;
    for (int k = 0; k < kFlashSteps; ++k) {
        QTimer::singleShot(k * kFlashStepMs, Qt::PreciseTimer, widget, [=] {
            if (widget->property(kFlashRun).toInt() != run)
                return;
            const bool last = k == kFlashSteps - 1;
            if (last)
                widget->setProperty(kFlashKept, QVariant());
            // A widget moved elsewhere meanwhile is left alone.
            if (widget->parentWidget() != parent.data() || (hadParent && !parent))
                return;
            widget->setStyleSheet(k % 2 == 0 ? QStringLiteral("border:2px solid #f00") : kept);
        });
    }
}
