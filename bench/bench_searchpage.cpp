#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "bench/ProcStatus.h"
#include "bench/StandInBench.h"
#include "client/ProcessObjects.h"
#include "client/User.h"
#include "client/copy/LocalCopy.h"
#include "manage/search/SearchHits.h"
#include "manage/search/SearchPage.h"
#include "manage/shell/MainWindow2.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <time.h>

namespace {

constexpr int kDomains = 1000;
constexpr int kRecordsPerDomain = 100;
constexpr int kHits = kDomains * kRecordsPerDomain;

// Domain i's records: kRecordsPerDomain addresses in 10.0.0.0/8 under their own hosts, so
// the range search finds every record of the copy.
QList<Record> recordsOf(int i)
{
    QList<Record> records;
    for (int k = 0; k < kRecordsPerDomain; ++k) {
        Record r;
        r.id = i * kRecordsPerDomain + k + 1;
        r.host = QStringLiteral("host-%1").arg(k);
        r.type = QStringLiteral("A");
        r.value = QStringLiteral("10.%1.%2.%3").arg(i >> 8).arg(i & 255).arg(k);
        r.viewName = QStringLiteral("默认");
        r.ttl = 600;
        records.append(r);
    }
    return records;
}

// CPU time of the calling (GUI) thread in milliseconds: the frame's own cost, whatever else the
// shared machine runs meanwhile.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

struct Spread
{
    double longest = 0;
    double median = 0;
    double p99 = 0;
};

Spread spreadOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    if (times.empty())
        return {};
    return {times.back(), times[times.size() / 2], times[times.size() * 99 / 100]};
}

} // namespace

// The account-wide search page with 100,000 hits from a local copy: the search and first paint,
// then scrolling from the first hit to the last a page at a time, each step painted at once.
class BenchSearchPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void searchAndFirstPaint();
    void scrollPageByPage();

private:
    QTableView *view() const;

    std::unique_ptr<BenchStandIn> m_service;
    QTemporaryDir m_dir;
    std::unique_ptr<LocalCopy> m_copy;
    std::unique_ptr<MainWindow2> m_window;
};

QTableView *BenchSearchPage::view() const
{
    return m_window->findChild<QTableView *>(QStringLiteral("tableView_gsearch"));
}

void BenchSearchPage::initTestCase()
{
    initResources();
    m_service = std::make_unique<BenchStandIn>(theUser(), 1);
    QVERIFY2(m_service->ready(), qPrintable(m_service->errorText()));

    m_copy = std::make_unique<LocalCopy>();
    QVERIFY2(m_copy->open(m_dir.filePath(QStringLiteral("copy.sqlite"))),
             qPrintable(m_copy->errorText()));
    QVERIFY(m_copy->setAccount(theUser().email));
    QList<CopyDomain> domains;
    for (int i = 0; i < kDomains; ++i)
        domains.append(CopyDomain{
            i + 1, QStringLiteral("search-%1.com").arg(i, 4, 10, QLatin1Char('0')), {}, {}});
    QVERIFY(m_copy->storeDomains(domains, true));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < kDomains; ++i)
        QVERIFY(m_copy->storeRecords(i + 1, recordsOf(i), now.addSecs(-60 * i)));
    localCopy() = m_copy.get();

    m_window = std::make_unique<MainWindow2>();
    m_window->firstShowPending = false;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // A maximized window on a 1080p screen: the most rows a frame paints.
    m_window->resize(1920, 1040);
    m_window->showSearch();
    QVERIFY(view());
    QCoreApplication::processEvents();
    qInfo("window %dx%d, hit table %dx%d", m_window->width(), m_window->height(),
          view()->viewport()->width(), view()->viewport()->height());
    qInfo("resident before the search: %.1f MB", procStatusKb("VmRSS:") / 1024.0);
}

void BenchSearchPage::cleanupTestCase()
{
    m_window.reset();
    localCopy() = nullptr;
    m_copy.reset();
    m_service.reset();
}

void BenchSearchPage::searchAndFirstPaint()
{
    m_window->findChild<QLineEdit *>(QStringLiteral("lineEdit_gsearch"))
        ->setText(QStringLiteral("10.0.0.0/8"));
    QElapsedTimer clock;
    clock.start();
    m_window->findChild<QPushButton *>(QStringLiteral("pushButton_gsearch"))->click();
    view()->viewport()->repaint();
    const qint64 ms = clock.elapsed();
    QCOMPARE(m_window->searchPage().hits().hits().size(), kHits);
    qInfo("search for %d hits and the first paint: %lld ms", kHits, ms);
}

void BenchSearchPage::scrollPageByPage()
{
    QTableView *table = view();
    if (table->model()->rowCount() != kHits)
        searchAndFirstPaint(); // run on its own
    QScrollBar *bar = table->verticalScrollBar();
    QCOMPARE(table->model()->rowCount(), kHits);
    bar->setValue(0);
    QCoreApplication::processEvents();
    // A page: the rows the viewport shows whole (the scroll bar counts rows here).
    const int page =
        qMax(1, table->viewport()->height() / table->verticalHeader()->defaultSectionSize());
    std::vector<double> frames;
    std::vector<double> cpuFrames;
    QElapsedTimer clock;
    while (bar->value() < bar->maximum()) {
        clock.start();
        const double cpu = threadCpuMs();
        bar->setValue(bar->value() + page);
        table->viewport()->repaint();
        cpuFrames.push_back(threadCpuMs() - cpu);
        frames.push_back(clock.nsecsElapsed() / 1e6);
        // What the event loop would handle between two steps, outside the frame.
        QCoreApplication::processEvents();
    }
    // The last hit is in view: the scroll went all the way.
    QVERIFY(table->viewport()->rect().intersects(
        table->visualRect(table->model()->index(kHits - 1, 0))));
    const Spread wall = spreadOf(frames);
    const Spread cpu = spreadOf(cpuFrames);
    const double peak = procStatusKb("VmHWM:") / 1024.0;
    qInfo("%d steps of %d rows; wall clock: longest frame %.2f ms, median %.2f ms, 99th "
          "percentile %.2f ms; GUI-thread CPU: longest %.2f ms, median %.2f ms, 99th %.2f ms",
          int(frames.size()), page, wall.longest, wall.median, wall.p99, cpu.longest, cpu.median,
          cpu.p99);
    qInfo("peak resident memory (VmHWM): %.1f MB", peak);
    qInfo("SEARCHFRAMES %d %.2f %.2f %.2f %.2f %.1f", int(frames.size()), wall.longest, wall.median,
          cpu.longest, cpu.median, peak);
}

QTEST_MAIN(BenchSearchPage)
#include "bench_searchpage.moc"
