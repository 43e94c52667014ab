#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>

// Writes an endlessly looping animated GIF. Qt reads GIF but cannot write it, so the loading
// animation is encoded here: frames are quantised to a palette of at most 256 colours whose
// entry 0 is transparent.
class GifWriter
{
public:
    GifWriter(int width, int height, const QList<QColor> &palette);

    // indices holds width * height palette indices, row by row.
    void addFrame(const QByteArray &indices, int delayCentiseconds);
    QByteArray finish();

private:
    int m_width;
    int m_height;
    int m_colourBits;
    QByteArray m_data;
};
