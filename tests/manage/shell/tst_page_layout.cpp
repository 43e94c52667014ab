#include "app/Startup.h"
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
#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionButton>
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
    void fillingTheDomainListUnderThePointer();
    void domainRowsShowWhereTheyBelong();
    void recordColumnsFitTheirContent_data();
    void recordColumnsFitTheirContent();
    void focusedButtonsAreMarked_data();
    void focusedButtonsAreMarked();
    void batchHeadersOverTheirFields_data();
    void batchHeadersOverTheirFields();

private:
    // Follows clicks from the domain page: object names, "@records" (the first domain's records)
    // or "@tabN" (a tab of the batch page); false when a page did not come.
    bool openPage(const QStringList &clicks);

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

namespace {

const QList<QPair<QByteArray, QStringList>> &pageClicks()
{
    static const QList<QPair<QByteArray, QStringList>> pages = {
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
    return pages;
}

} // namespace

bool TestPageLayout::openPage(const QStringList &clicks)
{
    for (const QString &name : clicks) {
        if (name == QLatin1String("@records")) {
            QPushButton *first = h.rowButton(0, 3);
            if (!first)
                return false;
            first->click();
            if (!QTest::qWaitFor(
                    [this] {
                        return h.widget<QStackedWidget>("stacked_3")->currentWidget() ==
                               h.widget("page_record");
                    },
                    kEventWithinMs))
                return false;
        } else if (name.startsWith(QLatin1String("@tab"))) {
            h.widget<QTabWidget>("tabWidget_bat")->setCurrentIndex(name.midRef(4).toInt());
        } else {
            h.button(name.toLatin1().constData())->click();
        }
    }
    for (const char *overlay : {"frame_dm", "frame_loading4"}) {
        if (!QTest::qWaitFor([this, overlay] { return h.widget(overlay)->isHidden(); },
                             kEventWithinMs))
            return false;
    }
    return WindowHarness::settle();
}

void TestPageLayout::pagesDoNotOverlap_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QStringList>("clicks");
    const QList<QPair<QByteArray, QStringList>> &pages = pageClicks();
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
    QVERIFY(openPage(clicks));
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

// The same on the domain list: the pointer rests over its first row while the list is read
// again from the service and filled (its rows' widgets are made while events go through);
// only that row's own name may be tipped.
void TestPageLayout::fillingTheDomainListUnderThePointer()
{
    QVERIFY(h.openDomainPage());
    QTableWidget *table = h.table();
    QVERIFY(table->rowCount() > 20);
    QVERIFY(WindowHarness::settle());
    const QPoint rowStart = table->viewport()->mapToGlobal(QPoint(0, table->rowHeight(0) / 2));
    const int rowWidth = table->viewport()->width();
    QStringList tips;
    h.window->showNameTip = [&tips](const QPoint &, const QString &text) { tips.append(text); };
    for (int x = 20; x < rowWidth; x += 60) {
        QCursor::setPos(rowStart + QPoint(x, 0));
        QVERIFY(WindowHarness::settle());
        tips.clear();
        theUser().needDomainReload = true;
        h.button("commandLinkButton")->click();
        QVERIFY(WindowHarness::settle());
        QPushButton *first = h.rowButton(0, 3);
        QVERIFY(first);
        for (const QString &tip : tips) {
            QVERIFY2(tip == fullText(first),
                     qPrintable(QStringLiteral("at x %1: \"%2\" over the row of \"%3\"")
                                    .arg(x)
                                    .arg(tip, fullText(first))));
        }
    }
}

namespace {

// Where each widget of a table's viewport was when it was first shown.
class ShownAt : public QObject
{
public:
    explicit ShownAt(QWidget *viewport) : m_viewport(viewport) {}
    QList<QPair<QPointer<QWidget>, QRect>> shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->parentWidget() == m_viewport)
                shown.append({widget, widget->geometry()});
        }
        return false;
    }

private:
    QWidget *m_viewport;
};

} // namespace

// The cause of the stray tips, on the domain list: a row's widgets show in their row, not over
// the first rows at the viewport's corner until the view lays its rows out.
void TestPageLayout::domainRowsShowWhereTheyBelong()
{
    QVERIFY(h.openDomainPage());
    QTableWidget *table = h.table();
    ShownAt shownAt(table->viewport());
    qApp->installEventFilter(&shownAt);
    theUser().needDomainReload = true;
    h.button("commandLinkButton")->click();
    QVERIFY(WindowHarness::settle());
    qApp->removeEventFilter(&shownAt);
    QVERIFY(table->rowCount() > 20);
    int checked = 0;
    for (const auto &entry : shownAt.shown) {
        if (!entry.first)
            continue;
        // In its own row: the columns may still move sideways as a scroll bar comes.
        const QRect placed = entry.first->geometry();
        QVERIFY2(entry.second.top() == placed.top() && entry.second.height() == placed.height(),
                 qPrintable(QStringLiteral("%1 shown at %2,%3 %4x%5, placed at %6,%7 %8x%9")
                                .arg(entry.first->objectName())
                                .arg(entry.second.x())
                                .arg(entry.second.y())
                                .arg(entry.second.width())
                                .arg(entry.second.height())
                                .arg(entry.first->x())
                                .arg(entry.first->y())
                                .arg(entry.first->width())
                                .arg(entry.first->height())));
        ++checked;
    }
    QVERIFY(checked > 10);
}

void TestPageLayout::recordColumnsFitTheirContent_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("900x620") << QSize(900, 620);
    QTest::newRow("1280x800") << QSize(1280, 800);
}

void TestPageLayout::focusedButtonsAreMarked_data()
{
    QTest::addColumn<QStringList>("clicks");
    for (const auto &page : pageClicks())
        QTest::newRow(page.first.constData()) << page.second;
}

// Every button the keyboard can reach looks different once it has the focus, whatever its own
// style sheet: the application's rule, applied as the program applies it at start.
void TestPageLayout::focusedButtonsAreMarked()
{
    QFETCH(QStringList, clicks);
    applyApplicationStyle(*qApp);
    QVERIFY(h.openDomainPage());
    h.window->activateWindow();
    QVERIFY(openPage(clicks));
    int checked = 0;
    for (QPushButton *button : h.window->findChildren<QPushButton *>()) {
        if (!button->isVisible() || !button->isEnabled() ||
            !(button->focusPolicy() & Qt::TabFocus) || button->width() < 8)
            continue;
        button->clearFocus();
        QApplication::processEvents();
        const QImage plain = button->grab().toImage();
        button->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        QVERIFY2(button->hasFocus(), qPrintable(button->objectName()));
        const QImage focused = button->grab().toImage();
        button->clearFocus();
        QVERIFY2(plain != focused,
                 qPrintable(button->objectName() + QLatin1Char(' ') + button->text()));
        ++checked;
    }
    QVERIFY(checked > 0);
}

// Hosts and values show whole when they fit and end in an ellipsis when they do not, never cut
// bare ("halvik-demo.cor"); the host column is no wider than its longest host needs, so values
// get the room.
void TestPageLayout::recordColumnsFitTheirContent()
{
    QFETCH(QSize, size);
    QVERIFY(h.openDomainPage());
    User &u = theUser();
    Domain *demo = u.domain2ptr(QStringLiteral("halvik-demo.com"));
    QVERIFY(demo);
    QVERIFY(u.addRecord(demo, QStringLiteral("v=DKIM1; k=rsa; p=") + QString(180, QLatin1Char('A')),
                        QStringLiteral("TXT"), QStringLiteral("0"), QStringLiteral("mail")));
    h.window->resize(size);
    QVERIFY(WindowHarness::settle());
    const int demoRow = h.rowOf(QStringLiteral("halvik-demo.com"));
    QVERIFY(demoRow >= 0 && h.reveal(demoRow));
    QPushButton *name = h.rowButton(demoRow, 3);
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

    // As laid out, then with the narrow columns narrower than their texts (a line name longer
    // than any the demo has, say): cut with an ellipsis and whole in the tip, never cut bare.
    for (const bool narrowed : {false, true}) {
        if (narrowed) {
            for (int column : {1, 3, 4, 5})
                table->setColumnWidth(column, 36);
            QVERIFY(WindowHarness::settle());
        }
        int shown = 0;
        QList<int> cutColumns;
        for (int row = 0; row < table->rowCount(); ++row) {
            QWidget *cell = table->cellWidget(row, 0);
            if (!cell)
                continue;
            const auto *host = cell->property("wgname").value<QPushButton *>();
            QVERIFY(host);
            QList<const QPushButton *> buttons = {host};
            for (int column = 1; column <= 5; ++column) {
                const auto *b = qobject_cast<QPushButton *>(table->cellWidget(row, column));
                QVERIFY(b);
                buttons.append(b);
            }
            for (int column = 0; column < buttons.size(); ++column) {
                const QPushButton *b = buttons.at(column);
                // The room the button's style leaves its text, padding and borders taken off.
                QStyleOptionButton option;
                option.initFrom(b);
                option.text = b->text();
                const int room =
                    b->style()->subElementRect(QStyle::SE_PushButtonContents, &option, b).width();
                const QString whole = fullText(b);
                const QString at = QStringLiteral("\"%1\" (\"%2\") in %3 px of room, column %4")
                                       .arg(b->text(), whole)
                                       .arg(room)
                                       .arg(column);
                QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) <= room, qPrintable(at));
                if (b->text() != whole) {
                    QVERIFY2(b->text().endsWith(QChar(0x2026)), qPrintable(at));
                    cutColumns.append(column);
                }
                // Host and value are tipped by the window when hovered; the others carry
                // their own tip.
                if (column != 0 && column != 2)
                    QCOMPARE(b->toolTip(), whole);
            }
            // The demo's hosts are short: none is cut.
            QCOMPARE(host->text(), fullText(host));
            ++shown;
        }
        QVERIFY(shown > 3);
        // The long text value ends in an ellipsis at every size; so do the lines, narrowed.
        QVERIFY(cutColumns.contains(2));
        QCOMPARE(cutColumns.contains(3), narrowed);
    }
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
    h.openManagement(WindowHarness::Show::Shown, size);
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
