#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QList>
#include <QStringList>

// The colour of a row or cell that needs the user's eye: a failure, a problem, a warning.
inline QColor problemColor()
{
    return QColor(0xe0, 0x4b, 0x3c);
}

// The font of a cell that changes: the after of a record change.
inline QFont boldFont()
{
    QFont font;
    font.setBold(true);
    return font;
}

// A read-only table of Row values, one row each, under fixed column titles. A model says what
// a cell shows in cell(); the rest (counts, reset, titles) is the same for every such table.
template <typename Row>
class RowTableModel : public QAbstractTableModel
{
public:
    RowTableModel(const QStringList &titles, QObject *parent)
        : QAbstractTableModel(parent), m_titles(titles)
    {}

    void setRows(const QList<Row> &rows)
    {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    const QList<Row> &rows() const { return m_rows; }
    const Row &row(int r) const { return m_rows.at(r); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows.size();
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_titles.size();
    }
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_titles.size())
            return QVariant();
        return cell(m_rows.at(index.row()), index.column(), role);
    }
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        return section >= 0 && section < m_titles.size() ? m_titles.at(section) : QVariant();
    }

protected:
    // What column of row shows in role; a null QVariant for nothing.
    virtual QVariant cell(const Row &row, int column, int role) const = 0;

private:
    QStringList m_titles;
    QList<Row> m_rows;
};
