#pragma once

#include "client/Types.h"

#include <QColor>
#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QPushButton;
class QWidget;

// The row colours of the window's tables: alternating rows and the row under the pointer.
struct RowColours
{
    QColor even;
    QColor odd;
    QColor hover;
};

// What a page of the management window may ask of the window around it: navigation, the
// domain the record page shows, the row colours, the notice strip and the hover behaviour of
// name buttons. The pages know the window only through this, so no include runs from a page
// back up to the shell.
class PageShell
{
public:
    virtual ~PageShell() = default;

    // The widget a page's dialogs open over.
    virtual QWidget *dialogParent() = 0;

    // The domain whose records the record page shows.
    virtual QSharedPointer<Domain> shownDomain() const = 0;
    virtual void setShownDomain(const QSharedPointer<Domain> &domain) = 0;

    virtual RowColours rowColours() const = 0;
    // The version of the running program, as a number (1.31).
    virtual double runningVersion() const = 0;

    // Shows text in the notice strip for a time that grows with its length.
    virtual void showToast(const QString &text) = 0;

    // A button whose full text shows as a tool tip while the pointer is over it (domain names,
    // record hosts and values); forgetNameButtons drops all of them when their rows go.
    virtual void addNameButton(QPushButton *button) = 0;
    virtual void forgetNameButtons() = 0;
    // A line-menu entry that takes the hover colour.
    virtual void addMenuButton(QPushButton *button) = 0;

    // Navigation: a page moves the user to another page only through these. Each does what the
    // navigation column or the target page's own buttons do, in their order.
    // The domain page as the navigation column opens it: the lists are reloaded when stale.
    virtual void showDomainList() = 0;
    // The domain page as it was left, without a reload (back from the job results).
    virtual void showDomainPage() = 0;
    // Inside the domain page: a domain's record table in place of the domain rows, and back.
    virtual void showRecordTable() = 0;
    virtual void showDomainRows() = 0;
    // Fetches the records of domain and shows them (the domain list's names open this).
    virtual void showRecords(const QSharedPointer<Domain> &domain) = 0;
    // A search hit opened: the domain page current in the navigation, the domain's records
    // with the hit's record highlighted, and "后退" back to the search as it was left.
    virtual void showHitRecord(const QSharedPointer<Domain> &domain, int recordID) = 0;
    // The results of a job run on the domain or record page, one line per item.
    virtual void showJobResults(const QStringList &successes, const QStringList &failures) = 0;
    // The batch page as the navigation column opens it.
    virtual void showBatchJobs() = 0;
    // The account-wide search over the local copy, as the navigation column opens it.
    virtual void showSearch() = 0;
    // The batch page's add tab at its input, with domainNames (when any) as its domain list.
    virtual void showBatchAddInput(const QStringList &domainNames) = 0;
    // The batch page's edit tab with domainName as the domain list and a row for each of the
    // first records.
    virtual void showBatchEdit(const QString &domainName,
                               const QList<QSharedPointer<Record>> &records) = 0;
    // The history page with the journal read afresh.
    virtual void showHistory() = 0;
    // The domain and group lists loaded again when stale, as the domain page does when shown.
    virtual void loadStaleDomainLists() = 0;
    // Logging out, confirmed: the sign-in side takes over and the window hides.
    virtual void returnToSignIn() = 0;

    // Whether the sign-in side remembers the password; empty when it has not told.
    virtual std::optional<bool> passwordRemembered() const = 0;
};
