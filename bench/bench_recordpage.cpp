#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "bench/ProcStatus.h"
#include "client/User.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"
#include "manage/records/RecordPage.h"
#include "manage/shell/MainWindow2.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

namespace {

const QString kDomain = QStringLiteral("harbor-demo.com");
constexpr int kRecords = 999;

} // namespace

// How fast a domain with 999 records opens on the record page, and what it costs in memory.
class BenchRecordPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void fetchRecords();
    void openPage();
    void openPageTimeAndMemory();
    void scrollThroughEveryRow();

private:
    void waitUntilDrawn();

    QTemporaryDir m_dir;
    std::unique_ptr<LocalService> m_service;
    std::unique_ptr<MainWindow2> m_window;
    QSharedPointer<Domain> m_domain;
};

void BenchRecordPage::initTestCase()
{
    initResources();
    ServiceOptions options;
    options.dataDir = m_dir.path();
    options.port = 0;
    options.nameServers = false; // the figures are the record page's alone
    options.log = [](const QString &) {};
    m_service = std::make_unique<LocalService>(options);
    QString error;
    QVERIFY2(m_service->start(&error), qPrintable(error));

    User &user = theUser();
    user.baseUrl = m_service->baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(m_service->caFile()));
    QVERIFY(user.login(demo::email(), demo::password()));
    QVERIFY(user.getDomain() > 0);
    m_domain = user.domains.sharedOf(user.domain2ptr(kDomain));
    QVERIFY(m_domain);

    // Fill the domain up to 999 records of the usual mix.
    Storage &storage = m_service->storage();
    AccountRow account;
    QVERIFY(storage.accountByEmail(demo::email(), &account));
    const int existing = user.getRecord(m_domain.data());
    const QStringList types = {"A", "CNAME", "MX", "TXT", "AAAA"};
    for (int i = 0; existing + i < kRecords; ++i) {
        RecordRow r;
        r.host = QStringLiteral("host%1").arg(i);
        r.type = types.at(i % types.size());
        r.value = r.type == QLatin1String("A")      ? QStringLiteral("198.51.100.%1").arg(i % 250)
                  : r.type == QLatin1String("AAAA") ? QStringLiteral("2001:db8::%1").arg(i)
                  : r.type == QLatin1String("TXT") ? QStringLiteral("v=spf1 include:%1 -all").arg(i)
                                                   : QStringLiteral("t%1.example.net").arg(i);
        QCOMPARE(storage.createRecord(account.id, m_domain->id, r), 0);
    }

    m_window = std::make_unique<MainWindow2>();
    m_window->firstShowPending = false;
    m_window->resize(1026, 675);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void BenchRecordPage::cleanupTestCase()
{
    m_window.reset();
    m_domain.reset();
    theUser().domains.clear();
    m_service.reset();
}

void BenchRecordPage::waitUntilDrawn()
{
    QCoreApplication::processEvents();
    // What the running event loop does between two scroll steps: widgets let go are deleted.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_window->findChild<QTableWidget *>(QStringLiteral("tableR"))->viewport()->repaint();
}

void BenchRecordPage::fetchRecords()
{
    QBENCHMARK
    {
        QCOMPARE(theUser().getRecord(m_domain.data()), kRecords);
    }
}

// From cached records to a drawn page, the median of 15 openings. Rows beyond the view are
// built after the first paint and are not part of this.
void BenchRecordPage::openPage()
{
    theUser().getRecord(m_domain.data());
    QTableWidget *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableR"));
    QList<qint64> times;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer clock;
        clock.start();
        m_window->recordPage().showRecordPage(m_domain);
        table->viewport()->repaint();
        times.append(clock.nsecsElapsed() / 1000);
        waitUntilDrawn();
    }
    std::sort(times.begin(), times.end());
    qInfo("open from cache to first paint: median %.1f ms, best %.1f ms", times.at(7) / 1000.0,
          times.first() / 1000.0);
}

// From the click on the domain name to a drawn, usable page: fetch, rows, first paint.
void BenchRecordPage::openPageTimeAndMemory()
{
    m_window->recordPage().showRecordPage(
        QSharedPointer<Domain>::create()); // an empty page to start from
    waitUntilDrawn();
    const qint64 before = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    m_window->recordPage().showDomain(m_domain);
    waitUntilDrawn();
    const qint64 ms = clock.elapsed();
    const qint64 after = procStatusKb("VmRSS:");
    QCOMPARE(m_window->findChild<QTableWidget *>(QStringLiteral("tableR"))->rowCount(), kRecords);
    qInfo("open with fetch: %lld ms, resident memory +%lld KiB", ms, after - before);
}

// The most a user can make the page build: every row scrolled into view once.
void BenchRecordPage::scrollThroughEveryRow()
{
    m_window->recordPage().showRecordPage(m_domain);
    waitUntilDrawn();
    QTableWidget *table = m_window->findChild<QTableWidget *>(QStringLiteral("tableR"));
    QScrollBar *bar = table->verticalScrollBar();
    const qint64 before = procStatusKb("VmRSS:");
    QElapsedTimer clock;
    clock.start();
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + bar->pageStep());
        waitUntilDrawn();
    }
    const qint64 ms = clock.elapsed();
    QVERIFY(table->cellWidget(kRecords - 1, 0));
    qInfo("every row built by scrolling: %lld ms, resident memory +%lld KiB", ms,
          procStatusKb("VmRSS:") - before);
}

QTEST_MAIN(BenchRecordPage)
#include "bench_recordpage.moc"
