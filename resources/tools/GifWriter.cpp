#include "resources/tools/GifWriter.h"

#include <QHash>

namespace {

void putWord(QByteArray &out, int value)
{
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

// Packs variable-width codes least significant bit first, as GIF wants them.
class BitPacker
{
public:
    void put(int code, int width)
    {
        m_buffer |= quint32(code) << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_bytes.append(char(m_buffer & 0xff));
            m_buffer >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_bytes.append(char(m_buffer & 0xff));
        return m_bytes;
    }

private:
    quint32 m_buffer = 0;
    int m_bits = 0;
    QByteArray m_bytes;
};

QByteArray lzwEncode(const QByteArray &indices, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    QHash<quint32, int> table;
    int nextCode = endCode + 1;
    int codeSize = minCodeSize + 1;
    BitPacker bits;
    bits.put(clearCode, codeSize);

    int prefix = quint8(indices.at(0));
    for (int i = 1; i < indices.size(); ++i) {
        const int k = quint8(indices.at(i));
        const quint32 key = (quint32(prefix) << 8) | quint32(k);
        const auto found = table.constFind(key);
        if (found != table.constEnd()) {
            prefix = found.value();
            continue;
        }
        bits.put(prefix, codeSize);
        if (nextCode == 4096) {
            // Table full: start over so the codes stay within 12 bits.
            bits.put(clearCode, codeSize);
            table.clear();
            nextCode = endCode + 1;
            codeSize = minCodeSize + 1;
        } else {
            table.insert(key, nextCode);
            // The decoder adds its entries one step later; it widens the codes when the
            // entry it adds no longer fits, which is when ours has just passed that size.
            if (nextCode >= (1 << codeSize) && codeSize < 12)
                ++codeSize;
            ++nextCode;
        }
        prefix = k;
    }
    bits.put(prefix, codeSize);
    bits.put(endCode, codeSize);
    return bits.finish();
}

} // namespace

GifWriter::GifWriter(int width, int height, const QList<QColor> &palette)
    : m_width(width), m_height(height), m_colourBits(1)
{
    while ((1 << m_colourBits) < palette.size())
        ++m_colourBits;

    m_data.append("GIF89a");
    putWord(m_data, width);
    putWord(m_data, height);
    m_data.append(char(0x80 | 0x70 | (m_colourBits - 1))); // global table, 8-bit source
    m_data.append(char(0));                                // background: the transparent entry
    m_data.append(char(0));
    for (int i = 0; i < (1 << m_colourBits); ++i) {
        const QColor c = i < palette.size() ? palette.at(i) : QColor(Qt::black);
        m_data.append(char(c.red()));
        m_data.append(char(c.green()));
        m_data.append(char(c.blue()));
    }
    // Loop for ever.
    m_data.append("\x21\xff\x0bNETSCAPE2.0\x03\x01", 16);
    putWord(m_data, 0);
    m_data.append(char(0));
}

void GifWriter::addFrame(const QByteArray &indices, int delayCentiseconds)
{
    // Graphic control: clear to the background after each frame, entry 0 transparent.
    m_data.append("\x21\xf9\x04\x09", 4);
    putWord(m_data, delayCentiseconds);
    m_data.append(char(0));
    m_data.append(char(0));

    m_data.append(char(0x2c));
    putWord(m_data, 0);
    putWord(m_data, 0);
    putWord(m_data, m_width);
    putWord(m_data, m_height);
    m_data.append(char(0));

    const int minCodeSize = qMax(2, m_colourBits);
    m_data.append(char(minCodeSize));
    const QByteArray codes = lzwEncode(indices, minCodeSize);
    for (int pos = 0; pos < codes.size(); pos += 255) {
        const QByteArray block = codes.mid(pos, 255);
        m_data.append(char(block.size()));
        m_data.append(block);
    }
    m_data.append(char(0));
}

QByteArray GifWriter::finish()
{
    m_data.append(char(0x3b));
    return m_data;
}
