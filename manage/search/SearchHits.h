#pragma once

#include "client/copy/LocalCopy.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

// How old a copy read at fetched is at now, for people: "刚刚", "5 分钟前", "3 天前"; "从未读取"
// when it was never read.
QString copyAgeText(const QDateTime &fetched, const QDateTime &now);

// The line over the results: how many domains the copy holds records of, and the oldest.
QString copyFreshnessText(const QList<CopyDomain> &domains, const QDateTime &now);

// The same line once a search has hits: how many of the copy's domains hold a hit, and the
// oldest read among those, taken from the hits and by the clock their "副本时间" was told with,
// so that the line and the column agree.
QString searchFreshnessText(const QList<CopyDomain> &domains, const QVector<CopyHit> &hits,
                            const QDateTime &now);

// The hits of a search as a table for a QTableView, which asks only for the rows it paints:
// a hundred thousand hits cost one vector, not a widget each. The first column ticks hits for
// a change (its header ticks all); a new search clears the ticks.
class SearchHitModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        TickColumn,
        DomainColumn,
        HostColumn,
        TypeColumn,
        LineColumn,
        ValueColumn,
        TtlColumn,
        StatusColumn, // "暂停" for a paused record, whose row is greyed
        AgeColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setHits(QVector<CopyHit> hits, const QDateTime &now);
    const QVector<CopyHit> &hits() const { return m_hits; }
    // The clock the hits' ages are told by: the time of their search.
    QDateTime now() const { return m_now; }
    void setTicked(int row, bool ticked);
    // Ticks every hit, or none.
    void setAllTicked(bool ticked);
    int tickedCount() const { return m_tickedCount; }
    // The ticked hits in list order.
    QVector<CopyHit> tickedHits() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void tickedChanged(int count);

private:
    QVector<CopyHit> m_hits;
    QVector<bool> m_ticked;
    int m_tickedCount = 0;
    QDateTime m_now;
};
