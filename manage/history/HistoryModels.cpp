#include "manage/history/HistoryModels.h"

#include "client/journal/JobSummary.h"
#include "manage/shared/PlanView.h"

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

QString jobStateName(const JournalJob &job)
{
    if (job.partlyUndoneBy > 0)
        return QStringLiteral("部分撤销");
    const bool nothingDone = job.counts.value(StepStatus::Done) == 0 &&
                             job.counts.value(StepStatus::AlreadyReverted) == 0;
    if (job.state == JobState::Partial && nothingDone)
        return QStringLiteral("失败");
    return stateName(job.state);
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

JobListModel::JobListModel(QObject *parent)
    : RowTableModel({QStringLiteral("编号"), QStringLiteral("时间"), QStringLiteral("类型"),
                     QStringLiteral("内容"), QStringLiteral("步骤"), QStringLiteral("状态")},
                    parent)
{}

QVariant JobListModel::cell(const JournalJob &j, int column, int role) const
{
    if (role == Qt::ForegroundRole && column == State &&
        (j.state == JobState::Partial || j.state == JobState::Interrupted || j.partlyUndoneBy > 0))
        return problemColor();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (column) {
    case Number:
        return QStringLiteral("#%1").arg(j.id);
    case Time:
        return j.created.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Kind:
        return HistoryText::kindName(j.kind);
    case Summary:
        return jobSummary(j, SummaryLanguage::Chinese);
    case Steps: {
        QString text = HistoryText::countsText(j.counts);
        if (j.forced > 0)
            text += QStringLiteral("（强制 %1）").arg(j.forced);
        return text;
    }
    default:
        if (role == Qt::ToolTipRole && j.partlyUndoneBy > 0)
            return QStringLiteral("#%1 只撤销了其中一部分；可再次撤销其余的修改")
                .arg(j.partlyUndoneBy);
        return HistoryText::jobStateName(j);
    }
}

JobStepModel::JobStepModel(QObject *parent)
    : RowTableModel({QStringLiteral("域名"), QStringLiteral("操作"), QStringLiteral("修改前"),
                     QStringLiteral("修改后"), QStringLiteral("结果"), QStringLiteral("说明"),
                     QStringLiteral("改动")},
                    parent)
{}

QVariant JobStepModel::cell(const JournalStep &s, int column, int role) const
{
    const bool bad = s.status != StepStatus::Done && s.status != StepStatus::AlreadyReverted;
    if (role == Qt::ForegroundRole && bad && (column == 4 || column == 5))
        return problemColor();
    if (role == Qt::FontRole && column == 3 &&
        !PlanText::changeText(s.op, s.before, s.after).isEmpty())
        return boldFont();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (column) {
    case 0:
        return s.domain;
    case 1:
        // An undo step that overwrote a change made after the job it reverts.
        return QString(PlanText::opName(s.op) + (s.forced ? QStringLiteral(" (强制)") : QString()));
    case 2:
        return PlanText::stateText(s.op, s.before);
    case 3:
        return PlanText::stateText(s.op, s.after);
    case 4:
        return HistoryText::statusName(s.status);
    case 5:
        return s.error;
    default:
        return PlanText::changeText(s.op, s.before, s.after);
    }
}
