#include "widgets/MsgBoxPresenter.h"

#include "widgets/MsgBox.h"

int MsgBoxPresenter::present(const MsgBoxRequest &request)
{
    MsgBox box(nullptr, request.title, request.content, request.buttonMode, request.countdownMs);
    box.hasInput = request.hasInput;
    box.inputText = request.inputText;
    box.out = request.out;
    if (!request.okText.isEmpty())
        box.setButtonTexts(request.okText, request.cancelText);
    return box.exec();
}
