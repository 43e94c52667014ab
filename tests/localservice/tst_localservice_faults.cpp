#include "client/User.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

namespace {

const QString kL366 = QStringLiteral("服务器返回错误,请检查网络. 错误码:L366");
const QString kTimeout = QStringLiteral("网络连接超时,请检查网络.");
const QString kNetwork = QStringLiteral("网络连接错误,请检查网络. 错误码b395,");
const QString kList = QStringLiteral("/api/domain/list/");

} // namespace

Q_DECLARE_METATYPE(FaultKind)

// Replies that go wrong on purpose, and what the client's request layer makes of each.
class TestLocalServiceFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void faults_data();
    void faults();
    void skipAndTimesPickOneRequest();
    void clearingReleasesAHungRequest();
    void stoppingEndsAHungRequest();
    void adminPathSetsAndClears();
    void adminPathOnlyWhenAskedFor();

private:
    int postAdmin(const QString &path, const QByteArray &body);

    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
};

void TestLocalServiceFaults::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
}

void TestLocalServiceFaults::cleanup()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

int TestLocalServiceFaults::postAdmin(const QString &path, const QByteArray &body)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(m_service->baseUrl() + path));
    request.setSslConfiguration(m_user->sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = manager.post(request, body);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(60000);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    delete reply;
    return status;
}

void TestLocalServiceFaults::faults_data()
{
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("durationMs"); // drip: how long blanks come, one per 100 ms
    QTest::addColumn<int>("idleMs");     // the client's limits
    QTest::addColumn<int>("totalMs");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("error"); // errorText starts with this
    QTest::addColumn<QString>("box");   // what the box says; empty: no box

    // Each limit is many times the gap it must outlast (or fall within): a loaded machine
    // stretches every gap.
    QTest::newRow("short delay") << FaultKind::DelayOnly << 100 << 0 << 10000 << 60000 << true
                                 << QString() << QString();
    QTest::newRow("delay beyond the idle limit")
        << FaultKind::DelayOnly << 3000 << 0 << 300 << 10000 << false << kTimeout << kTimeout;
    QTest::newRow("drip keeps the reply alive")
        << FaultKind::Drip << 0 << 4000 << 1500 << 60000 << true << QString() << QString();
    QTest::newRow("drip cut at the total limit")
        << FaultKind::Drip << 0 << 8000 << 3000 << 1500 << false << kTimeout << kTimeout;
    QTest::newRow("error page 403") << FaultKind::ErrorPage403 << 0 << 0 << 3000 << 10000 << false
                                    << kL366 << QStringLiteral("未找到页面，请检查网络。");
    QTest::newRow("malformed JSON")
        << FaultKind::MalformedJson << 0 << 0 << 3000 << 10000 << false << kL366 << kL366;
    QTest::newRow("no code") << FaultKind::MissingCode << 0 << 0 << 3000 << 10000 << false << kL366
                             << kL366;
    QTest::newRow("empty body") << FaultKind::EmptyBody << 0 << 0 << 3000 << 10000 << false << kL366
                                << kL366;
    QTest::newRow("deep nesting") << FaultKind::DeepNesting << 0 << 0 << 3000 << 10000 << false
                                  << kL366 << kL366;
    QTest::newRow("HTTP 500") << FaultKind::Http500 << 0 << 0 << 3000 << 10000 << false
                              << kNetwork + QStringLiteral("401:InternalServerError")
                              << kNetwork + QStringLiteral("401:InternalServerError");
    QTest::newRow("dropped") << FaultKind::Drop << 0 << 0 << 3000 << 10000 << false << kNetwork
                             << kNetwork;
    QTest::newRow("cut halfway") << FaultKind::CutReply << 0 << 0 << 3000 << 10000 << false
                                 << kNetwork << kNetwork;
    QTest::newRow("never answers")
        << FaultKind::Hang << 0 << 0 << 300 << 1000 << false << kTimeout << kTimeout;
    QTest::newRow("huge body") << FaultKind::HugeBody << 0 << 0 << 10000 << 60000 << true
                               << QString() << QString();
}

void TestLocalServiceFaults::faults()
{
    QFETCH(FaultKind, kind);
    QFETCH(int, delayMs);
    QFETCH(int, durationMs);
    QFETCH(int, idleMs);
    QFETCH(int, totalMs);
    QFETCH(bool, ok);
    QFETCH(QString, error);
    QFETCH(QString, box);

    Fault fault;
    fault.kind = kind;
    fault.delayMs = delayMs;
    fault.durationMs = durationMs;
    fault.intervalMs = 100;
    fault.size = 8 * 1024 * 1024;
    m_service->setFault(kList, fault);
    m_user->idleLimitMs = idleMs;
    m_user->totalLimitMs = totalMs;

    QJsonValue data;
    QCOMPARE(m_user->doAPI(kList, ApiParams(), data), ok);
    QVERIFY2(m_user->errorText.startsWith(error), qPrintable(m_user->errorText));
    if (box.isEmpty()) {
        QCOMPARE(m_boxes->count(), 0);
    } else {
        QCOMPARE(m_boxes->count(), 1);
        QVERIFY2(m_boxes->shown.first().content.startsWith(box),
                 qPrintable(m_boxes->shown.first().content));
    }
    if (kind == FaultKind::HugeBody)
        QCOMPARE(data.toString().size(), int(fault.size) - 33);
    // Other paths are untouched.
    QVERIFY(m_user->getUserDetail());
}

// A failure on the second page only: the client keeps the first page and the total.
void TestLocalServiceFaults::skipAndTimesPickOneRequest()
{
    Fault fault;
    fault.kind = FaultKind::MalformedJson;
    fault.skip = 1;
    fault.times = 1;
    m_service->setFault(kList, fault);
    QCOMPARE(m_user->getDomain(), 120);
    QCOMPARE(m_user->domains.size(), 50);
    QCOMPARE(m_user->getDomain(), 120);
    QCOMPARE(m_user->domains.size(), 120);
}

void TestLocalServiceFaults::clearingReleasesAHungRequest()
{
    Fault fault;
    fault.kind = FaultKind::Hang;
    m_service->setFault(kList, fault);
    // The hung request goes out on the kept-alive connection this call leaves.
    QVERIFY(m_user->getUserDetail());
    // Released once the request hangs, not at a guessed time.
    m_service->whenStruck(kList, 1, this, [this] { m_service->clearFaults(); });
    // The hung connection closes without a reply. A read (never a change) is asked again on a
    // fresh connection, and answered there.
    QJsonValue data;
    QVERIFY2(m_user->doAPI(kList, ApiParams(), data, true, nullptr, nullptr, true),
             qPrintable(m_user->errorText));
    QVERIFY2(m_user->doAPI(kList, ApiParams(), data), qPrintable(m_user->errorText));
}

void TestLocalServiceFaults::stoppingEndsAHungRequest()
{
    Fault fault;
    fault.kind = FaultKind::Hang;
    m_service->setFault(QStringLiteral("*"), fault);
    m_service->whenStruck(QStringLiteral("*"), 1, this, [this] { m_service->stop(); });
    QJsonValue data;
    QVERIFY(!m_user->doAPI(kList, ApiParams(), data));
    QVERIFY2(m_user->errorText.startsWith(kNetwork), qPrintable(m_user->errorText));
}

void TestLocalServiceFaults::adminPathSetsAndClears()
{
    QCOMPARE(postAdmin(QStringLiteral("/__test/fault"),
                       "path=%2Fapi%2Fuser%2Fdetail%2F&kind=html403&times=-1"),
             200);
    QVERIFY(!m_user->getUserDetail());
    QCOMPARE(m_user->errorText, kL366);
    QCOMPARE(postAdmin(QStringLiteral("/__test/fault"), "path=%2Fx&kind=nonsense"), 400);
    QCOMPARE(postAdmin(QStringLiteral("/__test/faults/clear"), QByteArray()), 200);
    QVERIFY(m_user->getUserDetail());
}

void TestLocalServiceFaults::adminPathOnlyWhenAskedFor()
{
    LocalServiceFixture::Options options;
    options.faultAdmin = false;
    m_service = std::make_unique<LocalServiceFixture>(options);
    QVERIFY(m_service->start());
    m_service->configure(*m_user);
    QCOMPARE(postAdmin(QStringLiteral("/__test/fault"), "path=%2Fapi%2Fuser%2Fdetail%2F&kind=drop"),
             404);
}

QTEST_GUILESS_MAIN(TestLocalServiceFaults)
#include "tst_localservice_faults.moc"
