#pragma once

#include "ManagePage.h"

// The group editor panel over the domain page.
class GroupEditor : public ManagePage
{
    Q_OBJECT
public:
    explicit GroupEditor(MainWindow2 &window);

    // By-name slots handed over by the window.
    void openEditor();
    void overlayClicked();
};
