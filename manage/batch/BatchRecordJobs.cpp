#include "manage/batch/BatchRecordJobs.h"

#include "client/User.h"
#include "client/plan/ChangePlan.h"
#include "client/plan/RecordJson.h"
#include "client/plan/RecordMatch.h"
#include "manage/batch/BatchResultLines.h"
#include "manage/shared/PageJournal.h"

#include <QSharedPointer>

namespace {

void noteAnswer(const BatchResultSink &sink, bool ok, const User &user)
{
    if (sink.answer)
        sink.answer(ok || user.answered);
}

bool gaveUp(const BatchResultSink &sink)
{
    return sink.gaveUp && sink.gaveUp();
}

RecordLineText oldText(const BatchRowValues &row, const QString &domain)
{
    return {fullName(row.host, domain), row.typeText, row.value, row.lineText};
}

RecordLineText newText(const BatchRowValues &row, const QString &domain)
{
    return {fullName(row.newHost, domain), row.newTypeText, row.newValue, row.newLineText};
}

// The record a row adds, as the journal keeps it.
QJsonObject addedRecord(const BatchRowValues &row)
{
    Record r;
    r.host = row.host;
    r.type = row.type;
    r.value = row.value;
    r.setLine(row.lineId);
    r.viewName = row.lineText;
    r.ttl = row.ttl.toInt();
    r.mx = row.type == QLatin1String("MX") ? row.mx.toInt() : 0;
    return recordToJson(r);
}

// record as a row's edit leaves it: empty new fields keep their value, as the service does.
QJsonObject editedRecord(const Record &record, const BatchRowValues &row)
{
    Record r = record;
    if (!row.newHost.isEmpty())
        r.host = row.newHost;
    if (!row.newType.isEmpty())
        r.type = row.newType;
    if (!row.newValue.isEmpty())
        r.value = row.newValue;
    if (!row.newTtl.isEmpty())
        r.ttl = row.newTtl.toInt();
    bool mxGiven = false;
    const int mx = row.newMx.toInt(&mxGiven);
    if (mxGiven)
        r.mx = mx;
    if (r.type != QLatin1String("MX"))
        r.mx = 0;
    r.setLine(row.newLineId);
    r.viewName = row.newLineText;
    return recordToJson(r);
}

// False when the call must not be made: the journal failed (it said so), and the job stops.
bool journalPending(const BatchResultSink &sink, User &user, const QString &domain, int id,
                    const QString &op, const QJsonObject &before, const QJsonObject &after,
                    qint64 &step)
{
    step = sink.journal ? sink.journal->pending(user, domain, id, op, before, after) : 0;
    return !sink.journal || step != 0;
}

void journalSettle(const BatchResultSink &sink, qint64 step, bool ok, const User &user,
                   const QJsonObject &after = QJsonObject())
{
    if (sink.journal)
        sink.journal->settle(step, ok, user, after);
    noteAnswer(sink, ok, user);
}

RecordPattern patternOf(const BatchRowValues &row)
{
    return {row.type, row.host, row.lineId, row.value};
}

// A row's call not made after the job gave up: journaled as skipped, with the record it
// names (what the row matches for an edit or delete: the records were not read).
void skipRow(BatchKind kind, const QString &domain, int domainId, const BatchRowValues &row,
             const BatchResultSink &sink)
{
    const QString reason = sink.reason ? sink.reason() : QString();
    const QJsonObject named = addedRecord(row);
    if (sink.journal) {
        if (kind == BatchKind::Add)
            sink.journal->skipped(domain, domainId, StepOps::Create, {}, named, reason);
        else if (kind == BatchKind::Delete)
            sink.journal->skipped(domain, domainId, StepOps::Delete, named, {}, reason);
        else
            sink.journal->skipped(domain, domainId, StepOps::Change, named,
                                  editedRecord(recordFromJson(named), row), reason);
    }
    sink.failure(recordOutcomeLine(oldText(row, domain), reason));
}

void addRows(User &user, int domainId, const QString &domain, const QList<BatchRowValues> &rows,
             const BatchResultSink &sink)
{
    for (const BatchRowValues &row : rows) {
        if (row.host.isEmpty())
            continue;
        if (gaveUp(sink)) {
            skipRow(BatchKind::Add, domain, domainId, row, sink);
            continue;
        }
        qint64 step = 0;
        if (!journalPending(sink, user, domain, domainId, StepOps::Create, {}, addedRecord(row),
                            step))
            return;
        Record created;
        const bool ok = user.addRecord(domainId, row.value, row.type, QString::number(row.lineId),
                                       row.host, row.ttl, row.mx, &created);
        // The new record's id, so that an undo deletes exactly it.
        QJsonObject after = addedRecord(row);
        after.insert(QStringLiteral("id"), created.id);
        journalSettle(sink, step, ok, user, ok ? after : QJsonObject());
        const RecordLineText text = oldText(row, domain);
        if (ok)
            sink.success(addResultLine(text, row.mx, row.ttl));
        else
            sink.failure(addResultLine(text, row.mx, row.ttl, &user.errorText));
    }
}

// Reads the domain's records when they are stale. False when they could not be read: the cached
// ones would be out of date, and what no record matched would be reported as not found.
bool freshRecords(User &user, Domain &dm, const BatchResultSink &sink)
{
    if (!dm.recordsDirty)
        return true;
    user.getRecord(&dm);
    noteAnswer(sink, user.errorText.isEmpty(), user);
    if (!user.errorText.isEmpty())
        return false;
    dm.recordsDirty = false;
    return true;
}

void deleteRow(User &user, Domain &dm, const BatchRowValues &row, const QString &domain,
               const BatchResultSink &sink)
{
    const RecordLineText text = oldText(row, domain);
    if (!freshRecords(user, dm, sink)) {
        sink.failure(recordOutcomeLine(text, user.errorText));
        return;
    }
    const QList<QSharedPointer<Record>> matches = matchingRecords(dm.records, patternOf(row));
    for (const QSharedPointer<Record> &record : matches) {
        qint64 step = 0;
        if (!journalPending(sink, user, domain, dm.id, StepOps::Delete, recordToJson(*record), {},
                            step))
            return;
        const bool ok = user.delRecord(&dm, record->id);
        journalSettle(sink, step, ok, user);
        if (ok) {
            dm.recordsDirty = true;
            sink.success(recordOutcomeLine(text, QStringLiteral("删除成功")));
        } else {
            sink.failure(recordOutcomeLine(text, user.errorText));
        }
    }
    // The next row matches against what is left.
    if (dm.recordsDirty)
        freshRecords(user, dm, sink);
    if (matches.isEmpty())
        sink.failure(recordOutcomeLine(text, QStringLiteral("未找到")));
}

void editRow(User &user, Domain &dm, const BatchRowValues &row, const QString &domain,
             const BatchResultSink &sink)
{
    const RecordLineText before = oldText(row, domain);
    if (!freshRecords(user, dm, sink)) {
        sink.failure(recordOutcomeLine(before, user.errorText));
        return;
    }
    const RecordLineText after = newText(row, domain);
    const QList<QSharedPointer<Record>> matches = matchingRecords(dm.records, patternOf(row));
    for (const QSharedPointer<Record> &record : matches) {
        qint64 step = 0;
        if (!journalPending(sink, user, domain, dm.id, StepOps::Change, recordToJson(*record),
                            editedRecord(*record, row), step))
            return;
        const bool ok = user.editRecord(&dm, record->id, row.newHost, row.newType, row.newValue,
                                        row.newTtl, row.newMx, QString::number(row.newLineId));
        journalSettle(sink, step, ok, user);
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
        if (sink.journal && sink.journal->failed())
            return;
        if (row.host.isEmpty())
            continue;
        if (gaveUp(sink))
            skipRow(kind, domainName, dm->id, row, sink);
        else if (kind == BatchKind::Delete)
            deleteRow(user, *dm, row, domainName, sink);
        else
            editRow(user, *dm, row, domainName, sink);
    }
}

void skipBatchDomain(User &user, BatchKind kind, const QString &domainName,
                     const QList<BatchRowValues> &rows, const BatchResultSink &sink)
{
    const int domainId = user.domain2dmid(domainName);
    for (const BatchRowValues &row : rows) {
        if (sink.journal && sink.journal->failed())
            return;
        if (!row.host.isEmpty())
            skipRow(kind, domainName, domainId, row, sink);
    }
}
