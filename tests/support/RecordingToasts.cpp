#include "tests/support/RecordingToasts.h"

RecordingToasts::RecordingToasts() : m_previous(setToastRecorder(this)) {}

RecordingToasts::~RecordingToasts()
{
    if (toastRecorder() == this)
        setToastRecorder(m_previous);
}
