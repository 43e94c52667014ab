#include "client/Aes.h"
#include "client/Scramble.h"

#include <QCryptographicHash>
#include <QtTest>

namespace {

QByteArray md5(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5);
}

unsigned char *bytes(QByteArray &data)
{
    return reinterpret_cast<unsigned char *>(data.data());
}

QByteArray fipsKey()
{
    return QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
}

// Builds a scrambled text by hand from a compressed form, so tests control every layer.
QString assemble(QByteArray z, const QByteArray &innerKey, const QByteArray &outerKey)
{
    z.append(QByteArray((16 - z.size() % 16) % 16, '\0'));
    AES(innerKey).encrypt(bytes(z), z.size());
    QByteArray outer = innerKey + z;
    AES(outerKey).encrypt(bytes(outer), outer.size());
    return QString::fromLatin1(outer.toBase64());
}

} // namespace

class TestScramble : public QObject
{
    Q_OBJECT
private slots:
    void aesKnownAnswer();
    void aesLengthRules();
    void roundTrip_data();
    void roundTrip();
    void layout();
    void emptyInputText();
    void freshInnerKeyPerCall();
    void rejects_data();
    void rejects();
    void hugeDeclaredSize();
};

void TestScramble::aesKnownAnswer()
{
    const QByteArray plain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray cipher = QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    AES aes(fipsKey());

    QByteArray buffer = plain;
    QCOMPARE(aes.encrypt(bytes(buffer), buffer.size()), 16);
    QCOMPARE(buffer.toHex(), cipher.toHex());
    QCOMPARE(aes.decrypt(bytes(buffer), buffer.size()), bytes(buffer));
    QCOMPARE(buffer.toHex(), plain.toHex());

    // Blocks are independent: two equal blocks give two equal cipher blocks.
    QByteArray twice = plain + plain;
    QCOMPARE(aes.encrypt(bytes(twice), twice.size()), 32);
    QCOMPARE(twice.toHex(), QByteArray(cipher + cipher).toHex());
}

void TestScramble::aesLengthRules()
{
    AES aes(fipsKey());

    // A partial last block is processed whole; the caller provides the room.
    QByteArray buffer = QByteArray("seventeen bytes!!").leftJustified(32, '\0');
    const QByteArray original = buffer;
    QCOMPARE(aes.encrypt(bytes(buffer), 17), 32);
    QVERIFY(buffer.mid(16) != original.mid(16));
    aes.decrypt(bytes(buffer), 17);
    QCOMPARE(buffer, original);

    // Length 0: up to the first zero byte (5 bytes here, so one block).
    QByteArray text = QByteArray("hello").leftJustified(32, '\0');
    text[20] = 'x';
    const QByteArray before = text;
    QCOMPARE(aes.encrypt(bytes(text), 0), 16);
    QCOMPARE(text.mid(16), before.mid(16));
    aes.decrypt(bytes(text), 16);
    QCOMPARE(text, before);

    // Nothing to do: an empty string, a negative length.
    QByteArray zeros(16, '\0');
    QCOMPARE(aes.encrypt(bytes(zeros), 0), 0);
    QCOMPARE(aes.encrypt(bytes(zeros), -5), 0);
    QCOMPARE(aes.decrypt(bytes(zeros), 0), bytes(zeros));
    QCOMPARE(zeros, QByteArray(16, '\0'));
}

void TestScramble::roundTrip_data()
{
    QTest::addColumn<QByteArray>("input");

    QByteArray longText;
    for (int i = 0; longText.size() < 10 * 1024; ++i)
        longText += "line " + QByteArray::number(i * 7919 % 10007) + " of the long text\n";

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("ascii") << QByteArray("Secret-pass_123");
    QTest::newRow("chinese utf-8") << QStringLiteral("密码测试abc").toUtf8();
    QTest::newRow("binary with zeros") << QByteArray("\0\x01\xff\0", 4);
    QTest::newRow("10 KB") << longText;
}

void TestScramble::roundTrip()
{
    QFETCH(QByteArray, input);
    const QString text = scrambleText(input);
    QCOMPARE(unscrambleText(text), input);
}

void TestScramble::layout()
{
    // K1 is the MD5 of the decimal text of the generator's next value.
    const QByteArray input = QStringLiteral("密码").toUtf8();
    scrambleRandom().seed(12345);
    QRandomGenerator twin(12345);
    const QByteArray innerKey = md5(QByteArray::number(twin.generate()));
    const QString text = scrambleText(input);

    const QByteArray z = qCompress(input, 9);
    const QByteArray paddedZ = z + QByteArray((16 - z.size() % 16) % 16, '\0');
    QCOMPARE(text, assemble(paddedZ, innerKey, md5("plomb")));
    QCOMPARE(text.size(), 4 * ((16 + paddedZ.size() + 2) / 3));
}

void TestScramble::emptyInputText()
{
    const QString text = scrambleText(QByteArray());
    QCOMPARE(text.size(), 44);
    QVERIFY(text.endsWith(QLatin1Char('=')));
    QCOMPARE(unscrambleText(text), QByteArray());
}

void TestScramble::freshInnerKeyPerCall()
{
    const QByteArray input("same input");
    const QString first = scrambleText(input);
    const QString second = scrambleText(input);
    QVERIFY(first != second);
    QCOMPARE(unscrambleText(first), input);
    QCOMPARE(unscrambleText(second), input);
}

void TestScramble::rejects_data()
{
    QTest::addColumn<QString>("text");

    const QByteArray z = qCompress("password", 9);
    const QString valid = scrambleText("password");

    QTest::newRow("empty") << QString();
    QTest::newRow("5 characters") << valid.left(5);
    QTest::newRow("not base64") << QStringLiteral("!!!!@@@@####$$$$%%%%^^^^&&&&****");
    QTest::newRow("20 bytes") << QString::fromLatin1(QByteArray(20, 'a').toBase64());
    QTest::newRow("one block only") << QString::fromLatin1(QByteArray(16, 'a').toBase64());
    QTest::newRow("truncated") << valid.left(valid.size() - 8);
    QTest::newRow("other pass phrase") << assemble(z, md5("42"), md5("other"));
    QTest::newRow("not a zlib stream")
        << assemble(QByteArray("\0\0\0\x10", 4) + "plain text, not zlib", md5("42"), md5("plomb"));
}

void TestScramble::rejects()
{
    QFETCH(QString, text);
    QCOMPARE(unscrambleText(text), QByteArray());
}

void TestScramble::hugeDeclaredSize()
{
    // A well-formed stream behind a header that claims almost 2 GB: the toolkit would reserve the
    // claimed size before inflating and then return the text.
    QByteArray z = qCompress("hello", 9);
    QCOMPARE(unscrambleText(assemble(z, md5("7"), md5("plomb"))), QByteArray("hello"));
    z[0] = char(0x7f);
    z[1] = char(0xff);
    z[2] = char(0x00);
    z[3] = char(0x00);
    QCOMPARE(unscrambleText(assemble(z, md5("7"), md5("plomb"))), QByteArray());
}

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
