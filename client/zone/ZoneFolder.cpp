#include "client/zone/ZoneFolder.h"

#include "client/zone/ZoneWriter.h"

#include <QDir>
#include <QSaveFile>

#include <algorithm>
#include <memory>
#include <vector>

QString zoneFileName(const QString &domain, int lineID)
{
    // The domain as the user typed it may end in a dot; the file name should not carry two.
    QString name = domain.trimmed().toLower();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    return lineID == 0 ? name + QStringLiteral(".zone")
                       : QStringLiteral("%1.%2.zone").arg(name).arg(lineID);
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
                     QStringList &written, QString &errorText)
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
        const QString name = zoneFileName(domain, line);
        const QByteArray text = writeZone(domain, records, line).text;
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
