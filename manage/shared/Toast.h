#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Timing and placement of the window's self-hiding notice strip, and who hears of each notice.

// How long a notice stays: 250 ms per character, 1000 ms for an empty text, at most 15000 ms.
int toastDurationMs(const QString &text);

// Whether the timer of a notice shown for durationMs should hide the strip, elapsedMs after the
// strip was last shown: only when at least 80 % of the duration has passed, so that a newer
// notice shown meanwhile keeps the strip for its own timer.
bool toastShouldHide(qint64 elapsedMs, int durationMs);

// Whether a strip shown elapsedMs ago has outlived every notice (the periodic safety check).
bool toastIsStale(qint64 elapsedMs);

// Top-left corner of a strip of size label, centred over the pages area stack but shifted by
// half of the domain page's group column (groupWidth), so it sits over the tables.
QPoint toastTopLeft(const QSize &label, const QRect &stack, int groupWidth);

// A monotonic millisecond clock for the strip's "vtime" stamps.
qint64 toastClockMs();

// Told of every notice the window shows, as it is shown. The strip hides itself after a while,
// so tests install a recorder and read back what was shown instead of looking at the strip.
class ToastRecorder
{
public:
    virtual ~ToastRecorder() = default;
    virtual void toastShown(const QString &text) = 0;
};

// Installs recorder (nullptr: none, as in the program) and returns the one it replaces.
ToastRecorder *setToastRecorder(ToastRecorder *recorder);
ToastRecorder *toastRecorder();
// Called by the window for each notice it shows.
void reportToast(const QString &text);
