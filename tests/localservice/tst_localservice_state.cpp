#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

// What the service keeps: state across a restart, and every write of concurrent clients.
class TestLocalServiceState : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void stateSurvivesRestart();
    void concurrentWritersLoseNothing();
    void raceForOneNameHasOneWinner();

private:
    // Sends a signed request with the demo credentials without waiting for it.
    QNetworkReply *post(QNetworkAccessManager &manager, const QString &path, ApiParams params);
    // Waits for every reply; the "code" of each, in order.
    QList<int> codes(const QList<QNetworkReply *> &replies);

    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
};

void TestLocalServiceState::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
}

void TestLocalServiceState::cleanup()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

QNetworkReply *TestLocalServiceState::post(QNetworkAccessManager &manager, const QString &path,
                                           ApiParams params)
{
    prepareParams(params, true, QDateTime::currentSecsSinceEpoch(), m_user->apiKey,
                  m_user->apiSecret);
    QNetworkRequest request(QUrl(m_service->baseUrl() + path));
    request.setSslConfiguration(m_user->sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    return manager.post(request, encodeFormBody(params));
}

QList<int> TestLocalServiceState::codes(const QList<QNetworkReply *> &replies)
{
    QList<int> out;
    for (QNetworkReply *reply : replies) {
        if (!reply->isFinished()) {
            QSignalSpy finished(reply, &QNetworkReply::finished);
            finished.wait(20000);
        }
        const QJsonObject envelope = QJsonDocument::fromJson(reply->readAll()).object();
        out.append(envelope.value(QLatin1String("code")).toInt(-1));
        reply->deleteLater();
    }
    return out;
}

void TestLocalServiceState::stateSurvivesRestart()
{
    QFile ca(m_service->caFile());
    QVERIFY(ca.open(QIODevice::ReadOnly));
    const QByteArray caBefore = ca.readAll();
    ca.close();

    QVERIFY(m_user->addDomain(QStringLiteral("kept.example")));
    QCOMPARE(m_user->getDomain(), 121);
    Domain *dm = m_user->domain2ptr(QStringLiteral("kept.example"));
    QVERIFY(m_user->addRecord(dm, QStringLiteral("192.0.2.5"), QStringLiteral("A"),
                              QStringLiteral("0"), QStringLiteral("www")));
    QVERIFY(m_user->lockDomain(dm->id));
    QVERIFY(m_user->addGroup(QStringLiteral("保留"), 3));
    QCOMPARE(m_user->getMsg_inform(), 14);
    const int readId = m_user->msgsInform.first().id;
    QVERIFY(m_user->updateMsg(readId, DMsgRead));
    QVERIFY(m_user->addCid(QStringLiteral("0123456789abcdef0123456789abcdef"),
                           QStringLiteral("kept-pc")));

    QVERIFY2(m_service->restart(), qPrintable(m_service->errorText()));
    QVERIFY(ca.open(QIODevice::ReadOnly));
    QCOMPARE(ca.readAll(), caBefore);
    // Same credentials, new port: the key still signs, nothing was seeded twice.
    m_user->baseUrl = m_service->baseUrl();
    m_user->setExtraCaCertificates(m_service->caCertificates());
    QCOMPARE(m_user->getDomain(), 121);
    dm = m_user->domain2ptr(QStringLiteral("kept.example"));
    QVERIFY(dm);
    QCOMPARE(dm->userLock, 1);
    QCOMPARE(m_user->getRecord(dm), 1);
    QCOMPARE(dm->records.first().host, QStringLiteral("www"));
    QCOMPARE(m_user->getGroup(), 5);
    QCOMPARE(m_user->getMsg_inform(), 14);
    for (const DMsg &m : m_user->msgsInform) {
        if (m.id == readId)
            QCOMPARE(int(m.state), int(DMsgRead));
    }
    QString host;
    QCOMPARE(m_user->chkCid(QStringLiteral("0123456789abcdef0123456789abcdef"), &host), 1);
    QCOMPARE(host, QStringLiteral("kept-pc"));
}

void TestLocalServiceState::concurrentWritersLoseNothing()
{
    QCOMPARE(m_user->getDomain(), 120);
    const QString showcase =
        QString::number(m_user->domain2dmid(QStringLiteral("halvik-demo.com")));
    QNetworkAccessManager first;
    QNetworkAccessManager second;
    QList<QNetworkReply *> replies;
    for (int i = 0; i < 30; ++i) {
        for (QNetworkAccessManager *writer : {&first, &second}) {
            const QString tag = writer == &first ? QStringLiteral("a") : QStringLiteral("b");
            ApiParams domain;
            domain.insert("domain", QStringLiteral("%1-%2.example").arg(tag).arg(i));
            replies.append(post(*writer, QStringLiteral("/api/domain/create/"), domain));
            ApiParams record;
            record.insert("domainID", showcase);
            record.insert("type", QStringLiteral("TXT"));
            record.insert("host", QStringLiteral("%1%2").arg(tag).arg(i));
            record.insert("value", QStringLiteral("written by %1").arg(tag));
            record.insert("viewID", QStringLiteral("0"));
            record.insert("ttl", QStringLiteral("600"));
            replies.append(post(*writer, QStringLiteral("/api/record/create/"), record));
        }
    }
    const QList<int> results = codes(replies);
    QCOMPARE(results.count(0), replies.size());
    QCOMPARE(m_user->getDomain(), 180);
    QCOMPARE(m_user->getRecord(m_user->domain2ptr(QStringLiteral("halvik-demo.com"))), 17 + 60);
}

void TestLocalServiceState::raceForOneNameHasOneWinner()
{
    QNetworkAccessManager first;
    QNetworkAccessManager second;
    QList<QNetworkReply *> replies;
    ApiParams domain;
    domain.insert("domain", QStringLiteral("contested.example"));
    for (int i = 0; i < 6; ++i) {
        replies.append(post(first, QStringLiteral("/api/domain/create/"), domain));
        replies.append(post(second, QStringLiteral("/api/domain/create/"), domain));
    }
    const QList<int> results = codes(replies);
    QCOMPARE(results.count(0), 1);
    QCOMPARE(results.count(2001), results.size() - 1);
}

QTEST_GUILESS_MAIN(TestLocalServiceState)
#include "tst_localservice_state.moc"
