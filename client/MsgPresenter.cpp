#include "client/MsgPresenter.h"

#include <cstdio>

int StderrPresenter::present(const MsgBoxRequest &request)
{
    QString text = request.content;
    if (request.hasInput && !request.inputText.isEmpty())
        text += QLatin1Char('\n') + request.inputText;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return request.buttonMode == 2 ? 0 : 1;
}
