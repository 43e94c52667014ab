#pragma once

#include <QString>
#include <QStringList>

struct StepOutcome;

// The result lines of the batch record jobs. Columns are padded to fixed widths (a negative
// width pads on the right, as QString::arg does); a text longer than its column is never cut.

// How a row shows one record: the full name, the type's display text, the value and the
// line's name.
struct RecordLineText
{
    QString fqdn;
    QString type;
    QString value;
    QString line;
};

// text padded with spaces to |width| characters, on the right when width is negative.
QString padded(const QString &text, int width);

// host + "." + domain.
QString fullName(const QString &host, const QString &domain);

// Add tab: "成功" when error is null, else the service's reason after two spaces. An empty mx
// shows as "-".
QString addResultLine(const RecordLineText &row, const QString &mx, const QString &ttl,
                      const QString *error = nullptr);

// Delete tab: outcome is "删除成功", the service's reason or "未找到"; the edit tab's "未找到"
// line has the same form.
QString recordOutcomeLine(const RecordLineText &row, const QString &outcome);

// Edit tab: the old record's line, then the new one's, the latter with the service's reason
// when the change failed.
QString editOldLine(const RecordLineText &old);
QString editNewLine(const RecordLineText &row, const QString &mx, const QString &ttl,
                    const QString *error = nullptr);

// Any tab, for a name the account does not hold.
QString unknownDomainLine(const QString &name);

// The lines a step of a previewed plan's run writes, in the formats above, so that a tab's
// results read alike whichever button ran them; success tells which list they go to. A step
// that names no record (an unknown, locked or paused domain) reads as its domain and reason.
QStringList outcomeLines(const StepOutcome &outcome, bool &success);
