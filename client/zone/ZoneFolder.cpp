#include "client/zone/ZoneFolder.h"

#include "client/zone/ZoneWriter.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

#include <sys/stat.h>

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

// The names in dir that are taken by something other than a regular file. lstat, not stat: a
// link is refused as a link, never followed to whatever it points at.
QList<ZoneFolderBlock> blockedNames(const QDir &dir, const QStringList &names)
{
    QList<ZoneFolderBlock> blocked;
    for (const QString &name : names) {
        struct stat st = {};
        if (::lstat(QFile::encodeName(dir.filePath(name)).constData(), &st) != 0)
            continue; // absent (or unreadable: then the write says why)
        if (S_ISREG(st.st_mode))
            continue;
        ZoneFolderBlock b;
        b.name = name;
        b.kind = S_ISDIR(st.st_mode)                          ? ZoneFolderBlock::Folder
                 : S_ISLNK(st.st_mode)                        ? ZoneFolderBlock::Link
                 : S_ISFIFO(st.st_mode)                       ? ZoneFolderBlock::Fifo
                 : S_ISSOCK(st.st_mode)                       ? ZoneFolderBlock::Socket
                 : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? ZoneFolderBlock::Device
                                                              : ZoneFolderBlock::Other;
        blocked.append(b);
    }
    return blocked;
}

QString kindText(ZoneFolderBlock::Kind kind)
{
    switch (kind) {
    case ZoneFolderBlock::Folder:
        return QStringLiteral("文件夹");
    case ZoneFolderBlock::Link:
        return QStringLiteral("符号链接");
    case ZoneFolderBlock::Fifo:
        return QStringLiteral("命名管道");
    case ZoneFolderBlock::Socket:
        return QStringLiteral("套接字");
    case ZoneFolderBlock::Device:
        return QStringLiteral("设备文件");
    case ZoneFolderBlock::Other:
        break;
    }
    return QStringLiteral("特殊文件");
}

} // namespace

QString zoneFolderBlockText(const QList<ZoneFolderBlock> &blocked)
{
    QStringList parts;
    for (const ZoneFolderBlock &b : blocked)
        parts.append(QStringLiteral("%1（%2）").arg(b.name, kindText(b.kind)));
    return QStringLiteral("%1已存在且不是普通文件，不会被替换；未写入任何文件")
        .arg(parts.join(QStringLiteral("、")));
}

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
                     QStringList &written, QString &errorText, const QStringList &nameServers,
                     QList<ZoneFolderBlock> *blocked)
{
    written.clear();
    errorText.clear();
    if (blocked)
        blocked->clear();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        errorText = QStringLiteral("文件夹不存在: %1").arg(folder);
        return false;
    }
    QList<int> lines = zoneLinesInUse(records);
    if (lines.isEmpty())
        lines.append(0);
    QStringList names;
    for (int line : lines) {
        QString name = zoneFileName(domain, line, lineNameOf(records, line));
        if (names.contains(name, Qt::CaseInsensitive))
            name = zoneFileName(domain, line,
                                lineNameOf(records, line) + QStringLiteral("-%1").arg(line));
        names.append(name);
    }
    // Every name checked before any file is written: a refused one leaves the folder as it was.
    auto refuse = [&](const QList<ZoneFolderBlock> &found) {
        if (found.isEmpty())
            return false;
        errorText = zoneFolderBlockText(found);
        if (blocked)
            *blocked = found;
        return true;
    };
    if (refuse(blockedNames(dir, names)))
        return false;
    // Written into temporary files first and put in place only when all of them are whole.
    std::vector<std::unique_ptr<QSaveFile>> files;
    auto cancelAll = [&files] {
        for (auto &f : files)
            f->cancelWriting();
    };
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray text = writeZone(domain, records, lines.at(i), nameServers).text;
        auto file = std::make_unique<QSaveFile>(dir.filePath(names.at(i)));
        if (!file->open(QIODevice::WriteOnly) || file->write(text) != text.size()) {
            errorText = QStringLiteral("无法写入 %1: %2").arg(names.at(i), file->errorString());
            cancelAll();
            file->cancelWriting();
            return false;
        }
        files.push_back(std::move(file));
    }
    // Once more just before the renames: writing took a while, and the folder is not ours.
    if (refuse(blockedNames(dir, names))) {
        cancelAll();
        return false;
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
