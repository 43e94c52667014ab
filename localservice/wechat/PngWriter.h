#pragma once

#include <QByteArray>

#include <functional>

// A PNG file of width x height pixels; pixel(x, y) gives 0xRRGGBB.
QByteArray writePng(int width, int height, const std::function<quint32(int x, int y)> &pixel);
