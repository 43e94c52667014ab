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

ZonePlanModel::ZonePlanModel(QObject *parent) : QAbstractTableModel(parent) {}

void ZonePlanModel::setPlan(const ZonePlan &plan)
{
    beginResetModel();
    m_plan = plan;
    endResetModel();
}

int ZonePlanModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_plan.steps.size();
}

int ZonePlanModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ZonePlanModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_plan.steps.size())
        return QVariant();
    const ZoneStep &s = m_plan.steps.at(index.row());
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
    switch (index.column()) {
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

QVariant ZonePlanModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[] = {"操作",   "行",  "主机记录", "类型",
                                         "记录值", "TTL", "MX",       "说明"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}
