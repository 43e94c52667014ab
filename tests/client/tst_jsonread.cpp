#include "client/JsonRead.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestJsonRead : public QObject
{
    Q_OBJECT
private slots:
    void readers_data();
    void readers();
};

void TestJsonRead::readers_data()
{
    QTest::addColumn<QByteArray>("member"); // JSON text of member "v", empty = missing
    QTest::addColumn<int>("asInt");
    QTest::addColumn<QString>("asString");

    QTest::newRow("missing") << QByteArray() << -1 << QStringLiteral("dflt");
    QTest::newRow("null") << QByteArray("null") << -1 << QStringLiteral("dflt");
    QTest::newRow("integer") << QByteArray("42") << 42 << QStringLiteral("42");
    QTest::newRow("fraction truncated") << QByteArray("-3.9") << -3 << QStringLiteral("-3.9");
    QTest::newRow("shortest text") << QByteArray("1.31") << 1 << QStringLiteral("1.31");
    QTest::newRow("numeric string") << QByteArray("\"17\"") << 17 << QStringLiteral("17");
    QTest::newRow("decimal string") << QByteArray("\"2.5\"") << 2 << QStringLiteral("2.5");
    QTest::newRow("true") << QByteArray("true") << 1 << QStringLiteral("true");
    QTest::newRow("false") << QByteArray("false") << 0 << QStringLiteral("false");
    QTest::newRow("array") << QByteArray("[1]") << -1 << QString();
    QTest::newRow("object") << QByteArray("{\"a\":1}") << -1 << QString();
    QTest::newRow("text") << QByteArray("\"abc\"") << -1 << QStringLiteral("abc");
    QTest::newRow("beyond 32 bits")
        << QByteArray("4294967296") << -1 << QStringLiteral("4294967296");
    QTest::newRow("huge string") << QByteArray("\"1e300\"") << -1 << QStringLiteral("1e300");
    QTest::newRow("infinite string") << QByteArray("\"inf\"") << -1 << QStringLiteral("inf");
}

void TestJsonRead::readers()
{
    QFETCH(QByteArray, member);
    QFETCH(int, asInt);
    QFETCH(QString, asString);

    const QByteArray doc = member.isEmpty() ? QByteArray("{}") : "{\"v\":" + member + "}";
    const QJsonObject o = QJsonDocument::fromJson(doc).object();
    QCOMPARE(readInt(o.value(QLatin1String("v")), -1), asInt);
    QCOMPARE(readString(o.value(QLatin1String("v")), QStringLiteral("dflt")), asString);
}

QTEST_GUILESS_MAIN(TestJsonRead)
#include "tst_jsonread.moc"
