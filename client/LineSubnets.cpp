#include "client/LineSubnets.h"

#include <QHostAddress>
#include <QList>
#include <QStringList>

namespace {

// "a.b.c.d/n" or "x::/n" with the host bits cleared; empty when text is not a network.
QString normalizedSubnet(const QString &text)
{
    if (!text.contains(QLatin1Char('/')))
        return QString();
    const QPair<QHostAddress, int> net = QHostAddress::parseSubnet(text);
    if (net.first.isNull() || net.second < 0)
        return QString();
    return net.first.toString() + QLatin1Char('/') + QString::number(net.second);
}

} // namespace

bool parseLineSubnets(const QByteArray &text, LineSubnets *out, QString *errorText)
{
    if (text.size() > kMaxLineSubnetsBytes) {
        *errorText = QStringLiteral("线路网段表超过%1字节").arg(kMaxLineSubnetsBytes);
        return false;
    }
    LineSubnets table;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = QString::fromUtf8(lines.at(i));
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList fields = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        bool isNumber = false;
        const int lineId = fields.first().toInt(&isNumber);
        if (!isNumber || lineId < 0) {
            *errorText = QStringLiteral("第%1行：线路编号“%2”无效").arg(i + 1).arg(fields.first());
            return false;
        }
        if (fields.size() < 2) {
            *errorText = QStringLiteral("第%1行：线路%2没有网段").arg(i + 1).arg(lineId);
            return false;
        }
        QStringList &subnets = table.subnets[lineId];
        for (int f = 1; f < fields.size(); ++f) {
            const QString subnet = normalizedSubnet(fields.at(f));
            if (subnet.isEmpty()) {
                *errorText = QStringLiteral("第%1行：网段“%2”无效").arg(i + 1).arg(fields.at(f));
                return false;
            }
            if (!subnets.contains(subnet))
                subnets.append(subnet);
        }
    }
    *out = table;
    return true;
}

QByteArray formatLineSubnets(const LineSubnets &table, const QString &header)
{
    QByteArray text;
    if (!header.isEmpty()) {
        for (const QString &line : header.split(QLatin1Char('\n')))
            text += QString(QStringLiteral("# ") + line).trimmed().toUtf8() + '\n';
    }
    for (auto it = table.subnets.cbegin(); it != table.subnets.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        text +=
            QByteArray::number(it.key()) + ' ' + it.value().join(QLatin1Char(' ')).toUtf8() + '\n';
    }
    return text;
}
