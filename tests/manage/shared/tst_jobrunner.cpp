#include "app/Startup.h"
#include "manage/shared/PageJobRunner.h"
#include "tests/support/StyleHistory.h"

#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

const QString kRed = QStringLiteral("border:2px solid #f00");
// A flash takes 1.8 s; generous, as the machine may be busy.
constexpr int kFlashEndsWithinMs = 30000;

// The widgets of one job page, as its form would give them.
struct Page
{
    QWidget root;
    QWidget *overlay = new QWidget(&root);
    QLabel *animation = new QLabel(QStringLiteral("Loading"), overlay);
    QLabel *progress = new QLabel(QStringLiteral("1/2"), overlay);
    QPushButton *stop = new QPushButton(QStringLiteral("停止"), overlay);
    QPushButton *back = new QPushButton(QStringLiteral("返回继续"), &root);
    QWidget *list = new QWidget(&root);

    Page() { overlay->hide(); }

    JobWidgets widgets() const
    {
        JobWidgets w;
        w.overlay = overlay;
        w.animation = animation;
        w.progress = progress;
        w.stop = stop;
        w.locked = {back};
        w.covered = {list};
        return w;
    }
};

} // namespace

// The shared job runner: overlay, progress, stop flag, first use, and the input flash.
class TestJobRunner : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void runningShowsOverlayAndLocksButtons();
    void stopClickEndsBeforeNextItem();
    void secondJobReusesAnimationAndStopConnection();
    void stopFlagThatIsNoNumberGoesOn();

    void flashBlinksAndEndsAsItWas();
    void secondFlashEndsOnTheOriginalStyle();
    void movedOrDeletedWidgetIsLeftAlone();
};

void TestJobRunner::initTestCase()
{
    initResources();
}

void TestJobRunner::runningShowsOverlayAndLocksButtons()
{
    Page page;
    PageJobRunner runner(page.widgets());
    page.stop->setText(QStringLiteral("请稍候..."));

    runner.start();
    QVERIFY(runner.isRunning());
    QVERIFY(!page.overlay->isHidden());
    QVERIFY(!page.back->isEnabled());
    QVERIFY(!page.list->updatesEnabled());
    QCOMPARE(page.stop->text(), QStringLiteral("停止"));
    QCOMPARE(page.stop->property("mustStop"), QVariant(0));
    QVERIFY(page.animation->movie());
    QCOMPARE(page.animation->movie()->fileName(), QStringLiteral(":/image/image/712.GIF"));
    QCOMPARE(page.animation->movie()->scaledSize(), QSize(40, 40));
    QCOMPARE(page.animation->movie()->state(), QMovie::Running);

    QVERIFY(runner.next(0, 12));
    QCOMPARE(page.progress->text(), QStringLiteral("1 / 12"));
    QVERIFY(runner.next(11, 12));
    QCOMPARE(page.progress->text(), QStringLiteral("12 / 12"));

    runner.finish();
    QVERIFY(!runner.isRunning());
    QVERIFY(page.overlay->isHidden());
    QVERIFY(page.back->isEnabled());
    QVERIFY(page.list->updatesEnabled());
}

void TestJobRunner::stopClickEndsBeforeNextItem()
{
    Page page;
    PageJobRunner runner(page.widgets());
    runner.start();
    QVERIFY(runner.next(0, 10));
    QVERIFY(runner.next(1, 10));
    QVERIFY(runner.next(2, 10));
    // The click arrives while the third item's call waits; the third item is finished.
    page.stop->click();
    QCOMPARE(page.stop->property("mustStop"), QVariant(1));
    QCOMPARE(page.stop->text(), QStringLiteral("请稍候..."));
    QVERIFY(!runner.next(3, 10));
    runner.finish();
    QCOMPARE(page.progress->text(), QStringLiteral("3 / 10"));
    // The button keeps its text until the next start.
    QCOMPARE(page.stop->text(), QStringLiteral("请稍候..."));
}

void TestJobRunner::secondJobReusesAnimationAndStopConnection()
{
    Page page;
    PageJobRunner runner(page.widgets());
    runner.start();
    QMovie *movie = page.animation->movie();
    page.stop->click();
    QVERIFY(!runner.next(0, 3));
    runner.finish();
    QCOMPARE(runner.stopRequests(), 1);

    runner.start();
    QCOMPARE(page.animation->movie(), movie);
    QCOMPARE(movie->state(), QMovie::Running);
    QCOMPARE(page.stop->text(), QStringLiteral("停止"));
    QVERIFY(runner.next(0, 3));
    page.stop->click();
    // One handler ran for the one click: the stop button is connected once.
    QCOMPARE(runner.stopRequests(), 2);
    QVERIFY(!runner.next(1, 3));
    runner.finish();
}

void TestJobRunner::stopFlagThatIsNoNumberGoesOn()
{
    Page page;
    PageJobRunner runner(page.widgets());
    runner.start();
    page.stop->setProperty("mustStop", QStringLiteral("yes"));
    QVERIFY(runner.next(0, 1));
    page.stop->setProperty("mustStop", QStringLiteral("1"));
    QVERIFY(!runner.next(0, 1));
    runner.finish();
}

void TestJobRunner::flashBlinksAndEndsAsItWas()
{
    QWidget parent;
    auto *edit = new QWidget(&parent);
    const QString own = QStringLiteral("background:#fafafa;");
    edit->setStyleSheet(own);
    StyleHistory history(edit);

    QElapsedTimer clock;
    clock.start();
    PageJobRunner::flashInput(edit);
    // The last step forgets the kept style, then restores it.
    QTRY_VERIFY_WITH_TIMEOUT(!edit->property("flashKeptStyle").isValid(), kFlashEndsWithinMs);
    QStringList sixBlinks;
    for (int i = 0; i < 6; ++i)
        sixBlinks << kRed << own;
    QCOMPARE(history.styles, sixBlinks);
    QCOMPARE(edit->styleSheet(), own);
    // Timers never fire early: the last step comes 1650 ms after the start at the soonest.
    QVERIFY(clock.elapsed() >= 1650);
}

void TestJobRunner::secondFlashEndsOnTheOriginalStyle()
{
    QWidget parent;
    auto *edit = new QWidget(&parent);
    const QString own = QStringLiteral("color:#333;");
    edit->setStyleSheet(own);
    bool restarted = false;
    // A second start while the border is red.
    StyleHistory history(edit, [&](const QString &style) {
        if (style == kRed && !restarted) {
            restarted = true;
            PageJobRunner::flashInput(edit);
        }
    });
    PageJobRunner::flashInput(edit);
    QTRY_VERIFY_WITH_TIMEOUT(restarted && !edit->property("flashKeptStyle").isValid(),
                             kFlashEndsWithinMs);
    QCOMPARE(edit->styleSheet(), own);
    QCOMPARE(history.styles.last(), own);
}

void TestJobRunner::movedOrDeletedWidgetIsLeftAlone()
{
    QWidget first;
    QWidget second;
    auto *moved = new QWidget(&first);
    auto *deleted = new QWidget(&first);
    PageJobRunner::flashInput(moved);
    PageJobRunner::flashInput(deleted);
    // Before any step of the flashes ran.
    moved->setParent(&second);
    moved->setStyleSheet(QStringLiteral("color:#123;"));
    StyleHistory history(moved);
    delete deleted;
    QTRY_VERIFY_WITH_TIMEOUT(!moved->property("flashKeptStyle").isValid(), kFlashEndsWithinMs);
    QCOMPARE(moved->styleSheet(), QStringLiteral("color:#123;"));
    QCOMPARE(history.styles, QStringList());
}

QTEST_MAIN(TestJobRunner)
#include "tst_jobrunner.moc"
