#include "client/zone/ZoneFolder.h"

#include "client/zone/ZoneWriter.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A line's name as part of a file name: path separators, characters some file systems refuse,
// control and other invisible characters as "_"; no leading or trailing dots or blanks (a
// hidden file, "..").
QString fileNamePart(const QString &name)
{
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    QString out;
    for (const QChar c : name) {
        const bool invisible = !c.isSurrogate() && (!c.isPrint() || c.isSpace());
        out += invisible || refused.contains(c) ? QLatin1Char('_') : c;
    }
    while (out.startsWith(QLatin1Char('.')) || out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char('_')))
        out.chop(1);
    // Bounded: a name from the service must not make a file name too long to write.
    return out.left(64);
}

// The name the records give line lineID; empty when none does.
QString lineNameOf(const QList<Record> &records, int lineID)
{
    for (const Record &r : records) {
        if (r.lineID == lineID && !r.view.viewName.isEmpty())
            return r.view.viewName;
    }
    return QString();
}

} // namespace

QString zoneFileName(const QString &domain, int lineID, const QString &lineName)
{
    // The domain as the user typed it may end in a dot; the file name should not carry two.
    QString name = domain.trimmed().toLower();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (lineID == 0)
        return name + QStringLiteral(".zone");
    const QString part = fileNamePart(lineName);
    return QStringLiteral("%1.%2.zone").arg(name, part.isEmpty() ? QString::number(lineID) : part);
}

QList<int> zoneLinesInUse(const QList<Record> &records)
{
    QList<int> lines;
    for (const Record &r : records) {
        if (!lines.contains(r.lineID))
            lines.append(r.lineID);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool writeZoneFolder(const QString &folder, const QString &domain, const QList<Record> &records,
                     QStringList &written, QString &errorText, const QStringList &nameServers)
{
    written.clear();
    errorText.clear();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        errorText = QStringLiteral("文件夹不存在: %1").arg(folder);
        return false;
    }
    QList<int> lines = zoneLinesInUse(records);
    if (lines.isEmpty())
        lines.append(0);
    // Written into temporary files first and put in place only when all of them are whole.
    std::vector<std::unique_ptr<QSaveFile>> files;
    QStringList names;
    for (int line : lines) {
        QString name = zoneFileName(domain, line, lineNameOf(records, line));
        if (names.contains(name, Qt::CaseInsensitive))
            name = zoneFileName(domain, line,
                                lineNameOf(records, line) + QStringLiteral("-%1").arg(line));
        const QByteArray text = writeZone(domain, records, line, nameServers).text;
        auto file = std::make_unique<QSaveFile>(dir.filePath(name));
        if (!file->open(QIODevice::WriteOnly) || file->write(text) != text.size()) {
            errorText = QStringLiteral("无法写入 %1: %2").arg(name, file->errorString());
            for (auto &f : files)
                f->cancelWriting();
            file->cancelWriting();
            return false;
        }
        names.append(name);
        files.push_back(std::move(file));
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!files[i]->commit()) {
            errorText =
                QStringLiteral("无法写入 %1: %2").arg(names.at(int(i)), files[i]->errorString());
            for (size_t j = i + 1; j < files.size(); ++j)
                files[j]->cancelWriting();
            return false;
        }
        written.append(names.at(int(i)));
    }
    return true;
}
