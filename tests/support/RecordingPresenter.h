#pragma once

#include "client/MsgPresenter.h"

#include <QList>
#include <QString>

// What one message box was asked to show. The caller's output pointer is not kept (it rarely
// outlives the call); only whether one was given.
struct RecordedMsgBox
{
    QString content;
    QString title;
    int buttonMode = 1;
    int countdownMs = -1;
    bool hasInput = false;
    QString inputText;
    bool hadOut = false;
    QString okText;
    QString cancelText;
};

// Stands in for the message box in tests: records every box and answers as scripted, without
// showing anything. Installs itself behind User::showMsgBox for its lifetime.
class RecordingPresenter : public MsgPresenter
{
public:
    RecordingPresenter();
    ~RecordingPresenter() override;
    RecordingPresenter(const RecordingPresenter &) = delete;
    RecordingPresenter &operator=(const RecordingPresenter &) = delete;

    // Queues the answer to the next box. On a non-zero result a box with an input line and an
    // output string writes typedText to it, or the input line's initial text when typedText
    // is null, as the real box does when the user leaves the line alone.
    void answer(int result, const QString &typedText = QString());
    // The answer to questions (mode 2) once the queue is empty; notices are always acknowledged.
    void setQuestionDefault(int result) { m_questionDefault = result; }

    int present(const MsgBoxRequest &request) override;

    int count() const { return shown.size(); }
    QStringList contents() const;

    QList<RecordedMsgBox> shown;

private:
    struct Answer
    {
        int result;
        QString typedText;
    };
    QList<Answer> m_answers;
    int m_questionDefault = 0;
    MsgPresenter *m_previous = nullptr;
};
