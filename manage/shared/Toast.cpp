#include "manage/shared/Toast.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {
constexpr int kMsPerChar = 250;
constexpr int kEmptyMs = 1000;
constexpr int kMaxMs = 15000;
constexpr qint64 kStaleMs = 16000;
ToastRecorder *g_recorder = nullptr;
} // namespace

int toastDurationMs(const QString &text)
{
    if (text.isEmpty())
        return kEmptyMs;
    // Long texts are capped before multiplying, so no length can overflow.
    const int chars = std::min(text.size(), kMaxMs / kMsPerChar);
    return chars * kMsPerChar;
}

bool toastShouldHide(qint64 elapsedMs, int durationMs)
{
    return elapsedMs * 5 >= qint64(durationMs) * 4;
}

bool toastIsStale(qint64 elapsedMs)
{
    return elapsedMs > kStaleMs;
}

QPoint toastTopLeft(const QSize &label, const QRect &stack, int groupWidth)
{
    return QPoint(stack.left() + (stack.width() - label.width()) / 2 + groupWidth / 2,
                  stack.top() + (stack.height() - label.height()) / 2);
}

qint64 toastClockMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

ToastRecorder *setToastRecorder(ToastRecorder *recorder)
{
    ToastRecorder *previous = g_recorder;
    g_recorder = recorder;
    return previous;
}

ToastRecorder *toastRecorder()
{
    return g_recorder;
}

void reportToast(const QString &text)
{
    if (g_recorder)
        g_recorder->toastShown(text);
}
