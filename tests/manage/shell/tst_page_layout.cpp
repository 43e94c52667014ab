#include "client/User.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/DomainPageHarness.h"
#include "tests/support/WidgetOverlap.h"

#include <QComboBox>
#include <QPainter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QtTest>

// Every page at the smallest window size and a larger one: no visible widget covers a sibling,
// and every drop-down list shows its arrow.
class TestPageLayout : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void pagesDoNotOverlap_data();
    void pagesDoNotOverlap();

private:
    DomainPageHarness h;
};

void TestPageLayout::initTestCase()
{
    initResources();
}

void TestPageLayout::cleanup()
{
    h.close();
}

void TestPageLayout::pagesDoNotOverlap_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("clicks");
    const QList<QPair<QByteArray, QStringList>> pages = {
        {"domains", {}},
        {"groups", {QStringLiteral("pushButton_Gedit")}},
        {"add domains", {QStringLiteral("pushButton_14")}},
        {"records", {QStringLiteral("@records")}},
        {"batch add", {QStringLiteral("commandLinkButton_2")}},
        {"batch edit", {QStringLiteral("commandLinkButton_2"), QStringLiteral("@tab1")}},
        {"batch delete", {QStringLiteral("commandLinkButton_2"), QStringLiteral("@tab2")}},
        {"messages", {QStringLiteral("commandLinkButton_6")}},
        {"account messages",
         {QStringLiteral("commandLinkButton_6"), QStringLiteral("pushButton_38")}},
        {"settings", {QStringLiteral("commandLinkButton_opt")}},
        {"about", {QStringLiteral("commandLinkButton_help")}},
    };
    for (const QSize size : {QSize(900, 620), QSize(1280, 800)}) {
        for (const auto &page : pages) {
            const QByteArray row = page.first + ' ' + QByteArray::number(size.width());
            QTest::newRow(row.constData()) << size << page.second;
        }
    }
}

void TestPageLayout::pagesDoNotOverlap()
{
    QFETCH(QSize, size);
    QFETCH(QStringList, clicks);
    QVERIFY(h.open());
    h.window->resize(size);
    for (const QString &name : clicks) {
        if (name == QLatin1String("@records")) {
            QPushButton *first = h.rowButton(0, 3);
            QVERIFY(first);
            first->click();
            QTRY_COMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
                         h.widget("page_record"));
        } else if (name.startsWith(QLatin1String("@tab"))) {
            h.widget<QTabWidget>("tabWidget_bat")->setCurrentIndex(name.midRef(4).toInt());
        } else {
            h.button(name.toLatin1().constData())->click();
        }
    }
    for (const char *overlay : {"frame_dm", "frame_loading4"})
        QTRY_VERIFY(h.widget(overlay)->isHidden());
    QApplication::processEvents();
    // The group editor's panels are laid over the group column and the domain list.
    const QStringList found = overlappingSiblings(
        h.window.get(), {QStringLiteral("frame_zdgedit"), QStringLiteral("widget_5")});
    if (!found.isEmpty())
        qWarning().noquote() << found.join(QLatin1Char('\n'));
    QVERIFY(found.isEmpty());
}

QTEST_MAIN(TestPageLayout)
#include "tst_page_layout.moc"
