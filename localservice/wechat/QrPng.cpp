#include "localservice/wechat/QrPng.h"

#include <QBuffer>
#include <QImage>

#include <qrencode.h>

#include <memory>

QByteArray qrCodePng(const QString &text, int moduleSize)
{
    const QByteArray utf8 = text.toUtf8();
    const std::unique_ptr<QRcode, void (*)(QRcode *)> code(
        QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M), QRcode_free);
    if (!code)
        return QByteArray();
    constexpr int kQuietZone = 4; // modules of white around the code, for scanners
    const int modules = code->width;
    const int side = (modules + 2 * kQuietZone) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int my = 0; my < modules; ++my) {
        for (int mx = 0; mx < modules; ++mx) {
            if (!(code->data[my * modules + mx] & 1))
                continue;
            for (int y = 0; y < moduleSize; ++y) {
                auto *line =
                    reinterpret_cast<QRgb *>(image.scanLine((my + kQuietZone) * moduleSize + y));
                std::fill_n(line + (mx + kQuietZone) * moduleSize, moduleSize, qRgb(0, 0, 0));
            }
        }
    }
    return pngBytes(image);
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return QByteArray();
    return bytes;
}
