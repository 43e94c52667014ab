#pragma once

#include "ManagePage.h"

// The add-domains page: one service call per typed name.
class AddDomainsPage : public ManagePage
{
    Q_OBJECT
public:
    explicit AddDomainsPage(MainWindow2 &window);

    // By-name slots handed over by the window.
    void startClicked();
    void backClicked();
    void cancelClicked();
    void continueClicked();
    void pageChanged(int index);
    void textChanged();
};
