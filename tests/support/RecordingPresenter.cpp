#include "tests/support/RecordingPresenter.h"

#include "client/User.h"

#include <QStringList>

RecordingPresenter::RecordingPresenter() : m_previous(User::msgPresenter())
{
    User::setMsgPresenter(this);
}

RecordingPresenter::~RecordingPresenter()
{
    if (User::msgPresenter() == this)
        User::setMsgPresenter(m_previous);
}

void RecordingPresenter::answer(int result, const QString &typedText)
{
    m_answers.append({result, typedText});
}

QStringList RecordingPresenter::contents() const
{
    QStringList texts;
    for (const RecordedMsgBox &box : shown)
        texts.append(box.content);
    return texts;
}

int RecordingPresenter::present(const MsgBoxRequest &request)
{
    RecordedMsgBox box;
    box.content = request.content;
    box.title = request.title;
    box.buttonMode = request.buttonMode;
    box.countdownMs = request.countdownMs;
    box.hasInput = request.hasInput;
    box.inputText = request.inputText;
    box.hadOut = request.out != nullptr;
    box.okText = request.okText;
    box.cancelText = request.cancelText;
    shown.append(box);

    Answer answer{request.buttonMode == 2 ? m_questionDefault : 1, QString()};
    if (!m_answers.isEmpty())
        answer = m_answers.takeFirst();
    if (answer.result != 0 && request.hasInput && request.out)
        *request.out = answer.typedText.isNull() ? request.inputText : answer.typedText;
    return answer.result;
}
