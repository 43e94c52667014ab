#pragma once

#include "client/journal/Journal.h"
#include "manage/shared/RowTableModel.h"

// Words of the journal for people.
namespace HistoryText {
// "批量添加", "记录修改", "撤销" … for a job's kind.
QString kindName(const QString &kind);
// "已完成", "部分失败" … for a job's state.
QString stateName(const QString &state);
// The state of a job as the history shows it: a job ended partly failed whose every step
// that sent a request failed reads "失败", not "部分失败"; one an undo reverted only in part
// reads "部分撤销".
QString jobStateName(const JournalJob &job);
// "成功", "失败", "冲突" … for a step's status.
QString statusName(const QString &status);
// "成功 3 · 失败 1" of a job's counts.
QString countsText(const QMap<QString, int> &counts);
} // namespace HistoryText

// The journal's jobs, newest first: number ("#12", as the CLI and "撤销 #12" name it), time,
// kind, what (made from the job's steps), counts, state.
class JobListModel : public RowTableModel<JournalJob>
{
    Q_OBJECT
public:
    enum Column
    {
        Number,
        Time,
        Kind,
        Summary,
        Steps,
        State,
        ColumnCount
    };
    explicit JobListModel(QObject *parent = nullptr);
    void setJobs(const QList<JournalJob> &jobs) { setRows(jobs); }
    const JournalJob &job(int r) const { return row(r); }

protected:
    QVariant cell(const JournalJob &j, int column, int role) const override;
};

// The steps of one job: domain, operation, before, after (bold when it changes a record),
// status, error and what the step changes.
class JobStepModel : public RowTableModel<JournalStep>
{
    Q_OBJECT
public:
    explicit JobStepModel(QObject *parent = nullptr);
    void setSteps(const QList<JournalStep> &steps) { setRows(steps); }

protected:
    QVariant cell(const JournalStep &s, int column, int role) const override;
};
