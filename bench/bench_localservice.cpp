#include "client/MsgPresenter.h"
#include "client/User.h"
#include "localservice/server/LocalService.h"
#include "localservice/storage/SeedData.h"

#include <QTemporaryDir>
#include <QtTest>

// How the stand-in copes with a large account: one page deep into 10,000 domains, and the
// client reading all of them.
class BenchLocalService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lastPageOfTenThousand();
    void readTenThousandDomains();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LocalService> m_service;
    User m_user;
};

void BenchLocalService::initTestCase()
{
    ServiceOptions options;
    options.dataDir = m_dir.path();
    options.port = 0;
    options.seedDemo = false;
    options.nameServers = false; // the figures are the API's alone
    options.seedDomains = 10000;
    options.log = [](const QString &) {};
    m_service = std::make_unique<LocalService>(options);
    QString error;
    QVERIFY2(m_service->start(&error), qPrintable(error));
    m_user.baseUrl = m_service->baseUrl();
    m_user.setExtraCaCertificates(QSslCertificate::fromPath(m_service->caFile()));
    QVERIFY(m_user.login(loadAccountEmail(10000), demo::password()));
}

void BenchLocalService::cleanupTestCase()
{
    m_service.reset();
}

void BenchLocalService::lastPageOfTenThousand()
{
    ApiParams params;
    params.insert("page", QStringLiteral("200"));
    params.insert("pageSize", QStringLiteral("50"));
    QJsonValue data;
    QBENCHMARK
    {
        QVERIFY(m_user.doAPI(m_user.paths.domainList, params, data));
    }
}

void BenchLocalService::readTenThousandDomains()
{
    QBENCHMARK
    {
        QCOMPARE(m_user.getDomain(), 10000);
    }
}

QTEST_GUILESS_MAIN(BenchLocalService)
#include "bench_localservice.moc"
