#include "manage/batch/BatchStartChecks.h"

#include "client/RecordValidation.h"
#include "client/plan/RecordMatch.h"

namespace {

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

void defaultIfBlank(QString &text, const QString &fallback)
{
    if (blank(text))
        text = fallback;
}

// A CNAME target names a host: it ends with the root dot. A blank value gets none, so that the
// required-value check still sees it as missing.
void dotCnameValue(const QString &type, QString &value)
{
    if (type == QLatin1String("CNAME") && !blank(value))
        value = withFinalDot(value.trimmed());
}

QString noRowsMessage(BatchKind kind)
{
    switch (kind) {
    case BatchKind::Add:
        return QStringLiteral("请点击‘新增解析’按钮");
    case BatchKind::Edit:
        return QStringLiteral("请点击‘新增修改’按钮");
    case BatchKind::Delete:
        break;
    }
    return QStringLiteral("请点击‘新增删除’按钮");
}

} // namespace

QString fixUpRow(BatchKind kind, BatchRowTexts &row)
{
    const QString at = QStringLiteral("@");
    switch (kind) {
    case BatchKind::Add:
        defaultIfBlank(row.host, at);
        defaultIfBlank(row.ttl, QStringLiteral("600"));
        return blank(row.value) ? QStringLiteral("请输入记录值") : QString();
    case BatchKind::Delete:
        defaultIfBlank(row.host, at);
        dotCnameValue(row.type, row.value);
        return blank(row.value) ? QStringLiteral("请输入欲删除的记录值") : QString();
    case BatchKind::Edit:
        break;
    }
    defaultIfBlank(row.host, at);
    defaultIfBlank(row.newHost, at);
    if (blank(row.newValue))
        row.newValue = row.value;
    defaultIfBlank(row.newTtl, QStringLiteral("600"));
    dotCnameValue(row.type, row.value);
    return blank(row.value) ? QStringLiteral("请输入欲查找的记录值") : QString();
}

namespace {

// The editor of a row that holds field, by its name on the host editor; new: the edit tab's
// new record.
QString editorOf(BatchKind kind, RecordField field, bool isNew)
{
    const bool edit = kind == BatchKind::Edit;
    switch (field) {
    case RecordField::Host:
        return isNew ? QStringLiteral("rdw2") : QString();
    case RecordField::Type:
        return !edit   ? QStringLiteral("typew")
               : isNew ? QStringLiteral("typew2")
                       : QStringLiteral("typew1");
    case RecordField::Ttl:
        return edit ? QStringLiteral("ttlw2") : QStringLiteral("ttlw");
    case RecordField::Mx:
        return edit ? QStringLiteral("mxw2") : QStringLiteral("mxw");
    case RecordField::Value:
    case RecordField::None:
        break;
    }
    return !edit   ? QStringLiteral("valuew")
           : isNew ? QStringLiteral("valuew2")
                   : QStringLiteral("valuew1");
}

} // namespace

QString rowProblem(BatchKind kind, const BatchRowTexts &row, QString *editor)
{
    // The record a row adds, or looks for: a value the service refuses names no record.
    RecordDraft found{row.host, row.type, row.value, row.ttl, row.mx, true};
    RecordField field = RecordField::None;
    QString problem = recordDraftProblem(found, &field);
    bool isNew = false;
    if (problem.isEmpty() && kind == BatchKind::Edit) {
        problem = recordDraftProblem(
            RecordDraft{row.newHost, row.newType, row.newValue, row.newTtl, row.newMx, false},
            &field);
        isNew = true;
    }
    if (editor && !problem.isEmpty())
        *editor = editorOf(kind, field, isNew);
    return problem;
}

StartCheck checkBatchStart(BatchKind kind, const QStringList &domains, QList<BatchRowTexts> &rows)
{
    StartCheck check;
    if (domains.isEmpty()) {
        check.outcome = StartCheck::NoDomains;
        check.message = QStringLiteral("请输入欲操作的域名");
        return check;
    }
    if (rows.isEmpty()) {
        check.outcome = StartCheck::NoRows;
        check.message = noRowsMessage(kind);
        return check;
    }
    for (int i = 0; i < rows.size(); ++i) {
        const QString missing = fixUpRow(kind, rows[i]);
        if (!missing.isEmpty()) {
            check.outcome = StartCheck::RowIncomplete;
            check.message = missing;
            check.row = i;
            return check;
        }
        const QString problem = rowProblem(kind, rows.at(i), &check.editor);
        if (!problem.isEmpty()) {
            check.outcome = StartCheck::RowInvalid;
            check.message = QStringLiteral("第 %1 行：%2").arg(i + 1).arg(problem);
            check.row = i;
            return check;
        }
    }
    return check;
}
