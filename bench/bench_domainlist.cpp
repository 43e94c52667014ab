#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "bench/CurlPosts.h"
#include "bench/ProcStatus.h"
#include "bench/ServiceProcess.h"
#include "client/ApiRequest.h"
#include "client/MsgPresenter.h"
#include "client/User.h"
#include "localservice/storage/SeedData.h"
#include "manage/domains/DomainListPage.h"
#include "manage/shell/MainWindow2.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The domain list of an account with 10,000 domains on the stand-in service: how soon the first
// rows appear, how long "全选" with "是" takes to build every row and whether events keep flowing
// meanwhile, how fast scrolling grows the table, and the program's peak memory with all rows.
// The stand-in runs in a process of its own, so that the memory figures are the program's.
// Run by hand (QT_QPA_PLATFORM=offscreen); the figures to beat are in bench/README.md.
namespace {

// HALVIK_BENCH_DOMAINS picks another size, for profiling.
const int kDomains = qEnvironmentVariableIsSet("HALVIK_BENCH_DOMAINS")
                         ? qEnvironmentVariableIntValue("HALVIK_BENCH_DOMAINS")
                         : 10000;

// Answers every question with OK, as a user pressing "是" would.
class YesPresenter : public MsgPresenter
{
public:
    int present(const MsgBoxRequest &) override { return 1; }
};

// The longest time between two ticks of a fast timer while something runs on the GUI thread:
// how long the window went without handling events.
class GapMeter : public QObject
{
public:
    GapMeter()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longest = qMax(m_longest, m_clock.restart());
            ++m_ticks;
        });
    }
    void start()
    {
        m_longest = 0;
        m_ticks = 0;
        m_clock.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    qint64 longest() const { return m_longest; }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
    int m_ticks = 0;
};

} // namespace

class BenchDomainList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void firstRowsAfterTheList();
    void growthWhileScrolling();
    void loadAllRows();

private:
    void openDomainPage();

    bool startService(QString *baseUrl, QString *error);

    QTemporaryDir m_dir;
    QProcess m_service;
    YesPresenter m_presenter;
    MainWindow2 *m_window = nullptr;
    QTableWidget *m_table = nullptr;
};

void BenchDomainList::initTestCase()
{
    initResources();
    chooseApplicationFont();
    User::setMsgPresenter(&m_presenter);
    QString baseUrl;
    QString error;
    QVERIFY2(startService(&baseUrl, &error), qPrintable(error));
    User &user = theUser();
    user.baseUrl = baseUrl;
    user.setExtraCaCertificates(
        QSslCertificate::fromPath(m_dir.filePath(QStringLiteral("ca.pem"))));
    QVERIFY(user.login(loadAccountEmail(kDomains), demo::password()));

    m_window = new MainWindow2;
    m_window->firstShowPending = false;
    m_window->resize(1026, 675);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_table = m_window->findChild<QTableWidget *>(QStringLiteral("tableWidget"));

    QElapsedTimer clock;
    clock.start();
    openDomainPage();
    const qint64 openMs = clock.elapsed();
    qInfo("open (fetch %d domains + first fill): %lld ms", kDomains, openMs);
    // Beside it, the same 200 signed page requests by curl.
    QList<CurlPost> pages;
    const QByteArray url = (user.baseUrl + user.paths.domainList).toUtf8();
    for (int page = 1; page <= (kDomains + 49) / 50; ++page) {
        ApiParams params;
        params.insert("pageSize", QStringLiteral("50"));
        if (page > 1)
            params.insert("page", QString::number(page));
        prepareParams(params, true, QDateTime::currentSecsSinceEpoch(), user.apiKey,
                      user.apiSecret);
        pages.append({url, encodeFormBody(params)});
    }
    const CurlRun curl = runCurlPosts(pages, m_dir.filePath(QStringLiteral("ca.pem")));
    QCOMPARE(curl.succeeded, pages.size());
    qInfo("the same %d pages by curl: %lld ms", int(pages.size()), curl.ms);
    reportPair("domain-page-open-10k", openMs, curl.ms);
    const CurlRun kept = runCurlPosts(pages, m_dir.filePath(QStringLiteral("ca.pem")), true);
    QCOMPARE(kept.succeeded, pages.size());
    reportPair("domain-page-open-10k-kept", openMs, kept.ms);
    QCOMPARE(theUser().domains.size(), kDomains);
    QCOMPARE(m_table->rowCount(), 31);
    qInfo("start: VmRSS %lld kB", procStatusKb("VmRSS:"));
}

void BenchDomainList::cleanupTestCase()
{
    delete m_window;
    User::setMsgPresenter(nullptr);
    m_service.terminate();
    m_service.waitForFinished(10000);
}

bool BenchDomainList::startService(QString *baseUrl, QString *error)
{
    return startServiceProcess(m_service, QStringLiteral(HALVIK_LOCALSERVICE_BIN), m_dir.path(),
                               kDomains, true, baseUrl, error);
}

void BenchDomainList::openDomainPage()
{
    User &user = theUser();
    user.needDomainReload = true;
    user.needGroupReload = true;
    m_window->findChild<QPushButton *>(QStringLiteral("commandLinkButton"))->click();
}

void BenchDomainList::firstRowsAfterTheList()
{
    // The fill alone, once the list is there.
    QBENCHMARK
    {
        m_window->domainList().fillDomainTable(0, false, 0);
    }
    QCOMPARE(m_table->rowCount(), 31);
    QCOMPARE(theUser().matchCount, kDomains);
}

void BenchDomainList::growthWhileScrolling()
{
    m_window->domainList().fillDomainTable(0, false, 0);
    QScrollBar *bar = m_table->verticalScrollBar();
    // A user dragging the thumb to the end again and again, as fast as the rows come.
    QElapsedTimer clock;
    clock.start();
    const int before = m_table->rowCount();
    int steps = 0;
    while (m_table->rowCount() < 1000 && clock.elapsed() < 60000) {
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ++steps;
    }
    const qint64 ms = clock.elapsed();
    const int added = m_table->rowCount() - before;
    QVERIFY(added > 0);
    qInfo("growth: %d rows in %d scrolls to the end, %lld ms, %.2f ms per row, %d rows per scroll",
          added, steps, ms, double(ms) / added, added / qMax(1, steps));
}

void BenchDomainList::loadAllRows()
{
    m_window->domainList().fillDomainTable(0, false, 0);
    auto *selectAll = m_window->findChild<QCheckBox *>(QStringLiteral("checkBox"));
    selectAll->setChecked(false);
    GapMeter gaps;
    QElapsedTimer clock;
    gaps.start();
    clock.start();
    selectAll->click();
    const qint64 ms = clock.elapsed();
    gaps.stop();
    QCOMPARE(m_table->rowCount(), kDomains);
    qInfo("load all: %d rows in %lld ms; events handled throughout: longest gap %lld ms, "
          "%d ticks of a 5 ms timer",
          kDomains, ms, gaps.longest(), gaps.ticks());

    // What the program's own event loop does between two user actions.
    const auto idle = [] {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    idle();
    qInfo("all rows built: VmRSS %lld kB", procStatusKb("VmRSS:"));

    // Scrolling through the full table.
    QScrollBar *bar = m_table->verticalScrollBar();
    clock.restart();
    for (int i = 0; i < 50; ++i) {
        bar->setValue(bar->maximum() * i / 50);
        idle();
    }
    qInfo("50 jumps through the full table: %lld ms", clock.elapsed());
    qInfo("after scrolling: VmRSS %lld kB, peak (VmHWM) %lld kB", procStatusKb("VmRSS:"),
          procStatusKb("VmHWM:"));
    const QString shot = qEnvironmentVariable("HALVIK_BENCH_SHOT");
    if (!shot.isEmpty())
        m_window->grab().save(shot);
}

QTEST_MAIN(BenchDomainList)
#include "bench_domainlist.moc"
