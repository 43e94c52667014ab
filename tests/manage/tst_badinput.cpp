#include "client/Scramble.h"
#include "manage/domains/DomainTableRow.h"
#include "tests/support/ApiTestUtil.h"
#include "tests/support/WindowHarness.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace apitest;

namespace {

const QString kL366 = QStringLiteral("服务器返回错误,请检查网络. 错误码:L366");
const QString kTimeout = QStringLiteral("网络连接超时,请检查网络.");
const QString kNetwork = QStringLiteral("网络连接错误,请检查网络. 错误码b395,");
const QString kDomainList = QStringLiteral("/api/domain/list/");

Fault customReply(const QByteArray &body, int status = 200, const QByteArray &location = {})
{
    Fault f;
    f.kind = FaultKind::Custom;
    f.contentType = "application/json";
    f.body = body;
    f.status = status;
    f.location = location;
    return f;
}

Fault ofKind(FaultKind kind)
{
    Fault f;
    f.kind = kind;
    return f;
}

// A success envelope around a JSON text.
QByteArray success(const QByteArray &data)
{
    return "{\"code\":0,\"message\":\"\",\"data\":" + data + '}';
}

// The addresses of a list's entries: the same after a call means nothing was rebuilt.
template <typename T>
QList<const T *> addressesOf(const StableList<T> &list)
{
    QList<const T *> addresses;
    for (const T &entry : list)
        addresses.append(&entry);
    return addresses;
}

enum class Reader
{
    Domains,
    Records,
    Groups,
    News,
    Inform,
    Lines,
    AppInfo
};

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Reader)

// Bad input end to end: replies that go wrong between the stand-in service and the program,
// and what the client's cache, the window and the user's secrets make of each.
class TestBadInput : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void windowSurvivesBrokenReplies_data();
    void windowSurvivesBrokenReplies();
    void untrustedServiceKeepsList_data();
    void untrustedServiceKeepsList();
    void wrongDataShapeKeepsCache_data();
    void wrongDataShapeKeepsCache();
    void numbersBeyond32Bits();

    void refusalEchoingSecretsIsMasked();
    void supportCodeCarriesNoSecret();

private:
    bool openWindow();
    void expectListKept(const QList<const Domain *> &before);
    void expectNoSecretShown();

    WindowHarness h;
    QString m_password;
    QString m_secret;
};

void TestBadInput::init()
{
    h.init();
}

void TestBadInput::cleanup()
{
    h.cleanup();
}

bool TestBadInput::openWindow()
{
    if (!h.openDomainPage())
        return false;
    m_password = LocalServiceFixture::demoPassword();
    m_secret = theUser().apiSecret;
    // Room for a 50 MB reply under the sanitizers; the silent server has its own limits.
    theUser().idleLimitMs = 10000;
    theUser().totalLimitMs = 60000;
    return !m_secret.isEmpty();
}

void TestBadInput::expectListKept(const QList<const Domain *> &before)
{
    QCOMPARE(addressesOf(theUser().domains), before);
    QCOMPARE(h.rowIds().size(), qMin(31, before.size()));
}

void TestBadInput::expectNoSecretShown()
{
    QStringList shown{theUser().errorText};
    for (const RecordedMsgBox &box : qAsConst(h.boxes->shown))
        shown << box.content << box.title << box.inputText;
    for (QString text : qAsConst(shown)) {
        // The demo password is also part of a domain's name, which boxes rightly show.
        for (const Domain &dm : theUser().domains)
            text.remove(dm.name);
        QVERIFY2(!text.contains(m_password), qPrintable(text));
        QVERIFY2(!text.contains(m_secret), qPrintable(text));
    }
}

void TestBadInput::windowSurvivesBrokenReplies_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("idleMs"); // 0: the window's own limits
    QTest::addColumn<QString>("box");

    QTest::newRow("empty body") << ofKind(FaultKind::EmptyBody) << 0 << kL366;
    QTest::newRow("50 MB body") << ofKind(FaultKind::HugeBody) << 0 << kL366;
    QTest::newRow("JSON nested 100,000 deep") << ofKind(FaultKind::DeepNesting) << 0 << kL366;
    QTest::newRow("broken JSON") << ofKind(FaultKind::MalformedJson) << 0 << kL366;
    QTest::newRow("error page") << ofKind(FaultKind::ErrorPage403) << 0
                                << QStringLiteral("未找到页面，请检查网络。");
    QTest::newRow("cut in the middle") << ofKind(FaultKind::CutReply) << 0 << kNetwork;
    QTest::newRow("HTTP 500") << ofKind(FaultKind::Http500) << 0 << kNetwork;
    QTest::newRow("never answers") << ofKind(FaultKind::Hang) << 300 << kTimeout;
    QTest::newRow("data of the wrong type") << customReply(success("\"oops\"")) << 0 << kL366;
    QTest::newRow("301 to another host")
        << customReply(QByteArray(), 301, "https://localhost:1/api/domain/list/") << 0 << kL366;
}

// The domain list refreshed while its reply goes wrong: the user is told, the rows and the
// cached domains stay as they were, and the next refresh works.
void TestBadInput::windowSurvivesBrokenReplies()
{
    QFETCH(Fault, fault);
    QFETCH(int, idleMs);
    QFETCH(QString, box);
    QVERIFY(openWindow());
    if (idleMs > 0) {
        theUser().idleLimitMs = idleMs;
        theUser().totalLimitMs = 3 * idleMs;
    }
    const QList<const Domain *> before = addressesOf(theUser().domains);
    h.boxes->shown.clear();

    h.service->setFault(kDomainList, fault);
    h.button("pushButton_refDomain")->click();

    QVERIFY(h.boxes->count() >= 1);
    QVERIFY2(h.boxes->shown.first().content.startsWith(box),
             qPrintable(h.boxes->shown.first().content));
    expectListKept(before);
    expectNoSecretShown();

    // Usable again once the replies are sound.
    h.service->clearFaults();
    h.boxes->shown.clear();
    QTRY_VERIFY_WITH_TIMEOUT(h.button("pushButton_refDomain")->isEnabled(), kEventWithinMs);
    h.button("pushButton_refDomain")->click();
    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(theUser().domains.size(), before.size());
    QVERIFY(addressesOf(theUser().domains) != before);
    h.rowButton(0, 3)->click();
    QCOMPARE(h.widget<QTableWidget>("tableR")->rowCount(), theUser().domains.at(0).records.size());
}

void TestBadInput::untrustedServiceKeepsList_data()
{
    QTest::addColumn<int>("certificate");
    QTest::newRow("certificate for another name") << int(TestHttpsServer::Certificate::WrongName);
    QTest::newRow("expired certificate") << int(TestHttpsServer::Certificate::Expired);
}

// A service whose certificate does not hold is refused before anything is sent.
void TestBadInput::untrustedServiceKeepsList()
{
    QFETCH(int, certificate);
    QVERIFY(openWindow());
    TestHttpsServer impostor(true, TestHttpsServer::Certificate(certificate));
    impostor.setReply(kDomainList, ok(QJsonObject{{QStringLiteral("recordCount"), 0}}));
    const QString serviceUrl = theUser().baseUrl;
    const QList<const Domain *> before = addressesOf(theUser().domains);
    h.boxes->shown.clear();

    theUser().baseUrl = impostor.baseUrl();
    theUser().setExtraCaCertificates(QSslCertificate::fromPath(TestHttpsServer::caFile()) +
                                     h.service->caCertificates());
    h.button("pushButton_refDomain")->click();

    QVERIFY(h.boxes->count() >= 1);
    for (const QString &content : h.boxes->contents())
        QVERIFY2(content.startsWith(kNetwork + QStringLiteral("6:")), qPrintable(content));
    expectListKept(before);
    QVERIFY(impostor.requests().isEmpty());

    theUser().baseUrl = serviceUrl;
    h.boxes->shown.clear();
    QTRY_VERIFY_WITH_TIMEOUT(h.button("pushButton_refDomain")->isEnabled(), kEventWithinMs);
    h.button("pushButton_refDomain")->click();
    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(theUser().domains.size(), before.size());
}

void TestBadInput::wrongDataShapeKeepsCache_data()
{
    QTest::addColumn<Reader>("reader");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("data");

    const struct
    {
        Reader reader;
        const char *name;
        const char *path;
        const char *otherContainer;
    } readers[] = {
        {Reader::Domains, "domains", "/api/domain/list/", "[]"},
        {Reader::Records, "records", "/api/record/list/", "[{}]"},
        {Reader::Groups, "groups", "/api/domain/getgrouplist/", "{}"},
        {Reader::News, "news", "/api/news/getmsg/", "[]"},
        {Reader::Inform, "account messages", "/api/user/message/", "[]"},
        {Reader::Lines, "line list", "/api/service/allviews/", "[]"},
        {Reader::AppInfo, "app info", "/api/user/appInfo/", "[]"},
    };
    for (const auto &r : readers) {
        const QByteArray values[] = {"\"text\"", "42", "true", r.otherContainer};
        for (const QByteArray &data : values) {
            QTest::addRow("%s: %s", r.name, data.constData())
                << r.reader << QString::fromLatin1(r.path) << data;
        }
    }
    QTest::newRow("domains: page whose list is a string")
        << Reader::Domains << kDomainList << QByteArray("{\"recordCount\":3,\"data\":\"x\"}");
}

// "code" 0 with "data" of another shape: an unreadable reply, told as such, and whatever the
// cache held before stays.
void TestBadInput::wrongDataShapeKeepsCache()
{
    QFETCH(Reader, reader);
    QFETCH(QString, path);
    QFETCH(QByteArray, data);
    h.boxes = std::make_unique<RecordingPresenter>();
    h.service = std::make_unique<LocalServiceFixture>();
    QVERIFY(h.service->start());
    User u;
    QVERIFY(h.service->loginDemo(u));
    QVERIFY(u.getDomain() > 0);
    QVERIFY(u.getGroup() > 0);
    Domain *domain = &u.domains[0];
    QVERIFY(u.getRecord(domain) > 0);
    QVERIFY(u.getMsg(DMsgPublic0) > 0);
    QVERIFY(u.getMsg_inform() > 0);
    const auto domains = addressesOf(u.domains);
    const auto records = addressesOf(domain->records);
    const auto groups = addressesOf(u.groups);
    const auto news = addressesOf(u.msgsPublic0);
    const auto inform = addressesOf(u.msgsInform);
    User fresh; // nothing cached yet: the line list is fetched on first use
    QVERIFY(h.service->loginDemo(fresh));
    h.boxes->shown.clear();

    h.service->setFault(path, customReply(success(data)));
    double code = -1;
    QString name, info, url;
    switch (reader) {
    case Reader::Domains:
        QCOMPARE(u.getDomain(), 0);
        break;
    case Reader::Records:
        QCOMPARE(u.getRecord(domain), 0);
        break;
    case Reader::Groups:
        QCOMPARE(u.getGroup(), 0);
        break;
    case Reader::News:
        QCOMPARE(u.getMsg(DMsgPublic0), 0);
        break;
    case Reader::Inform:
        QCOMPARE(u.getMsg_inform(), 0);
        break;
    case Reader::Lines:
        QVERIFY(fresh.getTaoCanView_2(QStringLiteral("1")).isEmpty());
        QVERIFY(fresh.allViews.isEmpty());
        break;
    case Reader::AppInfo:
        QVERIFY(!u.getChkVer(code, name, info, url));
        QCOMPARE(code, -1.0);
        break;
    }
    const User &called = reader == Reader::Lines ? fresh : u;
    QCOMPARE(called.errorText, kL366);
    QVERIFY(h.boxes->count() >= 1);
    QCOMPARE(h.boxes->shown.first().content, kL366);
    QCOMPARE(addressesOf(u.domains), domains);
    QCOMPARE(addressesOf(domain->records), records);
    QCOMPARE(addressesOf(u.groups), groups);
    QCOMPARE(addressesOf(u.msgsPublic0), news);
    QCOMPARE(addressesOf(u.msgsInform), inform);

    // Nothing unreadable was kept for later either.
    h.service->clearFaults();
    QVERIFY(!fresh.getTaoCanView_2(QStringLiteral("1")).isEmpty());
}

// Numbers an int cannot hold: a total of that size is no total, and an entry's field of that
// size reads as its default.
void TestBadInput::numbersBeyond32Bits()
{
    TestHttpsServer server;
    User u;
    pointAt(u, server);
    RecordingPresenter boxes;
    const QByteArray domain = "{\"domains\":\"big.com\",\"domainsID\":4294967301,"
                              "\"state\":1e300,\"groupID\":-99999999999,\"view_type\":\"1\"}";
    server.setReply(QStringLiteral("/api/service/allviews/"), ok(QJsonObject{}));
    server.setReplies(kDomainList,
                      {ok(QJsonObject{{QStringLiteral("recordCount"), 1},
                                      {QStringLiteral("data"),
                                       QJsonDocument::fromJson('[' + domain + ']').array()}}),
                       [] {
                           CannedReply r;
                           r.body = success("{\"recordCount\":4294967296,\"data\":[]}");
                           return r;
                       }()});
    QCOMPARE(u.getDomain(), 1);
    QCOMPARE(u.domains.size(), 1);
    const Domain &read = u.domains.at(0);
    QCOMPARE(read.name, QStringLiteral("big.com"));
    QCOMPARE(read.id, 0);
    QCOMPARE(read.state, 0);
    QCOMPARE(read.groupID, 0);

    QCOMPARE(u.getDomain(), 0);
    QCOMPARE(u.errorText, kL366);
    QCOMPARE(&u.domains.at(0), &read);
}

// A refusal whose text repeats what the client sent: the password and the API secret are
// masked before the text reaches errorText and from there a box.
void TestBadInput::refusalEchoingSecretsIsMasked()
{
    QVERIFY(openWindow());
    const QString echo =
        QStringLiteral("bad hash: secret=%1 password=%2").arg(m_secret, m_password);
    h.service->setFault(QStringLiteral("/api/domain/pause/"),
                        customReply(QJsonDocument(QJsonObject{{QStringLiteral("code"), 9},
                                                              {QStringLiteral("message"), echo}})
                                        .toJson(QJsonDocument::Compact)));
    h.boxes->answer(1);
    h.rowButton(0, 1)->click();
    QCOMPARE(theUser().errorText, QStringLiteral("bad hash: secret=*** password=***"));
    QVERIFY(h.boxes->contents().join(QString()).contains(theUser().errorText) ||
            h.toast().contains(theUser().errorText));
    expectNoSecretShown();
}

// Signed in without usable credentials: the support code holds the reply, never the password
// nor a secret the reply carried.
void TestBadInput::supportCodeCarriesNoSecret()
{
    TestHttpsServer server;
    const QString secret = QStringLiteral("s3cr3t-of-the-reply");
    const QString password = QStringLiteral("pa55word-typed");
    server.setReply(
        QStringLiteral("/api/user/verify/"),
        ok(QJsonObject{{QStringLiteral("apiSecret"), secret}, {QStringLiteral("echo"), password}}));
    User u;
    pointAt(u, server);
    RecordingPresenter boxes;
    QVERIFY(!u.login(QStringLiteral("a@b.cn"), password));
    QCOMPARE(boxes.count(), 1);
    const QString code = QString::fromUtf8(unscrambleText(boxes.shown.first().inputText));
    QVERIFY2(code.startsWith(QStringLiteral("a@b.cn|***|pc|{")), qPrintable(code));
    QVERIFY(code.contains(QStringLiteral("\"apiSecret\":\"***\"")));
    QVERIFY(!code.contains(secret));
    QVERIFY(!code.contains(password));
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
