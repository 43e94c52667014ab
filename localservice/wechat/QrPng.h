#pragma once

#include <QByteArray>
#include <QString>

class QImage;

// A QR code of text as a PNG image: black modules on white with a quiet zone of four modules,
// moduleSize pixels each. Empty when the text does not fit in a QR code.
QByteArray qrCodePng(const QString &text, int moduleSize = 6);

// image as the bytes of a PNG file (RGB, 8 bits a channel); empty when encoding fails.
QByteArray pngBytes(const QImage &image);
