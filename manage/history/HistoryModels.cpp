#include "manage/history/HistoryModels.h"

#include "manage/shared/PlanView.h"

#include <QColor>
#include <QHash>

namespace HistoryText {

QString kindName(const QString &kind)
{
    static const QHash<QString, QString> names{
        {QStringLiteral("batch-add"), QStringLiteral("批量添加")},
        {QStringLiteral("batch-edit"), QStringLiteral("批量修改")},
        {QStringLiteral("batch-delete"), QStringLiteral("批量删除")},
        {QStringLiteral("search-edit"), QStringLiteral("修改搜索结果")},
        {QStringLiteral("record"), QStringLiteral("记录操作")},
        {QStringLiteral("domain"), QStringLiteral("域名操作")},
        {QStringLiteral("zone-import"), QStringLiteral("导入区域文件")},
        {QStringLiteral("undo"), QStringLiteral("撤销")},
    };
    return names.value(kind, kind);
}

QString stateName(const QString &state)
{
    static const QHash<QString, QString> names{
        {JobState::Running, QStringLiteral("进行中")},
        {JobState::Done, QStringLiteral("已完成")},
        {JobState::Partial, QStringLiteral("部分失败")},
        {JobState::Stopped, QStringLiteral("已停止")},
        {JobState::Interrupted, QStringLiteral("已中断")},
        {JobState::Undone, QStringLiteral("已撤销")},
    };
    return names.value(state, state);
}

QString statusName(const QString &status)
{
    static const QHash<QString, QString> names{
        {StepStatus::Pending, QStringLiteral("等待中")},
        {StepStatus::Done, QStringLiteral("成功")},
        {StepStatus::Failed, QStringLiteral("失败")},
        {StepStatus::Unknown, QStringLiteral("结果未知")},
        {StepStatus::Skipped, QStringLiteral("已跳过")},
        {StepStatus::AlreadyReverted, QStringLiteral("已是原样")},
        {StepStatus::Conflict, QStringLiteral("冲突")},
    };
    return names.value(status, status);
}

QString countsText(const QMap<QString, int> &counts)
{
    QStringList parts;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > 0)
            parts.append(QStringLiteral("%1 %2").arg(statusName(it.key())).arg(it.value()));
    }
    return parts.join(QStringLiteral(" · "));
}

} // namespace HistoryText

void JobListModel::setJobs(const QList<JournalJob> &jobs)
{
    beginResetModel();
    m_jobs = jobs;
    endResetModel();
}

int JobListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_jobs.size();
}

int JobListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 5;
}

QVariant JobListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_jobs.size())
        return QVariant();
    const JournalJob &j = m_jobs.at(index.row());
    if (role == Qt::ForegroundRole && index.column() == 4 &&
        (j.state == JobState::Partial || j.state == JobState::Interrupted))
        return QColor(0xe0, 0x4b, 0x3c);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case 0:
        return j.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case 1:
        return HistoryText::kindName(j.kind);
    case 2:
        return j.summary;
    case 3:
        return HistoryText::countsText(j.counts);
    default:
        return HistoryText::stateName(j.state);
    }
}

QVariant JobListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char *const names[] = {"时间", "类型", "内容", "步骤", "状态"};
    return section >= 0 && section < 5 ? QString::fromUtf8(names[section]) : QVariant();
}

void JobStepModel::setSteps(const QList<JournalStep> &steps)
{
    beginResetModel();
    m_steps = steps;
    endResetModel();
}

int JobStepModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_steps.size();
}

int JobStepModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 6;
}

QVariant JobStepModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_steps.size())
        return QVariant();
    const JournalStep &s = m_steps.at(index.row());
    const bool bad = s.status != StepStatus::Done && s.status != StepStatus::AlreadyReverted;
    if (role == Qt::ForegroundRole && bad && index.column() >= 4)
        return QColor(0xe0, 0x4b, 0x3c);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case 0:
        return s.domain;
    case 1:
        return PlanText::opName(s.op);
    case 2:
        return PlanText::stateText(s.op, s.before);
    case 3:
        return PlanText::stateText(s.op, s.after);
    case 4:
        return HistoryText::statusName(s.status);
    default:
        return s.error;
    }
}

QVariant JobStepModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char *const names[] = {"域名", "操作", "修改前", "修改后", "结果", "说明"};
    return section >= 0 && section < 6 ? QString::fromUtf8(names[section]) : QVariant();
}
