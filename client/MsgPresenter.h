#pragma once

#include <QString>

// Everything one message box is asked to show, as User::showMsgBox received it.
struct MsgBoxRequest
{
    QString content;
    QString title;
    int buttonMode = 1; // 1 = OK only, 2 = OK and Cancel
    int countdownMs = -1;
    bool hasInput = false;
    QString inputText;
    QString *out = nullptr;
    QString okText;
    QString cancelText;
};

// Shows a message box and returns its result (non-zero = OK). The windowed program installs
// one that runs the real box; tests install one that records and answers as scripted.
class MsgPresenter
{
public:
    virtual ~MsgPresenter() = default;
    virtual int present(const MsgBoxRequest &request) = 0;
};

// For processes without windows: prints the text to standard error; a notice counts as
// acknowledged, a question as declined.
class StderrPresenter : public MsgPresenter
{
public:
    int present(const MsgBoxRequest &request) override;
};
