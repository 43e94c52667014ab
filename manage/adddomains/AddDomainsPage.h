#pragma once

#include "manage/shared/JobRunner.h"
#include "manage/shell/ManagePage.h"

#include <QString>

// The add-domains page: one service call per typed name, each added domain then moved into
// the group chosen on the page, if any.
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

    JobRunner &runner() { return m_runner; }

private:
    void refreshGroupChoice();
    // Adds one name and writes its line; groupId > 0 moves the new domain into that group.
    void addOne(const QString &name, int groupId);
    // Moves the domain the last successful add created; an empty string on success, else the
    // reason.
    QString moveAddedDomain(const QString &name, int groupId);

    JobRunner m_runner;
};
