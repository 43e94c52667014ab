#pragma once

#include "manage/shared/Toast.h"

#include <QStringList>

// Records every notice the window shows, in order, for its lifetime: the strip hides itself,
// so a test reads this list rather than the strip.
class RecordingToasts : public ToastRecorder
{
public:
    RecordingToasts();
    ~RecordingToasts() override;
    RecordingToasts(const RecordingToasts &) = delete;
    RecordingToasts &operator=(const RecordingToasts &) = delete;

    void toastShown(const QString &text) override { shown.append(text); }
    // The latest notice; empty when none was shown.
    QString last() const { return shown.isEmpty() ? QString() : shown.last(); }

    QStringList shown;

private:
    ToastRecorder *m_previous = nullptr;
};
