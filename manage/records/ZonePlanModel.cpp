#include "manage/records/ZonePlanModel.h"

#include "client/plan/RecordJson.h"

#include <QBrush>
#include <QColor>

namespace {

QString changed(int before, int after)
{
    return before == after ? QString::number(after)
                           : QStringLiteral("%1 → %2").arg(before).arg(after);
}

} // namespace

QString zoneStepOpText(const QString &op)
{
    if (op == StepOps::Create)
        return QStringLiteral("新增");
    if (op == StepOps::Change)
        return QStringLiteral("修改");
    if (op == StepOps::Unchanged)
        return QStringLiteral("不变");
    if (op == StepOps::Delete)
        return QStringLiteral("删除");
    if (op == StepOps::Problem)
        return QStringLiteral("无法导入");
    if (op == StepOps::Skip)
        return QStringLiteral("跳过");
    return op;
}

ZonePlanModel::ZonePlanModel(QObject *parent)
    : RowTableModel({QStringLiteral("操作"), QStringLiteral("行"), QStringLiteral("主机记录"),
                     QStringLiteral("类型"), QStringLiteral("记录值"), QStringLiteral("TTL"),
                     QStringLiteral("MX"), QStringLiteral("说明")},
                    parent)
{}

void ZonePlanModel::setPlan(const ChangePlan &plan)
{
    m_plan = plan;
    setRows(plan.domains.isEmpty() ? QList<PlanStep>() : plan.domains.first().steps);
}

QVariant ZonePlanModel::cell(const PlanStep &s, int column, int role) const
{
    if (role == Qt::ForegroundRole) {
        if (s.op == StepOps::Problem || s.op == StepOps::Delete)
            return QBrush(QColor(0xf5, 0x6c, 0x6c));
        if (s.op == StepOps::Create || s.op == StepOps::Change)
            return QBrush(QColor(0x00, 0x8c, 0xee));
        return QBrush(QColor(0x90, 0x93, 0x99));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const Record r = recordFromJson(s.op == StepOps::Delete ? s.before : s.after);
    const bool hasSettings = !(s.op == StepOps::Skip && r.value.isEmpty());
    const bool isMx = r.type.compare(QLatin1String("MX"), Qt::CaseInsensitive) == 0;
    const bool change = s.op == StepOps::Change;
    switch (column) {
    case Op:
        return zoneStepOpText(s.op);
    case FileLine:
        return s.fileLine ? QVariant(s.fileLine) : QVariant();
    case Host:
        return r.host;
    case Type:
        return r.type;
    case Value:
        return r.value;
    case Ttl:
        if (!hasSettings)
            return QVariant();
        return change ? changed(recordFromJson(s.before).ttl, r.ttl) : QString::number(r.ttl);
    case Mx:
        if (!hasSettings || !isMx)
            return QVariant();
        return change ? changed(recordFromJson(s.before).mx, r.mx) : QString::number(r.mx);
    case Reason:
        return s.problem;
    default:
        return QVariant();
    }
}
