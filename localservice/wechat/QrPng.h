#pragma once

#include <QByteArray>
#include <QString>

// A QR code of text as a PNG image; empty when the text does not fit in a QR code.
QByteArray qrCodePng(const QString &text, int moduleSize = 6);
