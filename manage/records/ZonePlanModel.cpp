#include "manage/records/ZonePlanModel.h"

#include <QBrush>
#include <QColor>

namespace {

QString changed(int before, int after)
{
    return before == after ? QString::number(after)
                           : QStringLiteral("%1 → %2").arg(before).arg(after);
}

} // namespace

QString zoneStepOpText(ZoneStepOp op)
{
    switch (op) {
    case ZoneStepOp::Create:
        return QStringLiteral("新增");
    case ZoneStepOp::Change:
        return QStringLiteral("修改");
    case ZoneStepOp::Unchanged:
        return QStringLiteral("不变");
    case ZoneStepOp::Delete:
        return QStringLiteral("删除");
    case ZoneStepOp::Problem:
        return QStringLiteral("无法导入");
    case ZoneStepOp::Skip:
        return QStringLiteral("跳过");
    }
    return QString();
}

ZonePlanModel::ZonePlanModel(QObject *parent)
    : RowTableModel({QStringLiteral("操作"), QStringLiteral("行"), QStringLiteral("主机记录"),
                     QStringLiteral("类型"), QStringLiteral("记录值"), QStringLiteral("TTL"),
                     QStringLiteral("MX"), QStringLiteral("说明")},
                    parent)
{}

void ZonePlanModel::setPlan(const ZonePlan &plan)
{
    m_plan = plan;
    setRows(plan.steps);
}

QVariant ZonePlanModel::cell(const ZoneStep &s, int column, int role) const
{
    if (role == Qt::ForegroundRole) {
        switch (s.op) {
        case ZoneStepOp::Problem:
        case ZoneStepOp::Delete:
            return QBrush(QColor(0xf5, 0x6c, 0x6c));
        case ZoneStepOp::Create:
        case ZoneStepOp::Change:
            return QBrush(QColor(0x00, 0x8c, 0xee));
        case ZoneStepOp::Unchanged:
        case ZoneStepOp::Skip:
            return QBrush(QColor(0x90, 0x93, 0x99));
        }
        return QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    const ZoneStepRecord &r = s.op == ZoneStepOp::Delete ? s.before : s.after;
    const bool hasSettings = !(s.op == ZoneStepOp::Skip && r.value.isEmpty());
    const bool isMx = r.type.compare(QLatin1String("MX"), Qt::CaseInsensitive) == 0;
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
        return s.op == ZoneStepOp::Change ? changed(s.before.ttl, r.ttl) : QString::number(r.ttl);
    case Mx:
        if (!hasSettings || !isMx)
            return QVariant();
        return s.op == ZoneStepOp::Change ? changed(s.before.mx, r.mx) : QString::number(r.mx);
    case Reason:
        return s.reason;
    default:
        return QVariant();
    }
}
