#include "cli/CliFormat.h"

#include "cli/Terminal.h"
#include "client/plan/RecordJson.h"

#include <QJsonDocument>

#include <algorithm>

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
    const auto breaksLine = [](QChar c) {
        return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t');
    };
    // Most cells have none: they are kept as they are, not copied.
    if (std::none_of(text.cbegin(), text.cend(), breaksLine))
        return terminalSafe(text);
    QString cell = text;
    for (QChar &c : cell) {
        if (breaksLine(c))
            c = QLatin1Char(' ');
    }
    return terminalSafe(cell);
}

} // namespace

int displayWidth(const QString &text)
{
    // Code points as QString::toUcs4() reads them (a lone surrogate counts as itself), without
    // building its vector: a table measures every cell.
    int width = 0;
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        uint c = text.at(i).unicode();
        if (c < 0x1100) {
            ++width;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(ushort(c), text.at(++i).unicode());
        width += isWide(c) ? 2 : 1;
    }
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
    // Each cell measured once: its width sets its column's and then its padding.
    const int columns = headers.size();
    QVector<int> widths(columns, 0);
    QVector<int> cellWidths;
    cellWidths.reserve(lines.size() * columns);
    for (const QStringList &line : lines) {
        for (int c = 0; c < line.size() && c < columns; ++c) {
            cellWidths.append(displayWidth(line.at(c)));
            widths[c] = qMax(widths.at(c), cellWidths.constLast());
        }
    }
    QString out;
    int cell = 0;
    QString text;
    for (const QStringList &line : lines) {
        text.clear();
        for (int c = 0; c < line.size() && c < columns; ++c) {
            if (c > 0)
                text += QLatin1String("  ");
            text += line.at(c);
            const int width = cellWidths.at(cell++);
            if (c + 1 < line.size())
                text += QString(widths.at(c) - width, QLatin1Char(' '));
        }
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        out += text;
        out += QLatin1Char('\n');
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
