#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "bench/StandInBench.h"
#include "client/ApiRequest.h"
#include "client/User.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/shell/MainWindow2.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

#include <time.h>

namespace {

constexpr int kDomains = 1000;

template <typename T>
T *child(QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// CPU time of the calling (GUI) thread in milliseconds: what the client itself spends, whatever
// else the machine is doing.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

void report(const char *what, int requests, qint64 ms)
{
    qInfo("%-34s %5d requests in %6lld ms: %7.1f per second, %6.2f ms each", what, requests, ms,
          requests * 1000.0 / ms, double(ms) / requests);
}

} // namespace

// A batch record job over 1,000 domains against the stand-in over HTTPS on loopback, beside the
// same requests sent straight through the client and by curl, one TLS connection each.
class BenchBatchJobs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void addRecordJob();
    void jobOverheadWithoutRequests();
    void sameRequestsThroughTheClient();
    void sameRequestsByCurl();

private:
    std::unique_ptr<BenchStandIn> m_service;
    std::unique_ptr<MainWindow2> m_window;
    qint64 m_jobMs = 0;
    qint64 m_clientMs = 0;
};

void BenchBatchJobs::initTestCase()
{
    initResources();
    m_service = std::make_unique<BenchStandIn>(theUser(), kDomains);
    QVERIFY2(m_service->ready(), qPrintable(m_service->errorText()));
    m_window = std::make_unique<MainWindow2>();
    m_window->firstShowPending = false;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    child<QPushButton>(*m_window, "commandLinkButton_2")->click();
}

void BenchBatchJobs::cleanupTestCase()
{
    m_window.reset();
    m_service.reset();
}

void BenchBatchJobs::addRecordJob()
{
    QStringList names;
    for (const Domain &dm : theUser().domains)
        names.append(dm.name);
    child<QPlainTextEdit>(*m_window, "plainTextEdit_2")->setPlainText(names.join('\n'));
    BatchRowTable &rows = m_window->batchJobsPage().rows(BatchKind::Add);
    QLineEdit *host = rows.rows().first();
    host->setText(QStringLiteral("bench"));
    BatchRowTable::part<QLineEdit>(host, "valuew")->setText(QStringLiteral("198.51.100.77"));

    QElapsedTimer clock;
    clock.start();
    const double cpu = threadCpuMs();
    child<QPushButton>(*m_window, "pushButton_dobatadd")->click();
    m_jobMs = clock.elapsed();
    qInfo("GUI thread CPU: %.2f ms per domain", (threadCpuMs() - cpu) / kDomains);
    qInfo("JOBCPU %.3f", (threadCpuMs() - cpu) / kDomains);

    const QString successes = child<QTextEdit>(*m_window, "textEdit_7")->toPlainText();
    QCOMPARE(successes.count('\n') + 1, kDomains);
    QVERIFY(child<QTextEdit>(*m_window, "textEdit_6")->toPlainText().isEmpty());
    report("batch add job (window)", kDomains, m_jobMs);
}

void BenchBatchJobs::jobOverheadWithoutRequests()
{
    // Names the account does not hold: every item is looked up, counted and written, and
    // nothing is sent, which leaves the job's own cost per item.
    QStringList names;
    for (int i = 0; i < kDomains; ++i)
        names.append(QStringLiteral("absent-%1.example").arg(i));
    child<QPushButton>(*m_window, "pushButton_43")->click();
    child<QPlainTextEdit>(*m_window, "plainTextEdit_2")->setPlainText(names.join('\n'));
    QLineEdit *host = m_window->batchJobsPage().rows(BatchKind::Add).rows().first();
    host->setText(QStringLiteral("bench"));
    BatchRowTable::part<QLineEdit>(host, "valuew")->setText(QStringLiteral("198.51.100.77"));

    QElapsedTimer clock;
    clock.start();
    child<QPushButton>(*m_window, "pushButton_dobatadd")->click();
    const qint64 ms = clock.elapsed();
    QCOMPARE(child<QTextEdit>(*m_window, "textEdit_6")->toPlainText().count('\n') + 1, kDomains);
    qInfo("job without requests: %d items in %lld ms, %.3f ms each", kDomains, ms,
          double(ms) / kDomains);
}

void BenchBatchJobs::sameRequestsThroughTheClient()
{
    User &user = theUser();
    QList<int> ids;
    for (const Domain &dm : user.domains)
        ids.append(dm.id);
    QElapsedTimer clock;
    clock.start();
    const double cpu = threadCpuMs();
    for (int id : qAsConst(ids)) {
        QVERIFY(user.addRecord(id, QStringLiteral("198.51.100.77"), QStringLiteral("A"),
                               QStringLiteral("0"), QStringLiteral("client"), QStringLiteral("600"),
                               QStringLiteral("-")));
    }
    m_clientMs = clock.elapsed();
    qInfo("GUI thread CPU: %.2f ms per request", (threadCpuMs() - cpu) / kDomains);
    report("User::addRecord loop", kDomains, m_clientMs);
    qInfo("job overhead over the bare calls: %.2f ms per domain (%.1f%%)",
          double(m_jobMs - m_clientMs) / kDomains, 100.0 * (m_jobMs - m_clientMs) / m_clientMs);
}

void BenchBatchJobs::sameRequestsByCurl()
{
    // The same signed form posts, each on a connection of its own without session resumption:
    // the floor for one TLS handshake per request.
    const User &user = theUser();
    const auto postsOf = [&](const QString &value) {
        QList<CurlPost> posts;
        for (const Domain &dm : user.domains) {
            ApiParams params;
            params.insert("domainID", QString::number(dm.id));
            params.insert("type", QStringLiteral("A"));
            params.insert("viewID", QStringLiteral("0"));
            params.insert("host", QStringLiteral("curl"));
            params.insert("value", value);
            params.insert("ttl", QStringLiteral("600"));
            params.insert("mx", QStringLiteral("-"));
            posts.append(m_service->signedPost(user.paths.recordCreate, params));
        }
        return posts;
    };
    const QList<CurlPost> posts = postsOf(QStringLiteral("198.51.100.77"));
    const CurlRun curl = runCurlPosts(posts, m_service->caFile());
    QCOMPARE(curl.succeeded, kDomains);
    report("curl, one connection each", kDomains, curl.ms);
    qInfo("batch job / curl time: %.2f", double(m_jobMs) / curl.ms);
    reportPair("addRecord-x1000", m_clientMs, curl.ms);
    reportPair("batch-add-job-x1000", m_jobMs, curl.ms);
    // And on one kept-alive connection, as the client sends them (other values: new records).
    const CurlRun kept =
        runCurlPosts(postsOf(QStringLiteral("198.51.100.78")), m_service->caFile(), true);
    QCOMPARE(kept.succeeded, kDomains);
    report("curl, one kept-alive connection", kDomains, kept.ms);
    reportPair("addRecord-x1000-kept", m_clientMs, kept.ms);
    reportPair("batch-add-job-x1000-kept", m_jobMs, kept.ms);
}

QTEST_MAIN(BenchBatchJobs)
#include "bench_batchjobs.moc"
