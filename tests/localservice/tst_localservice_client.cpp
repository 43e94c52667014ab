#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {

Domain *findDomain(User &user, const QString &name)
{
    return user.domain2ptr(name);
}

QStringList lineNames(const QList<View> &lines)
{
    QStringList names;
    for (const View &v : lines)
        names.append(v.viewName);
    return names;
}

} // namespace

// The client's own operations against the stand-in service over HTTPS, trusting only the CA
// the service made for itself.
class TestLocalServiceClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void signInReadsTheDemoAccount();
    void refusedSignIns_data();
    void refusedSignIns();
    void hostForms_data();
    void hostForms();
    void untrustedWithoutItsCa();
    void linesDifferPerPackage();
    void recordsOfEveryTypeAndLine();
    void recordLifecycle();
    void domainLifecycle();
    void groupLifecycle();
    void messages();
    void noticeImagesAreServed();
    void versionCheck();
    void deviceCheck();
    void tenThousandDomainsReadCompletely();

private:
    QByteArray fetch(const QString &url);

    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
};

void TestLocalServiceClient::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    m_service->configure(*m_user);
}

void TestLocalServiceClient::cleanup()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

QByteArray TestLocalServiceClient::fetch(const QString &url)
{
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setSslConfiguration(m_user->sslConfiguration());
    QNetworkReply *reply = manager.get(request);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(60000))
        return QByteArray();
    const QByteArray body =
        reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    delete reply;
    return body;
}

void TestLocalServiceClient::signInReadsTheDemoAccount()
{
    QVERIFY(m_user->login(LocalServiceFixture::demoEmail(), LocalServiceFixture::demoPassword()));
    QVERIFY(m_user->loggedIn);
    QCOMPARE(m_user->getDomain(), 120);
    QCOMPARE(m_user->domains.size(), 120);
    QCOMPARE(m_user->getGroup(), 4);
    int grouped = 0;
    for (const Group &g : m_user->groups)
        grouped += m_user->getGroupDmNum(g.groupID);
    QCOMPARE(grouped, 100);
    QCOMPARE(findDomain(*m_user, QStringLiteral("pixel-demo.com"))->userLock, 1);
    QCOMPARE(findDomain(*m_user, QStringLiteral("nimbus-demo.com"))->state, 1);
    const Domain *showcase = findDomain(*m_user, QStringLiteral("halvik-demo.com"));
    QCOMPARE(showcase->viewType, QStringLiteral("1,2,3,4,5"));
    QVERIFY(!showcase->views.isEmpty());
    QVERIFY(m_user->getUserDetail());
    QCOMPARE(m_user->userDetail.value(QLatin1String("email")).toString(),
             LocalServiceFixture::demoEmail());
    QCOMPARE(m_boxes->count(), 0);
}

void TestLocalServiceClient::refusedSignIns_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("wrong password")
        << LocalServiceFixture::demoEmail() << "wrong" << 1001 << "用户邮箱或密码有误";
    QTest::newRow("no API key") << LocalServiceFixture::noKeyEmail()
                                << LocalServiceFixture::demoPassword() << 1007
                                << "您的账户未开启API Key, API接口无法使用";
}

void TestLocalServiceClient::refusedSignIns()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QFETCH(int, code);
    QFETCH(QString, text);
    QVERIFY(!m_user->login(email, password));
    QVERIFY(!m_user->loggedIn);
    QCOMPARE(m_user->resultCode, code);
    QCOMPARE(m_user->errorText, text);
}

// The server certificate names both localhost and 127.0.0.1.
void TestLocalServiceClient::hostForms_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("address") << "127.0.0.1";
    QTest::newRow("name") << "localhost";
}

void TestLocalServiceClient::hostForms()
{
    QFETCH(QString, host);
    m_user->baseUrl = QStringLiteral("https://%1:%2").arg(host).arg(m_service->port());
    QVERIFY2(m_user->login(LocalServiceFixture::demoEmail(), LocalServiceFixture::demoPassword()),
             qPrintable(m_user->errorText));
}

void TestLocalServiceClient::untrustedWithoutItsCa()
{
    m_user->setExtraCaCertificates({});
    QVERIFY(!m_user->login(LocalServiceFixture::demoEmail(), LocalServiceFixture::demoPassword()));
    QVERIFY2(m_user->errorText.contains(QLatin1String("SslHandshakeFailedError")),
             qPrintable(m_user->errorText));
}

void TestLocalServiceClient::linesDifferPerPackage()
{
    QVERIFY(m_service->loginDemo(*m_user));
    const QList<View> basic = m_user->getTaoCanView_2(QStringLiteral("1"));
    const QList<View> provinces = m_user->getTaoCanView_2(QStringLiteral("1,2"));
    const QList<View> all = m_user->getTaoCanView_2(QStringLiteral("1,2,3,4,5"));
    QCOMPARE(lineNames(basic), QStringList({QStringLiteral("默认"), QStringLiteral("电信"),
                                            QStringLiteral("联通"), QStringLiteral("移动")}));
    QCOMPARE(provinces.size(), basic.size() + 62);
    QVERIFY(lineNames(provinces).contains(QStringLiteral("广东电信")));
    QVERIFY(lineNames(all).contains(QStringLiteral("SEO-百度")));
    QVERIFY(lineNames(all).contains(QStringLiteral("国外")));
    QVERIFY(!lineNames(all).contains(QStringLiteral("亚洲"))); // object form: no area type
    QVERIFY(all.size() > provinces.size());

    bool objectForm = false;
    for (const View &v : m_user->allViews) {
        if (v.viewName == QStringLiteral("国外")) {
            QCOMPARE(v.subViews.size(), 6);
            QCOMPARE(v.subViews.first().areaType, kAbsent);
            objectForm = true;
        }
    }
    QVERIFY(objectForm);
}

void TestLocalServiceClient::recordsOfEveryTypeAndLine()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QCOMPARE(m_user->getDomain(), 120);
    Domain *showcase = findDomain(*m_user, QStringLiteral("halvik-demo.com"));
    QCOMPARE(m_user->getRecord(showcase), 17);
    QSet<QString> types;
    QSet<QString> lines;
    for (const Record &r : showcase->records) {
        types.insert(r.type);
        lines.insert(r.viewName);
        QCOMPARE(r.domainName, QStringLiteral("halvik-demo.com"));
        QVERIFY(r.ttl > 0);
    }
    QCOMPARE(types,
             QSet<QString>({QStringLiteral("A"), QStringLiteral("CNAME"), QStringLiteral("MX"),
                            QStringLiteral("TXT"), QStringLiteral("NS"), QStringLiteral("AAAA")}));
    for (const QString &line :
         {QStringLiteral("默认"), QStringLiteral("电信"), QStringLiteral("广东电信"),
          QStringLiteral("北京联通"), QStringLiteral("SEO"), QStringLiteral("SEO-百度")})
        QVERIFY2(lines.contains(line), qPrintable(line));
    QVERIFY(!lines.contains(QStringLiteral("未知")));
}

void TestLocalServiceClient::recordLifecycle()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QCOMPARE(m_user->getDomain(), 120);
    Domain *dm = findDomain(*m_user, QStringLiteral("harbor-demo.com"));
    QCOMPARE(m_user->getRecord(dm), 4);

    Record added;
    QVERIFY2(m_user->addRecord(dm, QStringLiteral("192.0.2.50"), QStringLiteral("A"),
                               QStringLiteral("0"), QStringLiteral("api"), QStringLiteral("600"),
                               QStringLiteral("10"), &added),
             qPrintable(m_user->errorText));
    QVERIFY(added.id > 0);
    QCOMPARE(added.viewName, QStringLiteral("默认"));
    QVERIFY(m_user->editRecord(dm, added.id, QString(), QString(), QStringLiteral("192.0.2.51")));
    QVERIFY(m_user->pauseRecord(dm, added.id));
    QCOMPARE(m_user->getRecord(dm), 5);
    const Record &stored = dm->records.last();
    QCOMPARE(stored.host, QStringLiteral("api"));
    QCOMPARE(stored.value, QStringLiteral("192.0.2.51"));
    QCOMPARE(stored.state, 2);
    QVERIFY(m_user->startRecord(dm, added.id));

    QVERIFY(!m_user->addRecord(dm, QStringLiteral("192.0.2.51"), QStringLiteral("A"),
                               QStringLiteral("0"), QStringLiteral("api")));
    QCOMPARE(m_user->resultCode, 3008);

    QStringList failed;
    QStringList messages;
    QVERIFY(!m_user->delRecordS(dm, QStringLiteral("%1,999999").arg(added.id), failed, messages));
    QCOMPARE(failed, QStringList({QStringLiteral("999999")}));
    QCOMPARE(m_user->getRecord(dm), 4);
}

void TestLocalServiceClient::domainLifecycle()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QVERIFY(m_user->addDomain(QStringLiteral("first-new.com\n\n  second-new.net  ")));
    QCOMPARE(m_user->getDomain(), 122);
    Domain *dm = findDomain(*m_user, QStringLiteral("second-new.net"));
    QVERIFY(dm);
    QCOMPARE(dm->viewType, QStringLiteral("1"));

    QVERIFY(m_user->lockDomain(dm->id));
    QVERIFY(!m_user->pauseDomain(dm->id));
    QCOMPARE(m_user->errorText, QStringLiteral("该域名处于锁定状态"));
    QVERIFY(m_user->unlockDomain(dm->id));
    QVERIFY(m_user->pauseDomain(dm->id));
    QVERIFY(m_user->startDomain(dm->id));

    QStringList failed;
    const int locked = findDomain(*m_user, QStringLiteral("pixel-demo.com"))->id;
    QVERIFY(m_user->delDomainS(QStringLiteral("%1,%2").arg(dm->id).arg(locked), failed));
    QCOMPARE(failed, QStringList({QString::number(locked)}));
    QCOMPARE(m_user->getDomain(), 121);
}

void TestLocalServiceClient::groupLifecycle()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QVERIFY(m_user->addGroup(QStringLiteral("新分组"), 7));
    QCOMPARE(m_user->getGroup(), 5);
    Group *created = &m_user->groups.last();
    QCOMPARE(created->groupName, QStringLiteral("新分组"));
    QVERIFY(m_user->editGroup(created, QStringLiteral("改名了"), 0));
    QCOMPARE(m_user->getGroup(), 5);
    QCOMPARE(m_user->groups.first().groupName, QStringLiteral("改名了")); // order 0 sorts first

    QCOMPARE(m_user->getDomain(), 120);
    Group *target = &m_user->groups.first();
    Domain *dm = findDomain(*m_user, QStringLiteral("harbor-demo.com"));
    QVERIFY(m_user->editDMGroup(dm, target->groupID));
    QVERIFY(m_user->delGroup(target));
    QCOMPARE(m_user->getGroup(), 4);
    QCOMPARE(m_user->getDomain(), 120);
    QCOMPARE(findDomain(*m_user, QStringLiteral("harbor-demo.com"))->groupID, 0);
}

void TestLocalServiceClient::messages()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QCOMPARE(m_user->getMsg(DMsgPublic0), 14);
    QCOMPARE(m_user->getMsg(DMsgPublic1), 12);
    QCOMPARE(m_user->getMsg_inform(), 14);
    for (int i = 0; i < m_user->msgsInform.size(); ++i)
        QCOMPARE(int(m_user->msgsInform.at(i).state), i < 6 ? 0 : 1);

    QVERIFY(m_user->updateMsg(m_user->msgsInform.first().id, DMsgRead));
    QVERIFY(m_user->updateMsg(m_user->msgsInform.last().id, DMsgDeleted));
    QCOMPARE(m_user->getMsg_inform(), 13);
    QCOMPARE(int(m_user->msgsInform.at(4).state), 0);
    QCOMPARE(int(m_user->msgsInform.at(5).state), 1);
    QCOMPARE(m_boxes->count(), 0);
}

// A notice's relative image sources point at this service once rewritten, and load from it.
void TestLocalServiceClient::noticeImagesAreServed()
{
    QVERIFY(m_service->loginDemo(*m_user));
    QCOMPARE(m_user->getMsg(DMsgPublic0), 14);
    int images = 0;
    for (DMsg &m : m_user->msgsPublic0) {
        const QString body = m_user->getDetail(&m);
        QVERIFY(!body.isEmpty());
        QVERIFY(body.contains(QLatin1String("<br />")));
        static const QRegularExpression src(QStringLiteral("src=\"([^\"]+)\""));
        for (auto it = src.globalMatch(body); it.hasNext();) {
            const QString url = it.next().captured(1);
            QVERIFY2(url.startsWith(m_service->baseUrl() + QLatin1Char('/')), qPrintable(url));
            const QByteArray bytes = fetch(url);
            QVERIFY2(bytes.startsWith("\x89PNG"), qPrintable(url));
            // The two banners: a gradient in red and green over blue, or in green and blue.
            const QImage picture = QImage::fromData(bytes, "PNG");
            QCOMPARE(picture.size(), QSize(600, 160));
            const bool first = url.endsWith(QLatin1String("banner1.png"));
            QCOMPARE(picture.pixel(0, 0), first ? qRgb(40, 90, 0xe0) : qRgb(0x30, 40, 90));
            QCOMPARE(picture.pixel(599, 159), first ? qRgb(199, 209, 0xe0) : qRgb(0x30, 199, 209));
            ++images;
        }
    }
    QVERIFY(images > 0);
}

void TestLocalServiceClient::versionCheck()
{
    QVERIFY(m_service->loginDemo(*m_user));
    double code = 0;
    QString name;
    QString info;
    QString url;
    QVERIFY(m_user->getChkVer(code, name, info, url));
    QCOMPARE(code, 1.32);
    QCOMPARE(name, QStringLiteral("1.32"));
    QVERIFY(!info.isEmpty());
    QCOMPARE(url, m_service->baseUrl() + QStringLiteral("/download/"));
    QVERIFY(fetch(url).contains("1.32"));
}

void TestLocalServiceClient::deviceCheck()
{
    QVERIFY(m_service->loginDemo(*m_user));
    const QString device = QStringLiteral("0123456789abcdef0123456789abcdef");
    QString host;
    QCOMPARE(m_user->chkCid(device, &host), 3);
    QVERIFY(m_user->addCid(device, QStringLiteral("desk-01")));
    QCOMPARE(m_user->chkCid(device, &host), 1);
    QCOMPARE(host, QStringLiteral("desk-01"));

    Storage &storage = m_service->service().storage();
    const QList<DeviceRow> devices = storage.devices();
    QCOMPARE(devices.size(), 1);
    QVERIFY(storage.setDeviceAuthorised(devices.first().id, false));
    host.clear();
    QCOMPARE(m_user->chkCid(device, &host), 2);
    QCOMPARE(host, QStringLiteral("desk-01"));
}

// A load-test account: the client pages through all of it (200 requests of 50).
void TestLocalServiceClient::tenThousandDomainsReadCompletely()
{
    LocalServiceFixture::Options options;
    options.seedDemo = false;
    options.seedDomains = 10000;
    LocalServiceFixture bulk(options);
    QVERIFY2(bulk.start(), qPrintable(bulk.errorText()));
    User user;
    bulk.configure(user);
    QVERIFY(user.login(LocalServiceFixture::loadEmail(10000), LocalServiceFixture::demoPassword()));
    QCOMPARE(user.getDomain(), 10000);
    QCOMPARE(user.domains.size(), 10000);
    QSet<int> ids;
    for (const Domain &dm : user.domains)
        ids.insert(dm.id);
    QCOMPARE(ids.size(), 10000);
    QCOMPARE(user.domains.first().name, QStringLiteral("bulk10000-000001.com"));
    QCOMPARE(user.domains.last().name, QStringLiteral("bulk10000-010000.com"));
    QCOMPARE(user.getGroup(), 8);
    QCOMPARE(user.getGroupDmNum(1), 1111);
}

QTEST_GUILESS_MAIN(TestLocalServiceClient)
#include "tst_localservice_client.moc"
