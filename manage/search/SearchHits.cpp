#include "manage/search/SearchHits.h"

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

void SearchHitModel::setHits(QVector<CopyHit> hits, const QDateTime &now)
{
    beginResetModel();
    m_hits = std::move(hits);
    m_now = now;
    endResetModel();
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
    static const char *const titles[ColumnCount] = {"域名",   "主机记录", "类型",    "线路",
                                                    "记录值", "TTL",      "副本时间"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}
