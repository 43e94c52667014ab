#pragma once

#include "client/MsgPresenter.h"

// Shows every message of the program in the real MsgBox, modally.
class MsgBoxPresenter : public MsgPresenter
{
public:
    int present(const MsgBoxRequest &request) override;
};
