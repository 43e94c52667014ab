#include "localservice/wechat/QrPng.h"

#include "localservice/wechat/PngWriter.h"

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
    const QRcode *qr = code.get();
    return writePng(side, side, [qr, modules, moduleSize](int x, int y) -> quint32 {
        const int mx = x / moduleSize - kQuietZone;
        const int my = y / moduleSize - kQuietZone;
        if (mx < 0 || my < 0 || mx >= modules || my >= modules)
            return 0xffffff;
        return (qr->data[my * modules + mx] & 1) ? 0x000000 : 0xffffff;
    });
}
