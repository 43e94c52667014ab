#pragma once

#include "manage/shared/ManagePage.h"
#include "manage/shared/PageJobRunner.h"

#include <QString>

class QComboBox;
class QPlainTextEdit;
class QStackedWidget;
class QTextEdit;
class QWidget;

// The widgets the add-domains page owns, under the form's object names.
struct AddDomainsWidgets
{
    QStackedWidget *stackedWidget_add = nullptr;
    QWidget *page_p_add1 = nullptr;          // input: the names and the group choice
    QWidget *page_p_add2 = nullptr;          // the job and its results
    QPlainTextEdit *plainTextEdit = nullptr; // the names, one a line
    QComboBox *comboBox_18 = nullptr;        // the group the new domains go into
    QTextEdit *textEdit_3 = nullptr;         // successes
    QTextEdit *textEdit_5 = nullptr;         // failures
    JobWidgets job;                          // overlay, progress and stop of the job
};

// The add-domains page: one service call per typed name, each added domain then moved into
// the group chosen on the page, if any.
class AddDomainsPage : public ManagePage
{
    Q_OBJECT
public:
    AddDomainsPage(PageShell &window, const AddDomainsWidgets &widgets);

    // By-name slots handed over by the window.
    void startClicked();
    void backClicked();
    void cancelClicked();
    void continueClicked();
    void pageChanged(int index);
    void textChanged();

    PageJobRunner &runner() { return m_runner; }

private:
    void refreshGroupChoice();
    // Adds one name and writes its line; groupId > 0 moves the new domain into that group.
    void addOne(const QString &name, int groupId);
    // Moves the domain the last successful add created; an empty string on success, else the
    // reason.
    QString moveAddedDomain(const QString &name, int groupId);

    const AddDomainsWidgets m_w;
    PageJobRunner m_runner;
};
