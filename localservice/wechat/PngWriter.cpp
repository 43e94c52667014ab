#include "localservice/wechat/PngWriter.h"

#include <QtEndian>

#include <zlib.h>

namespace {

void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    char length[4];
    qToBigEndian(quint32(data.size()), length);
    png.append(length, 4);
    QByteArray body(type, 4);
    body += data;
    png += body;
    char crc[4];
    qToBigEndian(
        quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))),
        crc);
    png.append(crc, 4);
}

} // namespace

QByteArray writePng(int width, int height, const std::function<quint32(int x, int y)> &pixel)
{
    QByteArray header(13, '\0');
    qToBigEndian(quint32(width), header.data());
    qToBigEndian(quint32(height), header.data() + 4);
    header[8] = 8; // bits per channel
    header[9] = 2; // truecolour RGB

    QByteArray raw;
    raw.reserve(height * (1 + 3 * width));
    for (int y = 0; y < height; ++y) {
        raw.append('\0'); // no filter
        for (int x = 0; x < width; ++x) {
            const quint32 rgb = pixel(x, y);
            raw.append(char((rgb >> 16) & 0xff));
            raw.append(char((rgb >> 8) & 0xff));
            raw.append(char(rgb & 0xff));
        }
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    QByteArray packed(int(packedSize), '\0');
    if (compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef *>(raw.constData()), uLong(raw.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return QByteArray();
    packed.resize(int(packedSize));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}
