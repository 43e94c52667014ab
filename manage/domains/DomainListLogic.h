#pragma once

#include "client/Types.h"

#include <QString>
#include <QStringList>

// Decisions of the domain list page that need no window: what a row's buttons look like, when
// the table grows, how bulk outcomes are written and reported.

// Tool tip and icon file (under the page's icon folder) of one row button.
struct RowButtonLook
{
    QString toolTip;
    QString icon;
};

RowButtonLook lockButtonLook(const Domain &dm);
RowButtonLook pauseButtonLook(const Domain &dm);
RowButtonLook deleteButtonLook();

// How many domains of the list the table shows for this group and search text.
int countMatches(const DomainList &domains, int groupId, const QString &search);
bool anyMatch(const DomainList &domains, int groupId, const QString &search);

// Where the cached domain list holds id, or -1.
int domainIndexById(const DomainList &domains, int id);

// The table title: the group's name ("全部域名" when it has none) and its domain count.
QString domainListTitle(const QString &groupName, int count);

// Whether the periodic job should append rows: the scroll bar is near its end and fewer rows are
// shown than match the filter.
bool shouldGrowTable(int scrollMax, int scrollValue, int pageStep, int matchCount);
// How many rows the table should hold after growing: (scroll maximum + 25), and at least one
// more page, so that a window taller than 25 rows still grows.
int growthTarget(int scrollMax, int pageStep, int rowCount);

// Result lines of the bulk actions.
QString pauseSuccessLine(const QString &name, bool pause);
QString pauseFailureLine(const QString &name, bool locked, const QString &error);
QString lockFailureLine(const QString &name, const QString &error);
QString moveSuccessLine(const QString &name);
QString moveFailureLine(const QString &name, const QString &error);

// How pause/start and the group move report their failures.
enum class BulkReport
{
    Toast,      // none failed: "操作成功"
    MessageBox, // one to five: listed in a box
    ResultPage  // more: the result page
};
BulkReport bulkReportFor(int failures);
QString bulkFailureBoxText(const QStringList &failures);
