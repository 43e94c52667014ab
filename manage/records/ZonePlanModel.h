#pragma once

#include "client/zone/ZonePlanner.h"

#include <QAbstractTableModel>

// The steps of a zone import plan as rows: op, line of the file, host, type, value, TTL, MX and
// the reason a record is skipped or refused. Values that change show "old → new".
class ZonePlanModel : public QAbstractTableModel
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

    void setPlan(const ZonePlan &plan);
    const ZonePlan &plan() const { return m_plan; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    ZonePlan m_plan;
};

// The op of a step for people: "新增", "修改", "不变", "删除", "无法导入", "跳过".
QString zoneStepOpText(ZoneStepOp op);
