#include "cli/CliFormat.h"

#include "cli/Terminal.h"
#include "client/plan/RecordJson.h"

#include <QJsonDocument>

namespace {

bool isWide(uint ucs4)
{
    return (ucs4 >= 0x1100 && ucs4 <= 0x115F) || (ucs4 >= 0x2E80 && ucs4 <= 0xA4CF) ||
           (ucs4 >= 0xAC00 && ucs4 <= 0xD7A3) || (ucs4 >= 0xF900 && ucs4 <= 0xFAFF) ||
           (ucs4 >= 0xFE30 && ucs4 <= 0xFE4F) || (ucs4 >= 0xFF00 && ucs4 <= 0xFF60) ||
           (ucs4 >= 0xFFE0 && ucs4 <= 0xFFE6) || (ucs4 >= 0x20000 && ucs4 <= 0x3FFFD);
}

// One table cell on one line: line breaks and tabs would tear the columns apart; other
// control characters are escaped here, before the widths are measured.
QString cellText(const QString &text)
{
    QString cell = text;
    for (QChar &c : cell) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return terminalSafe(cell);
}

} // namespace

int displayWidth(const QString &text)
{
    int width = 0;
    const QVector<uint> codes = text.toUcs4();
    for (uint c : codes)
        width += isWide(c) ? 2 : 1;
    return width;
}

QString formatTable(const QStringList &headers, const QList<QStringList> &rows)
{
    QList<QStringList> lines{headers};
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells.append(cellText(cell));
        lines.append(cells);
    }
    QVector<int> widths(headers.size(), 0);
    for (const QStringList &line : lines) {
        for (int c = 0; c < line.size() && c < widths.size(); ++c)
            widths[c] = qMax(widths.at(c), displayWidth(line.at(c)));
    }
    QString out;
    for (const QStringList &line : lines) {
        QString text;
        for (int c = 0; c < line.size() && c < widths.size(); ++c) {
            if (c > 0)
                text += QStringLiteral("  ");
            text += line.at(c);
            if (c + 1 < line.size())
                text += QString(widths.at(c) - displayWidth(line.at(c)), QLatin1Char(' '));
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text + QLatin1Char('\n');
    }
    return out;
}

QString jsonText(const QJsonValue &value)
{
    QJsonDocument doc;
    if (value.isArray())
        doc.setArray(value.toArray());
    else
        doc.setObject(value.toObject());
    return QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
}

QString domainStateText(const Domain &dm)
{
    return dm.state == 0 ? QStringLiteral("running") : QStringLiteral("paused");
}

QString recordStateText(const Record &r)
{
    return r.state == 0 ? QStringLiteral("running") : QStringLiteral("paused");
}

QString messageStateText(const DMsg &m)
{
    switch (m.state) {
    case DMsgUnread:
        return QStringLiteral("unread");
    case DMsgRead:
        return QStringLiteral("read");
    case DMsgDeleted:
        break;
    }
    return QStringLiteral("deleted");
}

QJsonObject domainJson(const Domain &dm)
{
    return QJsonObject{{QStringLiteral("id"), dm.id},
                       {QStringLiteral("name"), dm.name},
                       {QStringLiteral("state"), dm.state},
                       {QStringLiteral("paused"), dm.state != 0},
                       {QStringLiteral("locked"), dm.userLock != 0},
                       {QStringLiteral("groupID"), dm.groupID},
                       {QStringLiteral("viewType"), dm.viewType}};
}

QJsonObject recordJson(const Record &r)
{
    return recordToJson(r);
}

QJsonObject groupJson(const Group &g)
{
    return QJsonObject{{QStringLiteral("id"), g.groupID},
                       {QStringLiteral("name"), g.groupName},
                       {QStringLiteral("order"), g.displayOrder}};
}

QJsonObject viewJson(const View &v)
{
    return QJsonObject{{QStringLiteral("id"), v.viewID},
                       {QStringLiteral("name"), v.viewName},
                       {QStringLiteral("areaType"), v.areaType}};
}

QJsonObject messageJson(const DMsg &m)
{
    QJsonObject o{{QStringLiteral("id"), m.id},
                  {QStringLiteral("state"), messageStateText(m)},
                  {QStringLiteral("title"), m.title},
                  {QStringLiteral("time"), m.time.toUTC().toString(Qt::ISODate)}};
    if (m.type == DMsgInform)
        o.insert(QStringLiteral("content"), m.content);
    else
        o.insert(QStringLiteral("url"), m.url);
    return o;
}
