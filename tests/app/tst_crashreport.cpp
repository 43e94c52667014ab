#include "app/CrashBox.h"
#include "app/CrashReport.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

class TestCrashReport : public QObject
{
    Q_OBJECT
private slots:
    void request_data();
    void request();
    void compressesInPlace_data();
    void compressesInPlace();
    void missingDump();
    void boxWanted_data();
    void boxWanted();
    void box();
};

void TestCrashReport::request_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("dumpPath");
    QTest::addColumn<QString>("code");
    QTest::newRow("dump and code")
        << QStringList{QStringLiteral("--crash-report=123456.789.qcp:b/1")} << true
        << QStringLiteral("123456.789.qcp") << QStringLiteral("b/1");
    QTest::newRow("no dump written") << QStringList{QStringLiteral("--crash-report=:6/-6")} << true
                                     << QString() << QStringLiteral("6/-6");
    QTest::newRow("among others") << QStringList{QStringLiteral("-x"),
                                                 QStringLiteral("--crash-report=a:b:8/1")}
                                  << true << QStringLiteral("a:b") << QStringLiteral("8/1");
    QTest::newRow("absent") << QStringList{QStringLiteral("--crash-test")} << false << QString()
                            << QString();
    QTest::newRow("program name only is not a request")
        << QStringList() << false << QString() << QString();
}

void TestCrashReport::request()
{
    QFETCH(QStringList, args);
    QFETCH(bool, found);
    QFETCH(QString, dumpPath);
    QFETCH(QString, code);
    QList<QByteArray> storage{QByteArrayLiteral("halvik")};
    for (const QString &arg : qAsConst(args))
        storage << arg.toLocal8Bit();
    QVector<char *> argv;
    for (QByteArray &arg : storage)
        argv << arg.data();
    CrashReportRequest request;
    QCOMPARE(findCrashReportRequest(argv.size(), argv.data(), &request), found);
    QCOMPARE(findCrashReportRequest(argv.size(), argv.data(), nullptr), found);
    QCOMPARE(request.dumpPath, dumpPath);
    QCOMPARE(request.code, code);
}

void TestCrashReport::compressesInPlace_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("halvik crash dump 1\nsignal 11 SIGSEGV\n");
    QByteArray large(300000, '\0');
    for (int i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 % 251);
    QTest::newRow("large") << large;
}

void TestCrashReport::compressesInPlace()
{
    QFETCH(QByteArray, raw);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("010203.004.qcp")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(raw);
    file.close();

    QString error;
    QVERIFY2(compressDumpFile(file.fileName(), &error), qPrintable(error));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY(stored.size() >= 4);
    QCOMPARE(qFromBigEndian<quint32>(stored.constData()), quint32(raw.size()));
    QCOMPARE(qUncompress(stored), raw);
    if (raw.size() > 1000)
        QVERIFY(stored.size() < raw.size()); // the old bytes are gone, not just overwritten
}

void TestCrashReport::missingDump()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!compressDumpFile(dir.filePath(QStringLiteral("nothing/here.qcp")), &error));
    QVERIFY(!error.isEmpty());
}

void TestCrashReport::boxWanted_data()
{
    QTest::addColumn<QStringList>("variables");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("desktop") << QStringList{QStringLiteral("DISPLAY=:0")} << true;
    QTest::newRow("wayland") << QStringList{QStringLiteral("WAYLAND_DISPLAY=wayland-0")} << true;
    QTest::newRow("offscreen") << QStringList{QStringLiteral("DISPLAY=:0"),
                                              QStringLiteral("QT_QPA_PLATFORM=offscreen")}
                               << false;
    QTest::newRow("minimal") << QStringList{QStringLiteral("QT_QPA_PLATFORM=minimal")} << false;
    QTest::newRow("switched off") << QStringList{QStringLiteral("DISPLAY=:0"),
                                                 QStringLiteral("HALVIK_CRASH_NO_BOX=1")}
                                  << false;
    QTest::newRow("switch at 0") << QStringList{QStringLiteral("DISPLAY=:0"),
                                                QStringLiteral("HALVIK_CRASH_NO_BOX=0")}
                                 << true;
    QTest::newRow("no display") << QStringList() << false;
}

void TestCrashReport::boxWanted()
{
    QFETCH(QStringList, variables);
    QFETCH(bool, wanted);
    QProcessEnvironment env;
    for (const QString &variable : qAsConst(variables))
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    QCOMPARE(crashBoxWanted(env), wanted);
}

void TestCrashReport::box()
{
    const QScopedPointer<QMessageBox> box(createCrashBox(QStringLiteral("b/1")));
    QCOMPARE(box->windowTitle(), QStringLiteral("程序崩溃 ：（"));
    QCOMPARE(box->text(), QStringLiteral("<FONT size=4><div><b>对于发生的错误，表示诚挚的歉意</b>"
                                         "<br/></div><div>错误代码：b/1</div><div></div></FONT>"));
    QCOMPARE(box->textFormat(), Qt::RichText);
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->parentWidget(), nullptr);
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->standardButton(box->buttons().constFirst()), QMessageBox::Ok);
}

QTEST_MAIN(TestCrashReport)
#include "tst_crashreport.moc"
