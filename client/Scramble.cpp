#include "client/Scramble.h"

#include "client/Aes.h"

#include <QCryptographicHash>

namespace {

const int kBlock = 16;
// Size of the big-endian length header in front of the toolkit's compressed form.
const int kSizeHeader = 4;
// zlib cannot expand its input by more than about 1032:1 (a run of long matches).
const qint64 kMaxInflateRatio = 1032;

QByteArray outerKey()
{
    return QCryptographicHash::hash(QByteArrayLiteral("plomb"), QCryptographicHash::Md5);
}

unsigned char *bytes(QByteArray &data)
{
    return reinterpret_cast<unsigned char *>(data.data());
}

// Decompresses the toolkit's compressed form, refusing a length header that the zlib stream
// behind it could never fill: the toolkit allocates the declared size up front.
QByteArray safeUncompress(const QByteArray &z)
{
    if (z.size() <= kSizeHeader)
        return QByteArray();
    const auto *p = reinterpret_cast<const unsigned char *>(z.constData());
    const quint32 declared =
        (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
    // Only empty input compresses to a zero size.
    if (declared == 0)
        return QByteArray();
    if (qint64(declared) > kMaxInflateRatio * (z.size() - kSizeHeader))
        return QByteArray();
    return qUncompress(z);
}

} // namespace

QRandomGenerator &scrambleRandom()
{
    static QRandomGenerator generator;
    return generator;
}

QString scrambleText(const QByteArray &input)
{
    const QByteArray innerKey = QCryptographicHash::hash(
        QByteArray::number(scrambleRandom().generate()), QCryptographicHash::Md5);

    QByteArray inner = qCompress(input, 9);
    const int padded = (inner.size() + kBlock - 1) / kBlock * kBlock;
    inner.append(QByteArray(padded - inner.size(), '\0'));
    AES(innerKey).encrypt(bytes(inner), inner.size());

    QByteArray outer = innerKey + inner;
    AES(outerKey()).encrypt(bytes(outer), outer.size());
    return QString::fromLatin1(outer.toBase64());
}

QByteArray unscrambleText(const QString &text)
{
    if (text.size() <= 5)
        return QByteArray();
    QByteArray data = QByteArray::fromBase64(text.toUtf8());
    // Whole blocks only, and at least the inner key plus one block: the cipher works on whole
    // blocks and would otherwise run past the decoded bytes.
    if (data.size() < 2 * kBlock || data.size() % kBlock != 0)
        return QByteArray();

    AES(outerKey()).decrypt(bytes(data), data.size());
    const QByteArray innerKey = data.left(kBlock);
    QByteArray inner = data.mid(kBlock);
    AES(innerKey).decrypt(bytes(inner), inner.size());
    return safeUncompress(inner);
}
