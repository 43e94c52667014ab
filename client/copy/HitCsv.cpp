#include "client/copy/HitCsv.h"

#include <QStringList>

QString csvField(const QString &text)
{
    QString field = text;
    if (!field.isEmpty()) {
        const QChar first = field.at(0);
        if (first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-') ||
            first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r'))
            field.prepend(QLatin1Char('\''));
    }
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
        field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r'))) {
        field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        field = QLatin1Char('"') + field + QLatin1Char('"');
    }
    return field;
}

namespace {

void appendRow(QString &out, const QStringList &fields)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += csvField(fields.at(i));
    }
    out += QLatin1String("\r\n");
}

} // namespace

QByteArray searchHitsCsv(const QVector<CopyHit> &hits)
{
    QString out;
    appendRow(out, {QStringLiteral("域名"), QStringLiteral("主机记录"), QStringLiteral("类型"),
                    QStringLiteral("线路"), QStringLiteral("记录值"), QStringLiteral("MX"),
                    QStringLiteral("TTL"), QStringLiteral("状态"), QStringLiteral("副本时间")});
    for (const CopyHit &hit : hits) {
        const bool mx = hit.type == QLatin1String("MX");
        appendRow(out,
                  {hit.domain, hit.host, hit.type, hit.lineName, hit.value,
                   mx ? QString::number(hit.mx) : QString(), QString::number(hit.ttl),
                   hit.state != 0 ? QStringLiteral("暂停") : QStringLiteral("正常"),
                   hit.fetched.isValid() ? hit.fetched.toUTC().toString(Qt::ISODate) : QString()});
    }
    return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}
