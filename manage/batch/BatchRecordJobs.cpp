#include "manage/batch/BatchRecordJobs.h"

#include "client/User.h"
#include "client/plan/RecordMatch.h"
#include "manage/batch/BatchResultLines.h"

#include <QSharedPointer>

namespace {

RecordLineText oldText(const BatchRowValues &row, const QString &domain)
{
    return {fullName(row.host, domain), row.typeText, row.value, row.lineText};
}

RecordLineText newText(const BatchRowValues &row, const QString &domain)
{
    return {fullName(row.newHost, domain), row.newTypeText, row.newValue, row.newLineText};
}

RecordPattern patternOf(const BatchRowValues &row)
{
    return {row.type, row.host, row.lineId, row.value};
}

void addRows(User &user, int domainId, const QString &domain, const QList<BatchRowValues> &rows,
             const BatchResultSink &sink)
{
    for (const BatchRowValues &row : rows) {
        if (row.host.isEmpty())
            continue;
        const bool ok = user.addRecord(domainId, row.value, row.type, QString::number(row.lineId),
                                       row.host, row.ttl, row.mx);
        const RecordLineText text = oldText(row, domain);
        if (ok)
            sink.success(addResultLine(text, row.mx, row.ttl));
        else
            sink.failure(addResultLine(text, row.mx, row.ttl, &user.errorText));
    }
}

// Reads the domain's records when they are stale. False when they could not be read: the cached
// ones would be out of date, and what no record matched would be reported as not found.
bool freshRecords(User &user, Domain &dm)
{
    if (!dm.recordsDirty)
        return true;
    user.getRecord(&dm);
    if (!user.errorText.isEmpty())
        return false;
    dm.recordsDirty = false;
    return true;
}

void deleteRow(User &user, Domain &dm, const BatchRowValues &row, const QString &domain,
               const BatchResultSink &sink)
{
    const RecordLineText text = oldText(row, domain);
    if (!freshRecords(user, dm)) {
        sink.failure(recordOutcomeLine(text, user.errorText));
        return;
    }
    const QList<QSharedPointer<Record>> matches = matchingRecords(dm.records, patternOf(row));
    for (const QSharedPointer<Record> &record : matches) {
        if (user.delRecord(&dm, record->id)) {
            dm.recordsDirty = true;
            sink.success(recordOutcomeLine(text, QStringLiteral("删除成功")));
        } else {
            sink.failure(recordOutcomeLine(text, user.errorText));
        }
    }
    // The next row matches against what is left.
    if (dm.recordsDirty)
        freshRecords(user, dm);
    if (matches.isEmpty())
        sink.failure(recordOutcomeLine(text, QStringLiteral("未找到")));
}

void editRow(User &user, Domain &dm, const BatchRowValues &row, const QString &domain,
             const BatchResultSink &sink)
{
    const RecordLineText before = oldText(row, domain);
    if (!freshRecords(user, dm)) {
        sink.failure(recordOutcomeLine(before, user.errorText));
        return;
    }
    const RecordLineText after = newText(row, domain);
    const QList<QSharedPointer<Record>> matches = matchingRecords(dm.records, patternOf(row));
    for (const QSharedPointer<Record> &record : matches) {
        const bool ok = user.editRecord(&dm, record->id, row.newHost, row.newType, row.newValue,
                                        row.newTtl, row.newMx, QString::number(row.newLineId));
        if (ok) {
            dm.recordsDirty = true;
            sink.success(editOldLine(before));
            sink.success(editNewLine(after, row.newMx, row.newTtl));
        } else {
            sink.failure(editOldLine(before));
            sink.failure(editNewLine(after, row.newMx, row.newTtl, &user.errorText));
        }
    }
    if (matches.isEmpty())
        sink.failure(recordOutcomeLine(before, QStringLiteral("未找到")));
}

} // namespace

void runBatchDomain(User &user, BatchKind kind, const QString &domainName,
                    const QList<BatchRowValues> &rows, const BatchResultSink &sink)
{
    const int domainId = user.domain2dmid(domainName);
    if (domainId < 0) {
        sink.failure(unknownDomainLine(domainName));
        return;
    }
    if (kind == BatchKind::Add) {
        addRows(user, domainId, domainName, rows, sink);
        return;
    }
    // Held, so that a reload of the domain list during a call cannot free it under the job.
    const QSharedPointer<Domain> dm = user.domains.sharedOf(user.domain2ptr(domainName));
    for (const BatchRowValues &row : rows) {
        if (row.host.isEmpty())
            continue;
        if (kind == BatchKind::Delete)
            deleteRow(user, *dm, row, domainName, sink);
        else
            editRow(user, *dm, row, domainName, sink);
    }
}
