#pragma once

#include "client/journal/Journal.h"

#include <QAbstractTableModel>

// Words of the journal for people.
namespace HistoryText {
// "批量添加", "记录修改", "撤销" … for a job's kind.
QString kindName(const QString &kind);
// "已完成", "部分失败" … for a job's state.
QString stateName(const QString &state);
// "成功", "失败", "冲突" … for a step's status.
QString statusName(const QString &status);
// "成功 3 · 失败 1" of a job's counts.
QString countsText(const QMap<QString, int> &counts);
} // namespace HistoryText

// The journal's jobs, newest first: time, kind, what, counts, state.
class JobListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setJobs(const QList<JournalJob> &jobs);
    const JournalJob &job(int row) const { return m_jobs.at(row); }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<JournalJob> m_jobs;
};

// The steps of one job: domain, operation, before, after, status and error.
class JobStepModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setSteps(const QList<JournalStep> &steps);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<JournalStep> m_steps;
};
