#pragma once

#include "ManagePage.h"

// The message centre: news, notices and the account's own messages.
class MessagePage : public ManagePage
{
    Q_OBJECT
public:
    explicit MessagePage(MainWindow2 &window);

    // By-name slots handed over by the window.
    void newsClicked();
    void noticesClicked();
    void informClicked();
    void tabChanged(int index);
    void allTabClicked();
    void unreadTabClicked();
    void selectAllClicked();
    void markReadClicked();
    void markAllReadClicked();
    void deleteClicked();
    void refreshClicked();
    void backClicked();
};
