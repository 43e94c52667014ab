#include "client/live/LineSubnets.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>

namespace {

constexpr qint64 kMaxFileBytes = 1 << 20;
constexpr int kMaxEntries = 10000;

bool parseLineId(const QString &text, int &id)
{
    bool ok = false;
    const qint64 value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                             ? text.mid(2).toLongLong(&ok, 16)
                             : text.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > 0x7fffffff)
        return false;
    id = int(value);
    return true;
}

} // namespace

bool parseLineSubnet(const QString &text, LineSubnet &subnet)
{
    if (!text.contains(QLatin1Char('/')))
        return false;
    const QPair<QHostAddress, int> parsed = QHostAddress::parseSubnet(text);
    if (parsed.first.isNull() || parsed.second < 0)
        return false;
    subnet.cidr = text;
    subnet.prefix = parsed.second;
    subnet.v6 = parsed.first.protocol() == QAbstractSocket::IPv6Protocol;
    if (subnet.v6) {
        const Q_IPV6ADDR a = parsed.first.toIPv6Address();
        subnet.address = QByteArray(reinterpret_cast<const char *>(a.c), 16);
    } else {
        const quint32 a = parsed.first.toIPv4Address();
        subnet.address = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            subnet.address[i] = char((a >> (24 - 8 * i)) & 0xff);
    }
    return true;
}

QByteArray clientSubnetOption(const LineSubnet &subnet)
{
    const int bytes = (subnet.prefix + 7) / 8;
    QByteArray out;
    out.append(char(0)).append(char(subnet.v6 ? 2 : 1));
    out.append(char(subnet.prefix)).append(char(0));
    QByteArray address = subnet.address.left(bytes);
    // RFC 7871: bits beyond the source prefix must be zero.
    if (subnet.prefix % 8 && !address.isEmpty())
        address[bytes - 1] = char(uchar(address.at(bytes - 1)) & (0xff << (8 - subnet.prefix % 8)));
    return out + address;
}

bool LineSubnets::parse(const QByteArray &text, LineSubnets &table, QString &error)
{
    if (text.size() > kMaxFileBytes) {
        error = QStringLiteral("线路网段表超过1 MiB");
        return false;
    }
    const QList<QByteArray> rows = text.split('\n');
    int entries = 0;
    for (int i = 0; i < rows.size(); ++i) {
        QString row = QString::fromUtf8(rows.at(i));
        const int comment = row.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            row.truncate(comment);
        const QStringList words =
            row.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        if (++entries > kMaxEntries) {
            error = QStringLiteral("线路网段表超过%1行").arg(kMaxEntries);
            return false;
        }
        int id = 0;
        if (!parseLineId(words.first(), id)) {
            error = QStringLiteral("第%1行：线路编号“%2”无效").arg(i + 1).arg(words.first());
            return false;
        }
        if (words.size() < 2) {
            error = QStringLiteral("第%1行：线路%2没有网段").arg(i + 1).arg(words.first());
            return false;
        }
        QList<LineSubnet> subnets;
        for (const QString &word : words.mid(1)) {
            LineSubnet s;
            if (!parseLineSubnet(word, s)) {
                error = QStringLiteral("第%1行：网段“%2”无效").arg(i + 1).arg(word);
                return false;
            }
            subnets.append(s);
        }
        table.m_lines[id] += subnets;
    }
    return true;
}

LineSubnets LineSubnets::builtIn()
{
    LineSubnets table;
    QString error;
    parse(builtInText(), table, error);
    Q_ASSERT(error.isEmpty());
    return table;
}

QString LineSubnets::userFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/halvik/line-subnets.txt");
}

bool LineSubnets::load(const QString &path, LineSubnets &table, QString &error)
{
    table = builtIn();
    if (!QFileInfo::exists(path))
        return true;
    QFile file(path);
    if (QFileInfo(path).size() > kMaxFileBytes) {
        error = QStringLiteral("%1：线路网段表超过1 MiB").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("无法读取%1：%2").arg(path, file.errorString());
        return false;
    }
    LineSubnets user;
    if (!parse(file.read(kMaxFileBytes + 1), user, error)) {
        error = QStringLiteral("%1：%2").arg(path, error);
        return false;
    }
    table.overlay(user);
    return true;
}

void LineSubnets::overlay(const LineSubnets &over)
{
    for (auto it = over.m_lines.cbegin(); it != over.m_lines.cend(); ++it)
        m_lines.insert(it.key(), it.value());
}

LineSubnet LineSubnets::subnetOf(int lineID) const
{
    const QList<LineSubnet> subnets = m_lines.value(lineID);
    return subnets.isEmpty() ? LineSubnet() : subnets.first();
}
