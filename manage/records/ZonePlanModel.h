#pragma once

#include "client/plan/ChangePlan.h"
#include "manage/shared/RowTableModel.h"

// The steps of a zone import plan (planZoneImport) as rows: op, line of the file, host, type,
// value, TTL, MX and the reason a record is skipped or refused. Values that change show
// "old → new".
class ZonePlanModel : public RowTableModel<PlanStep>
{
    Q_OBJECT
public:
    enum Column
    {
        Op,
        FileLine,
        Host,
        Type,
        Value,
        Ttl,
        Mx,
        Reason,
        ColumnCount
    };

    explicit ZonePlanModel(QObject *parent = nullptr);

    void setPlan(const ChangePlan &plan);
    const ChangePlan &plan() const { return m_plan; }

protected:
    QVariant cell(const PlanStep &s, int column, int role) const override;

private:
    ChangePlan m_plan;
};

// The op of a zone import step for people: "新增", "修改", "不变", "删除", "无法导入", "跳过".
QString zoneStepOpText(const QString &op);
