#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QtTest>

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void images_data();
    void images();
    void loadingAnimation();
    void textFiles_data();
    void textFiles();
};

void TestResources::initTestCase()
{
    Q_INIT_RESOURCE(halvik);
    Q_INIT_RESOURCE(translations);
}

void TestResources::images_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");

    const auto row = [](const QString &path, QSize size) {
        QTest::newRow(qPrintable(path)) << path << size;
    };
    const QString qietu = QStringLiteral(":/image3/image3/a2/qietu/");
    row(QStringLiteral(":/image/image/100.ico"), QSize(16, 16)); // first of 16, 32, 48
    row(qietu + QStringLiteral("guanbib.png"), QSize(12, 12));
    row(qietu + QStringLiteral("denglu.png"), QSize(900, 600));
    row(qietu + QStringLiteral("logo.png"), QSize(146, 27));
    for (const char *name : {"900600_10.png", "900600_06.png", "jiesuo.png", "suoding.png",
                             "qiyong.png", "zanting.png", "shanchu.png"})
        row(qietu + QLatin1String(name), QSize(16, 16));
    for (const char *name : {"guanbi.png", "zuixiaohua.png", "zuidahua.png", "huanyuan.png"})
        row(qietu + QLatin1String(name), QSize(20, 20));
    for (const char *name : {"zhanghao.png", "mima.png"})
        row(qietu + QLatin1String(name), QSize(14, 22));
    row(qietu + QStringLiteral("900600_03_06.png"), QSize(8, 12));
    row(qietu + QStringLiteral("xiala.png"), QSize(10, 6));
    row(qietu + QStringLiteral("xiala@2x.png"), QSize(20, 12));
    for (const char *name : {"yuming", "piliang", "xiaoxi", "shezhi", "guanyu"}) {
        row(qietu + QLatin1String(name) + QStringLiteral(".png"), QSize(18, 18));
        row(qietu + QLatin1String(name) + QStringLiteral("_h.png"), QSize(18, 18));
    }
    row(qietu + QStringLiteral("touxiang.png"), QSize(40, 40));
}

void TestResources::images()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);

    QVERIFY(QFile::exists(path));
    QImageReader reader(path);
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), size);
}

void TestResources::loadingAnimation()
{
    QMovie movie(QStringLiteral(":/image/image/712.GIF"));
    QVERIFY(movie.isValid());
    QCOMPARE(movie.frameCount(), 12);
    QCOMPARE(movie.loopCount(), -1); // for ever
    for (int i = 0; i < movie.frameCount(); ++i) {
        QVERIFY(movie.jumpToFrame(i));
        QCOMPARE(movie.currentImage().size(), QSize(40, 40));
    }
}

void TestResources::textFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("web view sheet") << QStringLiteral(":/html/html/scrollBar.css");
    QTest::newRow("toolkit translation") << QStringLiteral(":/image/image/qt_zh_CN2.qm");
    QTest::newRow("own translation") << QStringLiteral(":/image/image/mywidgets.qm");
}

void TestResources::textFiles()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.size() > 0);
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
