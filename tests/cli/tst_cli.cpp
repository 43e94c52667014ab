#include "client/DeviceId.h"
#include "client/Scramble.h"
#include "localservice/storage/Storage.h"
#include "tests/support/ApiTestUtil.h"
#include "tests/support/CliRun.h"
#include "tests/support/LocalServiceFixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace apitest;

namespace {

const QString kPassword = QStringLiteral("Pw-密码-42");

using Run = CliRun;

CannedReply credentials(bool withSecret = true)
{
    QJsonObject data{{QStringLiteral("apiKey"), QStringLiteral("K")}};
    if (withSecret)
        data.insert(QStringLiteral("apiSecret"), QStringLiteral("S"));
    return ok(data);
}

CannedReply twoDomains()
{
    const QJsonArray entries{QJsonObject{{QStringLiteral("domains"), QStringLiteral("a.cn")},
                                         {QStringLiteral("domainsID"), 11},
                                         {QStringLiteral("groupID"), 2}},
                             QJsonObject{{QStringLiteral("domains"), QStringLiteral("工作.cn")},
                                         {QStringLiteral("domainsID"), 12},
                                         {QStringLiteral("state"), 1},
                                         {QStringLiteral("userLock"), 1}}};
    return ok(QJsonObject{{QStringLiteral("recordCount"), 2}, {QStringLiteral("data"), entries}});
}

// The variables that point a run at the stand-in service, signed in as its demo account.
QMap<QString, QString> signedInTo(const LocalServiceFixture &service)
{
    return {{QStringLiteral("HALVIK_SERVICE_URL"), service.baseUrl()},
            {QStringLiteral("HALVIK_CA_FILE"), service.caFile()},
            {QStringLiteral("HALVIK_EMAIL"), LocalServiceFixture::demoEmail()},
            {QStringLiteral("HALVIK_PASSWORD"), LocalServiceFixture::demoPassword()}};
}

} // namespace

// halvik-cli run as a child process against the scripted HTTPS server.
class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void listsDomainsAsJsonAndTable();
    void unknownNameSendsNothing();
    void perItemOutcomes();
    void exitCodes_data();
    void exitCodes();
    void recordsBeyondTheListLimit();
    void recordCommandsRefuseAPartList_data();
    void recordCommandsRefuseAPartList();
    void recordCommandsReachPastTheFirstList();
    void controlCharactersEscaped_data();
    void controlCharactersEscaped();
    void secretsNeverOnStandardError();
    void scrambleAndDeviceIdNeedNoService();
    void againstTheStandInService();
    void searchUsage_data();
    void searchUsage();
    void searchKeptFreshAgainstTheStandIn();
    void completion_data();
    void completion();

private:
    Run run(const QStringList &args, const QByteArray &input = QByteArray(),
            const QStringList &unset = {}, const QMap<QString, QString> &set = {});
    std::unique_ptr<TestHttpsServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dataHome; // the local copy, never the user's own
    // Settings of its own, and no session bus: a run never reaches the user's remembered login.
    std::unique_ptr<QTemporaryDir> m_home;
};

void TestCli::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<TestHttpsServer>();
    m_dataHome = std::make_unique<QTemporaryDir>();
    m_server->setReply(QStringLiteral("/api/user/verify/"), credentials());
    m_server->setReply(QStringLiteral("/api/domain/list/"), twoDomains());
    m_server->setReply(QStringLiteral("/api/service/allviews/"), ok(QJsonObject{}));
}

Run TestCli::run(const QStringList &args, const QByteArray &input, const QStringList &unset,
                 const QMap<QString, QString> &set)
{
    QProcessEnvironment env =
        cliEnvironment(m_server->baseUrl(), TestHttpsServer::caFile(),
                       QStringLiteral("ops@example.com"), kPassword, m_dataHome->path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_home->path());
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    for (const QString &name : unset)
        env.remove(name);
    for (auto it = set.cbegin(); it != set.cend(); ++it)
        env.insert(it.key(), it.value());
    return runProgram(QStringLiteral(HALVIK_CLI_BINARY), args, env, input);
}

void TestCli::listsDomainsAsJsonAndTable()
{
    const Run json = run({QStringLiteral("--json"), QStringLiteral("domains")});
    QCOMPARE(json.exit, 0);
    const QJsonArray domains = json.json().array();
    QCOMPARE(domains.size(), 2);
    const QJsonObject first = domains.at(0).toObject();
    QCOMPARE(first.value(QStringLiteral("name")).toString(), QStringLiteral("a.cn"));
    QCOMPARE(first.value(QStringLiteral("id")).toInt(), 11);
    QCOMPARE(first.value(QStringLiteral("groupID")).toInt(), 2);
    QCOMPARE(first.value(QStringLiteral("paused")).toBool(), false);
    QCOMPARE(domains.at(1).toObject().value(QStringLiteral("locked")).toBool(), true);

    // Signed in first, then every request signed with the issued secret.
    const QList<CapturedRequest> sent = m_server->requests();
    QCOMPARE(sent.first().path, QStringLiteral("/api/user/verify/"));
    QCOMPARE(sent.first().form.value("password"), kPassword);
    QVERIFY(sent.last().form.contains("hash"));

    const Run table =
        run({QStringLiteral("domains"), QStringLiteral("--search"), QStringLiteral("工作")});
    QCOMPARE(table.exit, 0);
    QCOMPARE(QString::fromUtf8(table.out), QStringLiteral("ID  NAME     STATE   LOCK    GROUP\n"
                                                          "12  工作.cn  paused  locked  -\n"));
}

void TestCli::unknownNameSendsNothing()
{
    const Run r = run({QStringLiteral("domain"), QStringLiteral("pause"), QStringLiteral("a.cn"),
                       QStringLiteral("nope.cn")});
    QCOMPARE(r.exit, 1);
    QVERIFY2(r.err.contains("no domain \"nope.cn\""), r.err.constData());
    QVERIFY(!m_server->requestedPaths().contains(QStringLiteral("/api/domain/pause/")));
}

void TestCli::perItemOutcomes()
{
    m_server->setReplies(QStringLiteral("/api/domain/pause/"),
                         {ok(), refused(2010, QStringLiteral("该域名处于锁定状态"))});
    const Run r = run({QStringLiteral("--json"), QStringLiteral("domain"), QStringLiteral("pause"),
                       QStringLiteral("a.cn"), QStringLiteral(" 工作.cn ")});
    QCOMPARE(r.exit, 1);
    const QJsonArray items = r.json().array();
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.at(0).toObject(), (QJsonObject{{QStringLiteral("item"), QStringLiteral("a.cn")},
                                                  {QStringLiteral("ok"), true}}));
    QCOMPARE(items.at(1).toObject().value(QStringLiteral("error")).toString(),
             QStringLiteral("该域名处于锁定状态"));
    QVERIFY(QString::fromUtf8(r.err).contains(QStringLiteral("该域名处于锁定状态")));
    QCOMPARE(sentValues(*m_server, QStringLiteral("/api/domain/pause/"), "domain"),
             (QStringList{"11", "12"}));
}

void TestCli::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("path"); // where the failing reply is served; empty: none
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<QStringList>("unset");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("stderrHas");

    const QString verify = QStringLiteral("/api/user/verify/");
    QTest::newRow("sign-in refused")
        << QStringList{"whoami"} << verify << refused(1001, QStringLiteral("用户邮箱或密码有误"))
        << QStringList{} << 1 << QStringLiteral("用户邮箱或密码有误");
    QTest::newRow("network failure")
        << QStringList{"groups"} << QStringLiteral("/api/domain/getgrouplist/") << broken()
        << QStringList{} << 2 << QStringLiteral("网络连接错误");
    QTest::newRow("quiet move still reports")
        << QStringList{"domain", "move", "a.cn", "--group", "3"}
        << QStringLiteral("/api/domain/editdomaingroup/") << broken() << QStringList{} << 2
        << QStringLiteral("网络连接错误");
    QTest::newRow("unknown group")
        << QStringList{"group", "delete", "9"} << QString() << CannedReply() << QStringList{} << 1
        << QStringLiteral("no group 9");
    QTest::newRow("no account") << QStringList{"whoami"} << QString() << CannedReply()
                                << QStringList{"HALVIK_EMAIL"} << 64
                                << QStringLiteral("HALVIK_EMAIL");
    QTest::newRow("bad usage") << QStringList{"record", "pause", "a.cn", "x"} << QString()
                               << CannedReply() << QStringList{} << 64
                               << QStringLiteral("halvik-cli record pause DOMAIN RECORD_ID...");
    QTest::newRow("bad service url")
        << QStringList{"--service-url", "ftp://x", "whoami"} << QString() << CannedReply()
        << QStringList{} << 64 << QStringLiteral("Invalid service URL");
    QTest::newRow("plain http service url")
        << QStringList{"--service-url", "http://127.0.0.1:1", "whoami"} << QString()
        << CannedReply() << QStringList{} << 64 << QStringLiteral("expected https://");
    QTest::newRow("untrusted certificate, and why")
        << QStringList{"whoami"} << QString() << CannedReply() << QStringList{"HALVIK_CA_FILE"} << 2
        << QStringLiteral("服务器的证书由不受信任的机构签发");
    QTest::newRow("version") << QStringList{"--json", "version"} << QString() << CannedReply()
                             << QStringList{} << 0 << QString();
}

void TestCli::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(QString, path);
    QFETCH(CannedReply, reply);
    QFETCH(QStringList, unset);
    QFETCH(int, exit);
    QFETCH(QString, stderrHas);
    m_server->setReply(QStringLiteral("/api/domain/getgrouplist/"), ok(QJsonArray{}));
    m_server->setReply(QStringLiteral("/api/user/appInfo/"),
                       ok(QJsonObject{{QStringLiteral("version_code"), QStringLiteral("1.32")}}));
    if (!path.isEmpty())
        m_server->setReply(path, reply);
    const Run r = run(args, QByteArray(), unset);
    QCOMPARE(r.exit, exit);
    QVERIFY2(QString::fromUtf8(r.err).contains(stderrHas), r.err.constData());
    QVERIFY(!r.err.contains(kPassword.toUtf8()));
    if (exit == 0)
        QCOMPARE(r.json().object().value(QStringLiteral("versionCode")).toDouble(), 1.32);
}

void TestCli::recordsBeyondTheListLimit()
{
    QJsonArray entries;
    for (int id = 1; id <= 3; ++id)
        entries.append(QJsonObject{{QStringLiteral("recordID"), id},
                                   {QStringLiteral("type"), QStringLiteral("A")},
                                   {QStringLiteral("value"), QStringLiteral("192.0.2.1")}});
    m_server->setReply(
        QStringLiteral("/api/record/list/"),
        ok(QJsonObject{{QStringLiteral("recordCount"), 1200}, {QStringLiteral("data"), entries}}));
    const Run r =
        run({QStringLiteral("records"), QStringLiteral("a.cn"), QStringLiteral("--json")});
    QCOMPARE(r.exit, 0);
    const QJsonObject o = r.json().object();
    QCOMPARE(o.value(QStringLiteral("domain")).toString(), QStringLiteral("a.cn"));
    QCOMPARE(o.value(QStringLiteral("total")).toInt(), 1200);
    const QJsonObject rec = o.value(QStringLiteral("records")).toArray().at(2).toObject();
    QCOMPARE(rec.value(QStringLiteral("id")).toInt(), 3);
    QCOMPARE(rec.value(QStringLiteral("lineName")).toString(), QStringLiteral("未知"));
    QVERIFY(r.err.contains("the first 3 are listed"));
}

// A single record's command needs the domain's whole list: a record past the pages that came
// would be "not found", or another taken for it. Pages that end before the count are refused,
// and nothing is sent.
void TestCli::recordCommandsRefuseAPartList_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("edit") << QStringList{"record", "edit", "a.cn", "3", "--ttl", "60"};
    QTest::newRow("pause") << QStringList{"record", "pause", "a.cn", "3"};
    QTest::newRow("delete") << QStringList{"record", "delete", "a.cn", "3"};
}

void TestCli::recordCommandsRefuseAPartList()
{
    QFETCH(QStringList, args);
    QJsonArray entries;
    for (int id = 1; id <= 3; ++id)
        entries.append(QJsonObject{{QStringLiteral("recordID"), id},
                                   {QStringLiteral("type"), QStringLiteral("A")},
                                   {QStringLiteral("value"), QStringLiteral("192.0.2.1")}});
    auto page = [](const QJsonArray &records) {
        return ok(
            QJsonObject{{QStringLiteral("recordCount"), 1200}, {QStringLiteral("data"), records}});
    };
    m_server->setReplies(QStringLiteral("/api/record/list/"), {page(entries), page({})});
    const Run r = run(args);
    QVERIFY2(r.exit == 1, r.err.constData());
    QVERIFY2(r.err.contains("reading every record of a.cn"), r.err.constData());
    for (const QString &path : m_server->requestedPaths())
        QVERIFY2(!path.startsWith(QStringLiteral("/api/record/")) ||
                     path == QStringLiteral("/api/record/list/"),
                 qPrintable(path));
}

// Against the stand-in, a domain of more than one list (999 records): the record added last is
// found, edited, paused and deleted by its id.
void TestCli::recordCommandsReachPastTheFirstList()
{
    LocalServiceFixture service;
    QVERIFY2(service.start(), qPrintable(service.errorText()));
    const QMap<QString, QString> env = signedInTo(service);
    const QString name = QStringLiteral("halvik-demo.com");
    QVERIFY(service.storeDemoRecords(name, 1000));
    const Run added =
        run({QStringLiteral("--json"), QStringLiteral("record"), QStringLiteral("add"), name,
             QStringLiteral("--host"), QStringLiteral("far"), QStringLiteral("--value"),
             QStringLiteral("10.9.9.9")},
            QByteArray(), {}, env);
    QVERIFY2(added.exit == 0, added.err.constData());
    const QString id = QString::number(added.json().object().value(QStringLiteral("id")).toInt());
    QVERIFY(id.toInt() > 0);

    // The record as the stand-in keeps it; absent: host empty.
    auto stored = [&service, &name, &id] {
        Storage &storage = service.service().storage();
        for (const DomainRow &d : storage.allDomains()) {
            if (d.name != name)
                continue;
            for (const RecordRow &r : storage.domainRecords(d.id)) {
                if (r.id == id.toLongLong())
                    return r;
            }
        }
        return RecordRow();
    };
    const Run edited = run({QStringLiteral("record"), QStringLiteral("edit"), name, id,
                            QStringLiteral("--value"), QStringLiteral("10.9.9.8")},
                           QByteArray(), {}, env);
    QVERIFY2(edited.exit == 0, edited.err.constData());
    QCOMPARE(stored().value, QStringLiteral("10.9.9.8"));
    const Run paused =
        run({QStringLiteral("record"), QStringLiteral("pause"), name, id}, QByteArray(), {}, env);
    QVERIFY2(paused.exit == 0, paused.err.constData());
    QCOMPARE(stored().state, int(RecordPaused));
    const Run deleted =
        run({QStringLiteral("record"), QStringLiteral("delete"), name, id}, QByteArray(), {}, env);
    QVERIFY2(deleted.exit == 0, deleted.err.constData());
    QVERIFY(stored().host.isEmpty());
}

// Text from the service reaches a terminal that acts on control characters (clear the screen,
// retitle the window): tables and messages show them escaped.
void TestCli::controlCharactersEscaped_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("path");
    QTest::addColumn<CannedReply>("reply");
    QTest::addColumn<QByteArray>("shown"); // the escaped form, on standard output or error

    auto domainNamed = [](const QString &name) {
        return ok(QJsonObject{
            {QStringLiteral("recordCount"), 1},
            {QStringLiteral("data"), QJsonArray{QJsonObject{{QStringLiteral("domains"), name},
                                                            {QStringLiteral("domainsID"), 11}}}}});
    };
    QTest::newRow("escape sequence in a domain name")
        << QStringList{"domains"} << QStringLiteral("/api/domain/list/")
        << domainNamed(QStringLiteral("a\x1b[2J.cn")) << QByteArray("a\\u001b[2J.cn");
    QTest::newRow("C1 control in a domain name")
        << QStringList{"domains"} << QStringLiteral("/api/domain/list/")
        << domainNamed(QStringLiteral("a\u009b2J.cn")) << QByteArray("a\\u009b2J.cn");
    QTest::newRow("title sequence in a record value")
        << QStringList{"records", "a.cn"} << QStringLiteral("/api/record/list/")
        << ok(QJsonObject{{QStringLiteral("recordCount"), 1},
                          {QStringLiteral("data"),
                           QJsonArray{QJsonObject{
                               {QStringLiteral("recordID"), 1},
                               {QStringLiteral("type"), QStringLiteral("TXT")},
                               {QStringLiteral("value"), QStringLiteral("\x1b]0;owned\x07\r")}}}}})
        << QByteArray("\\u001b]0;owned\\u0007");
    QTest::newRow("service's message on standard error")
        << QStringList{"whoami"} << QStringLiteral("/api/user/verify/")
        << refused(1001, QStringLiteral("wrong\x1b[2J\rpassword"))
        << QByteArray("wrong\\u001b[2J\\u000dpassword");
}

void TestCli::controlCharactersEscaped()
{
    QFETCH(QStringList, args);
    QFETCH(QString, path);
    QFETCH(CannedReply, reply);
    QFETCH(QByteArray, shown);
    m_server->setReply(path, reply);
    const Run r = run(args);
    const QByteArray both = r.out + r.err;
    QVERIFY2(both.contains(shown), both.constData());
    const QString text = QString::fromUtf8(both);
    for (const QChar c : text) {
        const ushort u = c.unicode();
        QVERIFY2((u >= 0x20 && u < 0x7f) || u > 0x9f || u == '\n' || u == '\t',
                 qPrintable(QStringLiteral("U+%1 reached the terminal").arg(u, 4, 16)));
    }
}

void TestCli::secretsNeverOnStandardError()
{
    m_server->setReply(QStringLiteral("/api/user/verify/"), credentials(false));
    const Run r = run({QStringLiteral("whoami")});
    QCOMPARE(r.exit, 1);
    QVERIFY(!r.err.contains(kPassword.toUtf8()));
    // The support code is the line after the apology; it hides the password too.
    const QStringList lines = QString::fromUtf8(r.err).split(QLatin1Char('\n'));
    const int at = lines.indexOf(QStringLiteral("请将以下错误代码反馈给我们:"));
    QVERIFY2(at >= 0, r.err.constData());
    const QString code = QString::fromUtf8(unscrambleText(lines.value(at + 1)));
    QVERIFY2(code.startsWith(QStringLiteral("ops@example.com|***|pc|{")), qPrintable(code));
    QVERIFY(!code.contains(kPassword));

    // A refusal that echoes what it was sent reaches standard error masked.
    const QString secret = QStringLiteral("the-api-secret");
    m_server->setReply(QStringLiteral("/api/user/verify/"),
                       ok(QJsonObject{{QStringLiteral("apiKey"), QStringLiteral("K")},
                                      {QStringLiteral("apiSecret"), secret}}));
    m_server->setReply(QStringLiteral("/api/domain/list/"),
                       refused(9, QStringLiteral("echo %1 %2").arg(kPassword, secret)));
    const Run echoed = run({QStringLiteral("domains")});
    QCOMPARE(echoed.exit, 1);
    QVERIFY2(echoed.err.contains("echo *** ***"), echoed.err.constData());
    QVERIFY(!echoed.err.contains(kPassword.toUtf8()));
    QVERIFY(!echoed.err.contains(secret.toUtf8()));
}

void TestCli::scrambleAndDeviceIdNeedNoService()
{
    const QByteArray bytes("line\n\0\xff tail\r\n", 14);
    const Run scrambled = run({QStringLiteral("scramble")}, bytes, {"HALVIK_EMAIL"});
    QCOMPARE(scrambled.exit, 0);
    const Run plain = run({QStringLiteral("unscramble")}, scrambled.out, {"HALVIK_EMAIL"});
    QCOMPARE(plain.exit, 0);
    QCOMPARE(plain.out, bytes);

    // The device id is this computer's, the same the sign-in window sends; no service needed.
    const Run id = run({QStringLiteral("device-id")}, {}, {"HALVIK_EMAIL"});
    QCOMPARE(id.exit, 0);
    QCOMPARE(QString::fromUtf8(id.out), computeDeviceId() + QLatin1Char('\n'));

    // The program's own version, for packagers and bug reports; no sign-in.
    const Run version = run({QStringLiteral("--version")}, {}, {"HALVIK_EMAIL"});
    QCOMPARE(version.exit, 0);
    QCOMPARE(QString::fromUtf8(version.out), QStringLiteral("halvik-cli %1\n").arg(HALVIK_VERSION));
    QVERIFY(m_server->requests().isEmpty());
}

void TestCli::againstTheStandInService()
{
    LocalServiceFixture service;
    QVERIFY2(service.start(), qPrintable(service.errorText()));
    const QMap<QString, QString> env = signedInTo(service);

    const Run domains = run({QStringLiteral("--json"), QStringLiteral("domains"),
                             QStringLiteral("--search"), QStringLiteral("pixel-demo.com")},
                            QByteArray(), {}, env);
    QCOMPARE(domains.exit, 0);
    const QJsonArray found = domains.json().array();
    QVERIFY(!found.isEmpty());
    for (const QJsonValue &d : found) {
        const QJsonObject o = d.toObject();
        const QString name = o.value(QStringLiteral("name")).toString();
        QVERIFY(name.contains(QStringLiteral("pixel-demo.com")));
        if (name == QStringLiteral("pixel-demo.com"))
            QCOMPARE(o.value(QStringLiteral("locked")).toBool(), true);
    }

    const Run records = run(
        {QStringLiteral("--json"), QStringLiteral("records"), QStringLiteral("halvik-demo.com")},
        QByteArray(), {}, env);
    QCOMPARE(records.exit, 0);
    const QJsonArray list = records.json().object().value(QStringLiteral("records")).toArray();
    QVERIFY(!list.isEmpty());
    QSet<QString> types;
    for (const QJsonValue &r : list)
        types.insert(r.toObject().value(QStringLiteral("type")).toString());
    QCOMPARE(types.size(), 6);

    QMap<QString, QString> wrong = env;
    wrong.insert(QStringLiteral("HALVIK_PASSWORD"), QStringLiteral("not-the-password"));
    const Run refused = run({QStringLiteral("whoami")}, QByteArray(), {}, wrong);
    QCOMPARE(refused.exit, 1);
    QVERIFY(!refused.err.isEmpty());
}

void TestCli::searchUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("empty text") << QStringList{QStringLiteral("search"), QString()};
    QTest::newRow("no text") << QStringList{QStringLiteral("search")};
    QTest::newRow("prefix too long")
        << QStringList{QStringLiteral("search"), QStringLiteral("203.0.113.0/33")};
    QTest::newRow("not an address")
        << QStringList{QStringLiteral("search"), QStringLiteral("example.com/24")};
    QTest::newRow("line not a number")
        << QStringList{QStringLiteral("search"), QStringLiteral("--line"), QStringLiteral("x"),
                       QStringLiteral("www")};
    QTest::newRow("sync takes no text") << QStringList{QStringLiteral("sync"), QStringLiteral("x")};
}

void TestCli::searchUsage()
{
    QFETCH(QStringList, args);
    const Run r = run(args);
    QCOMPARE(r.exit, 64);
    QVERIFY(r.err.contains("halvik-cli search") || r.err.contains("halvik-cli sync"));
    QVERIFY(m_server->requests().isEmpty());
}

void TestCli::searchKeptFreshAgainstTheStandIn()
{
    LocalServiceFixture service;
    QVERIFY2(service.start(), qPrintable(service.errorText()));
    const QMap<QString, QString> env = signedInTo(service);
    auto cli = [&](const QStringList &args) { return run(args, QByteArray(), {}, env); };

    // The first search builds the copy.
    const Run first =
        cli({QStringLiteral("--json"), QStringLiteral("search"), QStringLiteral("203.0.113.0/24")});
    QCOMPARE(first.exit, 0);
    const QJsonArray hits = first.json().array();
    QVERIFY(!hits.isEmpty());
    const QJsonObject hit = hits.first().toObject();
    QStringList keys = hit.keys();
    keys.sort();
    QCOMPARE(keys, (QStringList{"domain", "domainID", "fetched", "host", "id", "lineID", "lineName",
                                "mx", "state", "ttl", "type", "value"}));
    QVERIFY(QDateTime::fromString(hit.value(QStringLiteral("fetched")).toString(), Qt::ISODate)
                .isValid());
    QVERIFY(hit.value(QStringLiteral("fetched")).toString().endsWith(QLatin1Char('Z')));

    // The program's own change is found at once.
    QCOMPARE(cli({QStringLiteral("record"), QStringLiteral("add"), QStringLiteral("aurora-demo.cn"),
                  QStringLiteral("--host"), QStringLiteral("moved"), QStringLiteral("--value"),
                  QStringLiteral("203.0.113.250")})
                 .exit,
             0);
    const Run own = cli({QStringLiteral("search"), QStringLiteral("203.0.113.250")});
    QCOMPARE(own.exit, 0);
    QVERIFY(own.out.contains("aurora-demo.cn"));
    QVERIFY(own.out.contains("moved"));

    // Another client's change needs a refresh; no hits is no failure.
    User other;
    QVERIFY(service.loginDemo(other));
    QVERIFY(other.getDomain() > 0);
    QVERIFY(other.addRecord(other.domain2ptr(QStringLiteral("aurora-demo.com")),
                            QStringLiteral("198.51.100.250")));
    const Run stale =
        cli({QStringLiteral("--json"), QStringLiteral("search"), QStringLiteral("198.51.100.250")});
    QCOMPARE(stale.exit, 0);
    QCOMPARE(stale.json().array().size(), 0);
    const Run fresh = cli({QStringLiteral("--json"), QStringLiteral("search"),
                           QStringLiteral("--refresh"), QStringLiteral("198.51.100.250")});
    QCOMPARE(fresh.exit, 0);
    QCOMPARE(fresh.json().array().size(), 1);
    QCOMPARE(fresh.json().array().first().toObject().value(QStringLiteral("domain")).toString(),
             QStringLiteral("aurora-demo.com"));

    const Run sync = cli({QStringLiteral("--json"), QStringLiteral("sync")});
    QCOMPARE(sync.exit, 0);
    const QJsonObject summary = sync.json().object();
    QCOMPARE(summary.value(QStringLiteral("failed")).toInt(), 0);
    QCOMPARE(summary.value(QStringLiteral("read")).toInt(),
             summary.value(QStringLiteral("domains")).toInt());

    // A damaged copy is rebuilt, and says so.
    QFile file(m_dataHome->filePath(QStringLiteral("halvik/copy.sqlite")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    const Run rebuilt =
        cli({QStringLiteral("--json"), QStringLiteral("search"), QStringLiteral("198.51.100.250")});
    QCOMPARE(rebuilt.exit, 0);
    QVERIFY(!rebuilt.err.isEmpty());
    QCOMPARE(rebuilt.json().array().size(), 1);
}

void TestCli::completion_data()
{
    QTest::addColumn<QStringList>("words"); // the last one is being completed
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("command") << QStringList{"do"} << QStringList{"domain", "domains"};
    QTest::newRow("second word") << QStringList{"domain", ""}
                                 << QStringList{"add",   "delete", "lock",  "move",
                                                "pause", "start",  "unlock"};
    QTest::newRow("options of the command")
        << QStringList{"record", "add", "a.cn", "--t"} << QStringList{"--ttl", "--type"};
    QTest::newRow("switch") << QStringList{"login", "--r"} << QStringList{"--remember"};
    QTest::newRow("after global options")
        << QStringList{"--json", "--email", "a@b.cn", "messages", ""}
        << QStringList{"inform", "news", "notices"};
    QTest::newRow("a value is due") << QStringList{"domains", "--group", ""} << QStringList{};
}

// The bash completion reads the commands from the program's help.
void TestCli::completion()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, offered);
    QStringList quoted{QStringLiteral("halvik-cli")};
    for (const QString &w : words)
        quoted.append(QLatin1Char('\'') + w + QLatin1Char('\''));
    const QString script =
        QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=%3; _halvik_cli; "
                       "printf '%s\\n' \"${COMPREPLY[@]}\"")
            .arg(QStringLiteral(HALVIK_COMPLETION), quoted.join(QLatin1Char(' ')))
            .arg(words.size());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), QFileInfo(QStringLiteral(HALVIK_CLI_BINARY)).path() +
                                           QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    QProcess bash;
    bash.setProcessEnvironment(env);
    bash.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    QVERIFY(bash.waitForFinished(60000));
    QCOMPARE(bash.exitCode(), 0);
    const QString out = QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
    QCOMPARE(out.isEmpty() ? QStringList() : out.split(QLatin1Char('\n')), offered);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
