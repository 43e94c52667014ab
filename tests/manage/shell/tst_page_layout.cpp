#include "client/User.h"
#include "manage/shared/ElidedText.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WidgetOverlap.h"
#include "tests/support/WindowHarness.h"

#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>

namespace {

// Whether the drop-down part of combo (its right end) shows anything darker than its field.
bool showsArrow(QComboBox *combo)
{
    const QImage image = combo->grab().toImage();
    int dark = 0;
    for (int y = 2; y < image.height() - 2; ++y) {
        for (int x = image.width() - 18; x < image.width() - 2; ++x)
            dark += qGray(image.pixel(x, y)) < 200 ? 1 : 0;
    }
    return dark >= 3;
}

} // namespace

// Every page at the smallest window size and a larger one: no visible widget covers a sibling,
// and every drop-down list shows its arrow.
class TestPageLayout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pagesDoNotOverlap_data();
    void pagesDoNotOverlap();
    void nameTipOnlyUnderPointer();
    void openingADomainUnderThePointer();
    void recordColumnsFitTheirContent_data();
    void recordColumnsFitTheirContent();
    void batchHeadersOverTheirFields_data();
    void batchHeadersOverTheirFields();

private:
    WindowHarness h;
};

void TestPageLayout::init()
{
    h.init();
}

void TestPageLayout::cleanup()
{
    h.cleanup();
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
        {"search", {QStringLiteral("commandLinkButton_search")}},
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
    QVERIFY(h.openDomainPage());
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
        h.window, {QStringLiteral("frame_zdgedit"), QStringLiteral("widget_5")});
    if (!found.isEmpty())
        qWarning().noquote() << found.join(QLatin1Char('\n'));
    QVERIFY(found.isEmpty());

    for (QComboBox *combo : h.window->findChildren<QComboBox *>()) {
        if (combo->isVisible())
            QVERIFY2(showsArrow(combo), qPrintable(combo->objectName()));
    }
}

void TestPageLayout::nameTipOnlyUnderPointer()
{
    QVERIFY(h.openDomainPage());
    QPushButton *first = h.rowButton(0, 3);
    QVERIFY(first);
    first->click();
    auto *table = h.widget<QTableWidget>("tableR");
    QTRY_VERIFY(table->rowCount() > 1 && table->cellWidget(0, 2) && table->cellWidget(1, 2));
    auto *under = qobject_cast<QPushButton *>(table->cellWidget(0, 2));
    auto *other = qobject_cast<QPushButton *>(table->cellWidget(1, 2));
    QVERIFY(under && other);
    // Cell widgets are placed when the view lays its rows out.
    QTRY_VERIFY(under->geometry().top() != other->geometry().top());
    QCursor::setPos(under->mapToGlobal(under->rect().center()));
    QStringList tips;
    h.window->showNameTip = [&tips](const QPoint &, const QString &text) { tips.append(text); };

    // A hover event that reaches a row away from the pointer shows nothing.
    QHoverEvent enter(QEvent::HoverEnter, QPointF(5, 5), QPointF(-1, -1));
    QCoreApplication::sendEvent(other, &enter);
    QCOMPARE(tips, QStringList());
    QCoreApplication::sendEvent(under, &enter);
    QCOMPARE(tips, QStringList{fullText(under)});
}

// As it was seen: the pointer rests over the first row while a domain's records open. Only the
// first row's own host or value may be tipped, wherever along the row the pointer is.
void TestPageLayout::openingADomainUnderThePointer()
{
    QVERIFY(h.openDomainPage());
    const auto open = [this] {
        QPushButton *name = h.rowButton(0, 3);
        QVERIFY(name);
        name->click();
    };
    auto *table = h.widget<QTableWidget>("tableR");
    const auto laidOut = [table] {
        return table->rowCount() > 1 && table->cellWidget(0, 2) && table->cellWidget(1, 2) &&
               table->cellWidget(0, 2)->geometry().top() !=
                   table->cellWidget(1, 2)->geometry().top();
    };
    open();
    QTRY_VERIFY(laidOut());
    QVERIFY(table->rowCount() > 3);
    const QPoint rowStart = table->viewport()->mapToGlobal(QPoint(0, table->rowHeight(0) / 2));
    const int rowWidth = table->viewport()->width();

    QStringList tips;
    h.window->showNameTip = [&tips](const QPoint &, const QString &text) { tips.append(text); };
    for (int x = 20; x < rowWidth; x += 40) {
        h.window->showDomainRows();
        QVERIFY(WindowHarness::settle());
        // The domain list's own name under the pointer is tipped first, rightly.
        QCursor::setPos(rowStart + QPoint(x, 0));
        QVERIFY(WindowHarness::settle());
        tips.clear();
        open();
        QTRY_VERIFY(laidOut());
        QVERIFY(WindowHarness::settle());
        const auto *host = table->cellWidget(0, 0)->property("wgname").value<QPushButton *>();
        const auto *value = qobject_cast<QPushButton *>(table->cellWidget(0, 2));
        QVERIFY(host && value);
        for (const QString &tip : tips) {
            QVERIFY2(tip == fullText(host) || tip == fullText(value),
                     qPrintable(QStringLiteral("at x %1: \"%2\" over the row of \"%3\"")
                                    .arg(x)
                                    .arg(tip, fullText(value))));
        }
    }
}

void TestPageLayout::recordColumnsFitTheirContent_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("900x620") << QSize(900, 620);
    QTest::newRow("1280x800") << QSize(1280, 800);
}

// Hosts and values show whole when they fit and end in an ellipsis when they do not, never cut
// bare ("halvik-demo.cor"); the host column is no wider than its longest host needs, so values
// get the room.
void TestPageLayout::recordColumnsFitTheirContent()
{
    QFETCH(QSize, size);
    QVERIFY(h.openDomainPage());
    h.window->resize(size);
    QVERIFY(WindowHarness::settle());
    QPushButton *name = h.rowButton(0, 3);
    QVERIFY(name);
    name->click();
    auto *table = h.widget<QTableWidget>("tableR");
    QTRY_VERIFY(table->rowCount() > 1 && table->cellWidget(1, 2) &&
                table->cellWidget(0, 2)->geometry().top() !=
                    table->cellWidget(1, 2)->geometry().top());
    QVERIFY(WindowHarness::settle());
    int widestHost = table->fontMetrics().horizontalAdvance(QStringLiteral("主机记录"));
    for (const Record &r : h.window->currentDomain->records)
        widestHost = qMax(widestHost, table->fontMetrics().horizontalAdvance(r.host));
    // The tick box and the margins beside the host, and a floor.
    QVERIFY2(table->columnWidth(0) <= qMax(120, widestHost + 56),
             qPrintable(QString::number(table->columnWidth(0))));

    int shown = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
        QWidget *cell = table->cellWidget(row, 0);
        if (!cell)
            continue;
        const auto *host = cell->property("wgname").value<QPushButton *>();
        const auto *value = qobject_cast<QPushButton *>(table->cellWidget(row, 2));
        QVERIFY(host && value);
        for (const QPushButton *b : {host, value}) {
            const QString whole = fullText(b);
            const bool fits = b->fontMetrics().horizontalAdvance(whole) <= b->width() - 12;
            if (fits)
                QCOMPARE(b->text(), whole);
            else
                QVERIFY2(
                    b->text().endsWith(QChar(0x2026)) &&
                        b->fontMetrics().horizontalAdvance(b->text()) <= b->width(),
                    qPrintable(QStringLiteral("\"%1\" in %2 px").arg(b->text()).arg(b->width())));
        }
        // The demo's hosts are short: none is cut.
        QCOMPARE(host->text(), fullText(host));
        ++shown;
    }
    QVERIFY(shown > 3);
}

void TestPageLayout::batchHeadersOverTheirFields_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<int>("firstColumn"); // the edit rows begin with their "旧记录" label
    for (const QSize size : {QSize(900, 620), QSize(1280, 800)}) {
        const QString at = QStringLiteral("%1x%2 ").arg(size.width()).arg(size.height());
        QTest::newRow(qPrintable(at + "add")) << size << 0 << "gridLayout_4" << 0;
        QTest::newRow(qPrintable(at + "edit")) << size << 1 << "gridLayout_5" << 1;
        QTest::newRow(qPrintable(at + "delete")) << size << 2 << "gridLayout_6" << 0;
    }
}

// Each bold header stands over its column's fields, and every field of a row is on screen and
// wide enough to type in without scrolling sideways.
void TestPageLayout::batchHeadersOverTheirFields()
{
    QFETCH(QSize, size);
    QFETCH(int, tab);
    QFETCH(QString, grid);
    QFETCH(int, firstColumn);
    h.openManagement();
    h.window->resize(size);
    h.widget<QPushButton>("commandLinkButton_2")->click();
    h.widget<QTabWidget>("tabWidget_bat")->setCurrentIndex(tab);
    QVERIFY(WindowHarness::settle());
    auto *layout = h.window->findChild<QGridLayout *>(grid);
    QVERIFY(layout);
    QWidget *page = layout->parentWidget();
    QScrollArea *area = nullptr;
    for (QWidget *w = page; w && !area; w = w->parentWidget())
        area = qobject_cast<QScrollArea *>(w);
    QVERIFY(area);
    // The first row, wherever "取消" and new rows left it in the grid.
    const QVariantList rows = layout->property(tab == 0   ? "batadd"
                                               : tab == 1 ? "batedit"
                                                          : "batdel")
                                  .toList();
    QVERIFY(!rows.isEmpty());
    auto *firstHost = qobject_cast<QWidget *>(rows.first().value<QObject *>());
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    layout->getItemPosition(layout->indexOf(firstHost), &row, &column, &rowSpan, &columnSpan);
    int headers = 0;
    for (int c = 0; c < layout->columnCount(); ++c) {
        QLayoutItem *top = layout->itemAtPosition(0, c);
        auto *header = top ? qobject_cast<QLabel *>(top->widget()) : nullptr;
        if (!header)
            continue;
        ++headers;
        // The edit rows: the new record's line has a field under every header.
        QLayoutItem *below = layout->itemAtPosition(tab == 1 ? row + 1 : row, c);
        QVERIFY2(below && below->widget(), qPrintable(header->text()));
        QWidget *field = below->widget();
        QCOMPARE(header->geometry().left(), field->geometry().left());
        // On screen: inside the scroll area's view, not past its right edge.
        const QRect shown(field->mapTo(area->viewport(), QPoint(0, 0)), field->size());
        QVERIFY2(area->viewport()->rect().contains(shown),
                 qPrintable(QStringLiteral("%1 at %2..%3 of %4")
                                .arg(header->text())
                                .arg(shown.left())
                                .arg(shown.right())
                                .arg(area->viewport()->width())));
        if (qobject_cast<QLineEdit *>(field) && header->text() != QLatin1String("MX") &&
            header->text() != QLatin1String("TTL"))
            QVERIFY2(field->width() >= 80, qPrintable(header->text()));
    }
    QCOMPARE(headers, tab == 2 ? 4 : 6);
    QCOMPARE(layout->itemAtPosition(0, firstColumn)->widget()->property("text").toString(),
             QStringLiteral("主机记录"));
}

QTEST_MAIN(TestPageLayout)
#include "tst_page_layout.moc"
