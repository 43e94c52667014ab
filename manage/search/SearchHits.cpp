#include "manage/search/SearchHits.h"

#include <QColor>
#include <QSet>

QString copyAgeText(const QDateTime &fetched, const QDateTime &now)
{
    if (!fetched.isValid())
        return QStringLiteral("从未读取");
    // A clock set back makes a copy look newer than now: call it fresh rather than negative.
    const qint64 seconds = qMax<qint64>(0, fetched.secsTo(now));
    if (seconds < 60)
        return QStringLiteral("刚刚");
    if (seconds < 3600)
        return QStringLiteral("%1 分钟前").arg(seconds / 60);
    if (seconds < 86400)
        return QStringLiteral("%1 小时前").arg(seconds / 3600);
    return QStringLiteral("%1 天前").arg(seconds / 86400);
}

QString copyFreshnessText(const QList<CopyDomain> &domains, const QDateTime &now)
{
    if (domains.isEmpty())
        return QStringLiteral("本地副本: 尚无数据, 请先刷新副本");
    int read = 0;
    int failed = 0;
    QDateTime oldest;
    for (const CopyDomain &d : domains) {
        if (!d.error.isEmpty())
            ++failed;
        if (!d.fetched.isValid())
            continue;
        ++read;
        if (!oldest.isValid() || d.fetched < oldest)
            oldest = d.fetched;
    }
    QString text = QStringLiteral("本地副本: %1/%2 个域名").arg(read).arg(domains.size());
    if (oldest.isValid())
        text += QStringLiteral(", 最旧 %1").arg(copyAgeText(oldest, now));
    if (failed > 0)
        text += QStringLiteral(", %1 个读取失败").arg(failed);
    return text;
}

QString searchFreshnessText(const QList<CopyDomain> &domains, const QVector<CopyHit> &hits,
                            const QDateTime &now)
{
    if (hits.isEmpty())
        return copyFreshnessText(domains, now);
    QSet<int> hitDomains;
    QDateTime oldest;
    for (const CopyHit &hit : hits) {
        hitDomains.insert(hit.domainID);
        if (hit.fetched.isValid() && (!oldest.isValid() || hit.fetched < oldest))
            oldest = hit.fetched;
    }
    int failed = 0;
    for (const CopyDomain &d : domains)
        failed += d.error.isEmpty() ? 0 : 1;
    QString text = QStringLiteral("本地副本: %1/%2 个域名有匹配")
                       .arg(hitDomains.size())
                       .arg(qMax(domains.size(), hitDomains.size()));
    if (oldest.isValid())
        text += QStringLiteral(", 最旧 %1").arg(copyAgeText(oldest, now));
    if (failed > 0)
        text += QStringLiteral(", %1 个读取失败").arg(failed);
    return text;
}

void SearchHitModel::setHits(QVector<CopyHit> hits, const QDateTime &now)
{
    beginResetModel();
    m_hits = std::move(hits);
    m_ticked = QVector<bool>(m_hits.size(), false);
    m_now = now;
    endResetModel();
    if (m_tickedCount != 0) {
        m_tickedCount = 0;
        emit tickedChanged(0);
    }
}

void SearchHitModel::setTicked(int row, bool ticked)
{
    if (row < 0 || row >= m_ticked.size() || m_ticked.at(row) == ticked)
        return;
    m_ticked[row] = ticked;
    m_tickedCount += ticked ? 1 : -1;
    const QModelIndex at = index(row, TickColumn);
    emit dataChanged(at, at, {Qt::CheckStateRole});
    emit tickedChanged(m_tickedCount);
}

void SearchHitModel::setAllTicked(bool ticked)
{
    if (m_hits.isEmpty())
        return;
    m_ticked.fill(ticked);
    m_tickedCount = ticked ? m_hits.size() : 0;
    emit dataChanged(index(0, TickColumn), index(m_hits.size() - 1, TickColumn),
                     {Qt::CheckStateRole});
    emit tickedChanged(m_tickedCount);
}

QVector<CopyHit> SearchHitModel::tickedHits() const
{
    QVector<CopyHit> result;
    result.reserve(m_tickedCount);
    for (int i = 0; i < m_hits.size(); ++i) {
        if (m_ticked.at(i))
            result.append(m_hits.at(i));
    }
    return result;
}

Qt::ItemFlags SearchHitModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == TickColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool SearchHitModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != TickColumn || role != Qt::CheckStateRole ||
        index.row() >= m_hits.size())
        return false;
    setTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

int SearchHitModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_hits.size();
}

int SearchHitModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SearchHitModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_hits.size())
        return QVariant();
    const CopyHit &hit = m_hits.at(index.row());
    if (index.column() == TickColumn)
        return role == Qt::CheckStateRole ? (m_ticked.at(index.row()) ? Qt::Checked : Qt::Unchecked)
                                          : QVariant();
    // A paused record must not look live.
    if (role == Qt::ForegroundRole && hit.state != 0)
        return QColor(0x99, 0x99, 0x99);
    if (role == Qt::ToolTipRole && index.column() == AgeColumn)
        return hit.fetched.isValid() ? hit.fetched.toLocalTime().toString(Qt::ISODate) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case DomainColumn:
        return hit.domain;
    case HostColumn:
        return hit.host;
    case TypeColumn:
        return hit.type;
    case LineColumn:
        return hit.lineName;
    case ValueColumn:
        return hit.type == QLatin1String("MX") ? QStringLiteral("%1 %2").arg(hit.mx).arg(hit.value)
                                               : hit.value;
    case TtlColumn:
        return hit.ttl;
    case StatusColumn:
        return hit.state != 0 ? QStringLiteral("暂停") : QStringLiteral("正常");
    case AgeColumn:
        return copyAgeText(hit.fetched, m_now);
    default:
        return QVariant();
    }
}

QVariant SearchHitModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"✓",      "域名", "主机记录", "类型",    "线路",
                                                    "记录值", "TTL",  "状态",     "副本时间"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}
