#include "client/ApiPaths.h"
#include "client/JsonRead.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QtTest>

namespace {

// Parameters written as "key=value&key=value"; values may hold {placeholders}.
ApiParams paramsFrom(const QString &text)
{
    ApiParams params;
    for (const QString &pair : text.split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const int eq = pair.indexOf(QLatin1Char('='));
        params.insert(pair.left(eq).toUtf8(), pair.mid(eq + 1));
    }
    return params;
}

} // namespace

// Every path of the service API over HTTPS, through the client's own request layer: the reply
// shapes the client reads and the refusals a real DNS service gives.
class TestLocalServiceApi : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyClientPathIsServed();
    void requests_data();
    void requests();
    void signature_data();
    void signature();
    void repeatedKeyRefused();

private:
    QString resolve(QString text);
    qint64 domainId(const QString &name);
    qint64 recordId(const QString &domain, const QString &host, const QString &type);

    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<User> m_user;
    std::unique_ptr<RecordingPresenter> m_boxes;
    AccountRow m_demo;
};

void TestLocalServiceApi::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_user = std::make_unique<User>();
    QVERIFY(m_service->loginDemo(*m_user));
    QVERIFY(
        m_service->service().storage().accountByEmail(LocalServiceFixture::demoEmail(), &m_demo));
}

void TestLocalServiceApi::cleanup()
{
    m_user.reset();
    m_service.reset();
    m_boxes.reset();
}

qint64 TestLocalServiceApi::domainId(const QString &name)
{
    const Page<DomainRow> page = m_service->service().storage().domains(m_demo.id, 0, 1000);
    for (const DomainRow &d : page.rows) {
        if (d.name == name)
            return d.id;
    }
    return -1;
}

qint64 TestLocalServiceApi::recordId(const QString &domain, const QString &host,
                                     const QString &type)
{
    int code = 0;
    const Page<RecordRow> page =
        m_service->service().storage().records(m_demo.id, domainId(domain), 0, 1000, &code);
    for (const RecordRow &r : page.rows) {
        if (r.host == host && r.type == type)
            return r.id;
    }
    return -1;
}

// {dm:NAME} a demo domain's id, {rec:DOMAIN:HOST:TYPE} a record's id, {group} the first
// group's id, {msg} the newest unread message's id, {news} the newest news item's id.
QString TestLocalServiceApi::resolve(QString text)
{
    Storage &storage = m_service->service().storage();
    static const QRegularExpression dm(QStringLiteral("\\{dm:([^}]+)\\}"));
    static const QRegularExpression rec(QStringLiteral("\\{rec:([^:]+):([^:]+):([^}]+)\\}"));
    for (auto m = dm.match(text); m.hasMatch(); m = dm.match(text))
        text.replace(m.captured(0), QString::number(domainId(m.captured(1))));
    for (auto m = rec.match(text); m.hasMatch(); m = rec.match(text))
        text.replace(m.captured(0),
                     QString::number(recordId(m.captured(1), m.captured(2), m.captured(3))));
    text.replace(QStringLiteral("{group}"), QString::number(storage.groups(m_demo.id).value(0).id));
    text.replace(QStringLiteral("{msg}"),
                 QString::number(storage.messages(m_demo.id, 0, 0, 1).rows.value(0).id));
    text.replace(QStringLiteral("{news}"), QString::number(storage.news(0, 0, 1).rows.value(0).id));
    return text;
}

void TestLocalServiceApi::everyClientPathIsServed()
{
    const ApiPaths paths;
    const QStringList served = m_service->service().apiPaths();
    const QStringList wanted = {
        paths.verify,       paths.wxLogin,           paths.chkCpuId,     paths.addCpuId,
        paths.registerUser, paths.userDetail,        paths.domainList,   paths.domainCreate,
        paths.domainLock,   paths.domainUnlock,      paths.domainPause,  paths.domainStart,
        paths.domainRemove, paths.domainBatchDelete, paths.groupList,    paths.groupDelete,
        paths.groupEdit,    paths.domainGroupEdit,   paths.recordList,   paths.recordRemoveUnused,
        paths.recordCreate, paths.recordPause,       paths.recordStart,  paths.recordRemove,
        paths.recordModify, paths.newsList,          paths.userMessages, paths.messageState,
        paths.newsDetail,   paths.appInfo,           paths.allViews};
    for (const QString &path : wanted)
        QVERIFY2(served.contains(path), qPrintable(path));
}

void TestLocalServiceApi::requests_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("params");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // empty: the code's text in the result table
    QTest::addColumn<QString>("keys");    // members every entry of the reply's data has
    QTest::addColumn<QString>("expect");  // "member=value" of the data object, or "count=N"

    const QString pc = QStringLiteral("&type=pc");
    const QString entry = QStringLiteral("domains,domainsID,state,userLock,groupID,view_type");
    const QString record = QStringLiteral("domains,record,recordID,state,type,MX,TTL,value,viewID");
    const QString page = QStringLiteral("recordCount,pageCount,data");
    const QString add = QStringLiteral("domainID={dm:harbor-demo.com}&viewID=0&ttl=600&mx=10&");
    const QString addShow = QStringLiteral("domainID={dm:halvik-demo.com}&viewID=0&ttl=600&mx=10&");

    // Account.
    QTest::newRow("sign in") << "/api/user/verify/"
                             << "email=demo@example.com&password=halvik-demo" + pc << 0 << QString()
                             << "apiKey,apiSecret" << QString();
    QTest::newRow("sign in: e-mail in any case")
        << "/api/user/verify/"
        << "email=Demo@Example.com&password=halvik-demo" + pc << 0 << QString()
        << "apiKey,apiSecret" << QString();
    QTest::newRow("sign in: wrong password") << "/api/user/verify/"
                                             << "email=demo@example.com&password=nope" + pc << 1001
                                             << "用户邮箱或密码有误" << QString() << QString();
    QTest::newRow("sign in: unknown e-mail") << "/api/user/verify/"
                                             << "email=who@example.com&password=halvik-demo" + pc
                                             << 1001 << QString() << QString() << QString();
    QTest::newRow("sign in: no API key")
        << "/api/user/verify/"
        << "email=nokey@example.com&password=halvik-demo" + pc << 1007
        << "您的账户未开启API Key, API接口无法使用" << QString() << QString();
    QTest::newRow("WeChat: unknown code")
        << "/api/user/wxlogin/"
        << "code=abc&state=def" << 3 << "非法参数" << QString() << QString();
    QTest::newRow("register") << "/api/user/register/"
                              << "email=new@example.com&password=secret1&passwordCfm=secret1" << 0
                              << QString() << "email"
                              << "email=new@example.com";
    QTest::newRow("register: taken")
        << "/api/user/register/"
        << "email=demo@example.com&password=secret1&passwordCfm=secret1" << 1012
        << "该Email地址已经存在" << QString() << QString();
    QTest::newRow("register: bad address")
        << "/api/user/register/"
        << "email=new.example.com&password=secret1&passwordCfm=secret1" << 1011
        << "Email地址格式不正确" << QString() << QString();
    QTest::newRow("register: short password")
        << "/api/user/register/"
        << "email=new@example.com&password=abc&passwordCfm=abc" << 1016 << "密码长度不得少于6个字符"
        << QString() << QString();
    QTest::newRow("register: confirmation differs")
        << "/api/user/register/"
        << "email=new@example.com&password=secret1&passwordCfm=secret2" << 1014
        << "两次输入的密码不一致,请重新输入" << QString() << QString();
    QTest::newRow("device: unknown")
        << "/api/user/chkcpuid/"
        << "cpuid=0123456789abcdef0123456789abcdef" << 2 << "失败" << QString() << QString();
    QTest::newRow("device: not an id")
        << "/api/user/chkcpuid/"
        << "cpuid=xyz" << 9001 << "验证串有误" << QString() << QString();
    QTest::newRow("device: register") << "/api/user/addcpuid/"
                                      << "cpuid=0123456789abcdef0123456789abcdef&hostname=pc1" << 0
                                      << QString() << "cpuid,hostname,authorised"
                                      << "hostname=pc1";
    QTest::newRow("details") << "/api/user/detail/" << QString() << 0 << QString() << "userID,email"
                             << "email=demo@example.com";
    QTest::newRow("version") << "/api/user/appInfo/"
                             << "type=1" << 0 << QString()
                             << "version_code,version_name,version_info,downurl"
                             << "version_code=1.32";

    // Domains.
    QTest::newRow("domains: first page")
        << "/api/domain/list/"
        << "pageSize=50" << 0 << QString() << page << "recordCount=120";
    QTest::newRow("domains: entries")
        << "/api/domain/list/"
        << "pageSize=50" << 0 << QString() << "data:" + entry << "count=50";
    QTest::newRow("domains: last page")
        << "/api/domain/list/"
        << "page=3&pageSize=50" << 0 << QString() << page << "count=20";
    QTest::newRow("domains: beyond the end")
        << "/api/domain/list/"
        << "page=9&pageSize=50" << 0 << QString() << page << "count=0";
    QTest::newRow("add domain") << "/api/domain/create/"
                                << "domain= New-Site.COM &serviceID=1000&months=1" << 0 << QString()
                                << entry << "domains=new-site.com";
    QTest::newRow("add domain: international")
        << "/api/domain/create/"
        << "domain=例子.中国&serviceID=1000&months=1" << 0 << QString() << entry << "view_type=1";
    QTest::newRow("add domain: package") << "/api/domain/create/"
                                         << "domain=new-site.com&serviceID=1002&months=1" << 0
                                         << QString() << entry << "view_type=1,2,3,4,5";
    QTest::newRow("add domain: unknown package")
        << "/api/domain/create/"
        << "domain=new-site.com&serviceID=7&months=1" << 4010 << "服务ID对应的服务套餐不存在"
        << QString() << QString();
    QTest::newRow("add domain: twice") << "/api/domain/create/"
                                       << "domain=halvik-demo.com&serviceID=1000&months=1" << 2001
                                       << "您已经添加过该域名" << QString() << QString();
    QTest::newRow("add domain: other account's")
        << "/api/domain/create/"
        << "domain=HALVIK-demo.com" << 2001 << QString() << QString() << QString();
    QTest::newRow("add domain: syntax")
        << "/api/domain/create/"
        << "domain=bad_name.com" << 2024 << "域名格式错误" << QString() << QString();
    QTest::newRow("add domain: one label")
        << "/api/domain/create/"
        << "domain=localhost" << 2024 << QString() << QString() << QString();
    QTest::newRow("add domain: empty label")
        << "/api/domain/create/"
        << "domain=a..com" << 2024 << QString() << QString() << QString();
    QTest::newRow("add domain: too long")
        << "/api/domain/create/"
        << "domain=" + QString(62, QLatin1Char('a')) + ".com" << 2023 << "域名长度超过65个字节"
        << QString() << QString();
    QTest::newRow("lock") << "/api/domain/lock/"
                          << "domain={dm:harbor-demo.com}" << 0 << QString() << entry
                          << "userLock=1";
    QTest::newRow("lock: no id") << "/api/domain/lock/" << QString() << 2013 << "请指定域名ID！"
                                 << QString() << QString();
    QTest::newRow("unlock") << "/api/domain/unlock/"
                            << "domain={dm:pixel-demo.com}" << 0 << QString() << entry
                            << "userLock=0";
    QTest::newRow("pause") << "/api/domain/pause/"
                           << "domain={dm:harbor-demo.com}" << 0 << QString() << entry << "state=1";
    QTest::newRow("start") << "/api/domain/start/"
                           << "domain={dm:nimbus-demo.com}" << 0 << QString() << entry << "state=0";
    QTest::newRow("pause: locked")
        << "/api/domain/pause/"
        << "domain={dm:pixel-demo.com}" << 2010 << "该域名处于锁定状态" << QString() << QString();
    QTest::newRow("start: locked")
        << "/api/domain/start/"
        << "domain={dm:pixel-demo.com}" << 2010 << QString() << QString() << QString();
    QTest::newRow("remove: locked")
        << "/api/domain/remove/"
        << "domain={dm:pixel-demo.com}" << 2010 << QString() << QString() << QString();
    QTest::newRow("remove") << "/api/domain/remove/"
                            << "domain={dm:harbor-demo.com}" << 0 << QString() << entry
                            << "domains=harbor-demo.com";
    QTest::newRow("remove: unknown")
        << "/api/domain/remove/"
        << "domain=999999" << 2005 << "域名不存在" << QString() << QString();
    QTest::newRow("batch delete") << "/api/domain/batchdelete/"
                                  << "domainIDs={dm:harbor-demo.com},{dm:pixel-demo.com}" << 0
                                  << QString() << "deleted,failed" << QString();

    // Groups.
    QTest::newRow("groups") << "/api/domain/getgrouplist/" << QString() << 0 << QString()
                            << ":groupID,displayOrder,groupName"
                            << "count=4";
    QTest::newRow("add group") << "/api/domain/editgroup/"
                               << "groupName=新分组&displayOrder=5" << 0 << QString()
                               << "groupID,displayOrder,groupName"
                               << "displayOrder=5";
    QTest::newRow("add group: nine characters")
        << "/api/domain/editgroup/"
        << "groupName=一二三四五六七八九&displayOrder=1" << 0 << QString() << "groupID"
        << "groupName=一二三四五六七八九";
    QTest::newRow("add group: ten characters")
        << "/api/domain/editgroup/"
        << "groupName=一二三四五六七八九十&displayOrder=1" << 3 << "分组名长度超过系统限制(9)"
        << QString() << QString();
    QTest::newRow("add group: no name")
        << "/api/domain/editgroup/"
        << "displayOrder=1" << 3 << QString() << QString() << QString();
    QTest::newRow("edit group") << "/api/domain/editgroup/"
                                << "groupID={group}&groupName=改名&displayOrder=9" << 0 << QString()
                                << "groupID"
                                << "groupName=改名";
    QTest::newRow("edit group: unknown")
        << "/api/domain/editgroup/"
        << "groupID=999999&groupName=x&displayOrder=1" << 2 << "失败" << QString() << QString();
    QTest::newRow("delete group") << "/api/domain/delgroup/"
                                  << "groupID={group}" << 0 << QString() << QString() << QString();
    QTest::newRow("delete group: unknown")
        << "/api/domain/delgroup/"
        << "groupID=999999" << 2 << QString() << QString() << QString();
    QTest::newRow("move domain") << "/api/domain/editdomaingroup/"
                                 << "domainID={dm:harbor-demo.com}&groupID={group}" << 0
                                 << QString() << entry << QString();
    QTest::newRow("move domain out")
        << "/api/domain/editdomaingroup/"
        << "domainID={dm:sunrise-demo.net}&groupID=0" << 0 << QString() << entry << "groupID=0";
    QTest::newRow("move domain: unknown group") << "/api/domain/editdomaingroup/"
                                                << "domainID={dm:harbor-demo.com}&groupID=999999"
                                                << 3 << QString() << QString() << QString();

    // Records.
    QTest::newRow("records") << "/api/record/list/"
                             << "domainID={dm:halvik-demo.com}&page=1&pageSize=999" << 0
                             << QString() << page << "recordCount=17";
    QTest::newRow("records: entries") << "/api/record/list/"
                                      << "domainID={dm:halvik-demo.com}&page=1&pageSize=999" << 0
                                      << QString() << "data:" + record << "count=17";
    QTest::newRow("records: unknown domain")
        << "/api/record/list/"
        << "domainID=999999&page=1&pageSize=999" << 2005 << QString() << QString() << QString();
    QTest::newRow("add A") << "/api/record/create/" << add + "type=A&host=new&value=192.0.2.7" << 0
                           << QString() << record << "TTL=600";
    QTest::newRow("add AAAA") << "/api/record/create/"
                              << add + "type=AAAA&host=v6&value=2001:db8::7" << 0 << QString()
                              << record << "type=AAAA";
    QTest::newRow("add MX") << "/api/record/create/"
                            << "domainID={dm:harbor-demo.com}&viewID=0&ttl=3600&mx=5&type=MX&"
                               "host=@&value=mail.example.net"
                            << 0 << QString() << record << "MX=5";
    QTest::newRow("add TXT") << "/api/record/create/"
                             << add + "type=TXT&host=_dmarc&value=v=DMARC1; p=none" << 0
                             << QString() << record << "value=v=DMARC1; p=none";
    QTest::newRow("add wildcard") << "/api/record/create/" << add + "type=A&host=*&value=192.0.2.8"
                                  << 0 << QString() << record << "record=*";
    QTest::newRow("add: type") << "/api/record/create/" << add + "type=SRV&host=x&value=a.com"
                               << 3001 << "记录类型不存在" << QString() << QString();
    QTest::newRow("add: host") << "/api/record/create/" << add + "type=A&host=a b&value=192.0.2.7"
                               << 3002 << "主机头格式错误" << QString() << QString();
    QTest::newRow("add: IPv4") << "/api/record/create/" << add + "type=A&host=x&value=300.1.1.1"
                               << 3013 << "IP格式有误" << QString() << QString();
    QTest::newRow("add: IPv6") << "/api/record/create/" << add + "type=AAAA&host=x&value=1.2.3.4"
                               << 3013 << QString() << QString() << QString();
    QTest::newRow("add: empty value")
        << "/api/record/create/" << add + "type=TXT&host=x&value=" << 3012 << "记录值不为空"
        << QString() << QString();
    QTest::newRow("add: value over 255")
        << "/api/record/create/" << add + "type=TXT&host=x&value=" + QString(256, QLatin1Char('v'))
        << 3004 << "记录值长度超过255" << QString() << QString();
    QTest::newRow("add: value of 255")
        << "/api/record/create/" << add + "type=TXT&host=x&value=" + QString(255, QLatin1Char('v'))
        << 0 << QString() << record << QString();
    QTest::newRow("add: CNAME target")
        << "/api/record/create/" << add + "type=CNAME&host=x&value=not a name" << 3003
        << "记录值格式错误" << QString() << QString();
    QTest::newRow("add: unknown line") << "/api/record/create/"
                                       << "domainID={dm:harbor-demo.com}&viewID=12345&ttl=600&"
                                          "mx=10&type=A&host=x&value=192.0.2.7"
                                       << 3007 << "线路不存在" << QString() << QString();
    QTest::newRow("add: line outside the package")
        << "/api/record/create/"
        << "domainID={dm:harbor-demo.com}&viewID=286736708&ttl=600&mx=10&type=A&host=x&"
           "value=192.0.2.7"
        << 3007 << QString() << QString() << QString();
    QTest::newRow("add: province line in the package")
        << "/api/record/create/"
        << "domainID={dm:halvik-demo.com}&viewID=286736708&ttl=600&mx=10&type=A&host=x&"
           "value=192.0.2.7"
        << 0 << QString() << record << "viewID=286736708";
    QTest::newRow("add: same record")
        << "/api/record/create/" << addShow + "type=A&host=@&value=203.0.113.10" << 3008
        << "解析记录已存在或者存在相同主机头，相同线路的A记录或者CNAME记录" << QString()
        << QString();
    QTest::newRow("add: next to a CNAME")
        << "/api/record/create/" << addShow + "type=A&host=WWW&value=192.0.2.9" << 3008 << QString()
        << QString() << QString();
    QTest::newRow("add: CNAME next to an A")
        << "/api/record/create/" << addShow + "type=CNAME&host=@&value=edge.example.net" << 3008
        << QString() << QString() << QString();
    QTest::newRow("add: CNAME next to a CNAME")
        << "/api/record/create/" << addShow + "type=CNAME&host=www&value=edge.example.net" << 3008
        << QString() << QString() << QString();
    // Only A and CNAME clash with a CNAME; the client warns of the rest.
    QTest::newRow("add: TXT next to a CNAME")
        << "/api/record/create/" << addShow + "type=TXT&host=www&value=site-check" << 0 << QString()
        << record << QString();
    QTest::newRow("add: second A on the host")
        << "/api/record/create/" << addShow + "type=A&host=@&value=192.0.2.9" << 0 << QString()
        << record << QString();
    QTest::newRow("add: TTL too low")
        << "/api/record/create/"
        << "domainID={dm:harbor-demo.com}&viewID=0&ttl=30&mx=10&"
           "type=A&host=x&value=192.0.2.7"
        << 3014 << "当前版本限制TTL最小必须是60" << QString() << QString();
    QTest::newRow("add: locked domain") << "/api/record/create/"
                                        << "domainID={dm:pixel-demo.com}&viewID=0&ttl=600&mx=10&"
                                           "type=A&host=x&value=192.0.2.7"
                                        << 2010 << QString() << QString() << QString();
    QTest::newRow("modify value") << "/api/record/modify/"
                                  << "domainID={dm:halvik-demo.com}&recordID={rec:halvik-demo.com:"
                                     "www:CNAME}&newvalue=cdn2.example.net"
                                  << 0 << QString() << record << "value=cdn2.example.net";
    QTest::newRow("modify: type") << "/api/record/modify/"
                                  << "domainID={dm:halvik-demo.com}&recordID={rec:halvik-demo.com:"
                                     "www:CNAME}&newtype=BAD"
                                  << 3011 << "新的记录类型不存在" << QString() << QString();
    QTest::newRow("modify: into a clash") << "/api/record/modify/"
                                          << "domainID={dm:halvik-demo.com}&recordID={rec:"
                                             "halvik-demo.com:edu:A}&newhost=www&newviewID=0"
                                          << 3008 << QString() << QString() << QString();
    QTest::newRow("modify: unknown record") << "/api/record/modify/"
                                            << "domainID={dm:halvik-demo.com}&recordID=999999&"
                                               "newvalue=x.example.net"
                                            << 3010 << "解析记录不存在" << QString() << QString();
    QTest::newRow("pause record") << "/api/record/pause/"
                                  << "domainID={dm:halvik-demo.com}&recordID={rec:halvik-demo.com:"
                                     "www:CNAME}"
                                  << 0 << QString() << record << "state=2";
    QTest::newRow("start record") << "/api/record/start/"
                                  << "domainID={dm:halvik-demo.com}&recordID={rec:halvik-demo.com:"
                                     "old:A}"
                                  << 0 << QString() << record << "state=0";
    QTest::newRow("remove record") << "/api/record/remove/"
                                   << "domainID={dm:halvik-demo.com}&recordID={rec:halvik-demo."
                                      "com:www:CNAME}"
                                   << 0 << QString() << QString() << QString();
    QTest::newRow("remove record: unknown") << "/api/record/remove/"
                                            << "domainID={dm:halvik-demo.com}&recordID=999999"
                                            << 3010 << QString() << QString() << QString();
    QTest::newRow("remove record: other domain's")
        << "/api/record/remove/"
        << "domainID={dm:harbor-demo.com}&recordID={rec:halvik-demo.com:www:CNAME}" << 3010
        << QString() << QString() << QString();

    // Messages and lines.
    QTest::newRow("news") << "/api/news/getmsg/"
                          << "type=0&state=0&page=1&pageSize=10" << 0 << QString() << page
                          << "pageCount=2";
    QTest::newRow("news: entries")
        << "/api/news/getmsg/"
        << "type=0&state=0&page=1&pageSize=10" << 0 << QString() << "data:id,title,url,publishDate"
        << "count=10";
    QTest::newRow("notices") << "/api/news/getmsg/"
                             << "type=1&state=0&page=2&pageSize=10" << 0 << QString() << page
                             << "count=2";
    QTest::newRow("news: unknown kind")
        << "/api/news/getmsg/"
        << "type=5&state=0&page=1&pageSize=10" << 3 << QString() << QString() << QString();
    QTest::newRow("account messages") << "/api/user/message/"
                                      << "state=0&page=1&pageSize=10" << 0 << QString()
                                      << "data:msgID,state,title,content,created"
                                      << "count=6";
    QTest::newRow("account messages read")
        << "/api/user/message/"
        << "state=1&page=1&pageSize=10" << 0 << QString() << page << "recordCount=8";
    QTest::newRow("mark read") << "/api/user/setmsgstate/"
                               << "msgID={msg}&state=1" << 0 << QString() << QString() << QString();
    QTest::newRow("mark: bad state")
        << "/api/user/setmsgstate/"
        << "msgID={msg}&state=7" << 1021 << "请输入正确的站内消息状态！" << QString() << QString();
    QTest::newRow("mark: unknown")
        << "/api/user/setmsgstate/"
        << "msgID=999999&state=1" << 3 << QString() << QString() << QString();
    QTest::newRow("news detail") << "/api/news/detail/"
                                 << "newsID={news}" << 0 << QString()
                                 << "id,title,content,publishDate" << QString();
    QTest::newRow("news detail: unknown")
        << "/api/news/detail/"
        << "newsID=999999" << 3 << QString() << QString() << QString();
    QTest::newRow("lines") << "/api/service/allviews/" << QString() << 0 << QString()
                           << ":viewID,areaType,viewName,subViews"
                           << "count=9";
}

// keys: members of the data object; "data:" prefix: of every entry of data's "data" array;
// ":" prefix: of every entry of data itself (an array or an object of entries).
void TestLocalServiceApi::requests()
{
    QFETCH(QString, path);
    QFETCH(QString, params);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, keys);
    QFETCH(QString, expect);

    QJsonValue data;
    int resCode = -2;
    const bool ok = m_user->doAPI(path, paramsFrom(resolve(params)), data, true, &resCode);
    QCOMPARE(resCode, code);
    QCOMPARE(ok, code == 0);
    if (code != 0) {
        QCOMPARE(m_user->errorText,
                 message.isEmpty() ? m_user->resultMessages.value(code) : message);
        return;
    }
    QJsonArray entries;
    const QJsonObject object = data.toObject();
    if (data.isArray())
        entries = data.toArray();
    else if (object.value(QLatin1String("data")).isArray())
        entries = object.value(QLatin1String("data")).toArray();
    else if (keys.startsWith(QLatin1Char(':')))
        for (const QJsonValue &v : object)
            entries.append(v);

    const QString members = keys.mid(keys.indexOf(QLatin1Char(':')) + 1);
    const bool perEntry = keys.contains(QLatin1Char(':'));
    for (const QString &key : members.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!perEntry) {
            QVERIFY2(object.contains(key), qPrintable(key));
            continue;
        }
        for (const QJsonValue &e : entries)
            QVERIFY2(e.toObject().contains(key), qPrintable(key));
    }
    if (expect.startsWith(QLatin1String("count="))) {
        QCOMPARE(entries.size(), expect.mid(6).toInt());
    } else if (!expect.isEmpty()) {
        const int eq = expect.indexOf(QLatin1Char('='));
        QCOMPARE(readString(object.value(expect.left(eq))), expect.mid(eq + 1));
    }
    if (path == QLatin1String("/api/user/appInfo/"))
        QVERIFY(object.value(QLatin1String("version_code")).isString());
    if (path == QLatin1String("/api/user/verify/"))
        QCOMPARE(object.value(QLatin1String("apiKey")).toString(), m_user->apiKey);
}

void TestLocalServiceApi::signature_data()
{
    QTest::addColumn<QString>("apiKey");    // "" keeps the signed-in key
    QTest::addColumn<QString>("apiSecret"); // "" keeps the signed-in secret, "-" none
    QTest::addColumn<int>("clockOffset");   // seconds; 9999 sends no timestamp
    QTest::addColumn<int>("code");

    QTest::newRow("signed") << QString() << QString() << 0 << 0;
    QTest::newRow("unknown key") << "0000feedbeef" << QString() << 0 << 1;
    QTest::newRow("wrong secret") << QString() << "not-the-secret" << 0 << 1;
    QTest::newRow("no hash") << QString() << "-" << 0 << 1;
    // The stamp is taken before the request goes out, so a slow request moves it toward or
    // past the edge of the 300 s window: every offset stays minutes away from that edge. The
    // edge itself is tested on a fixed clock (TestLocalServiceChecks::timestampWindow).
    QTest::newRow("150 s behind") << QString() << QString() << -150 << 0;
    QTest::newRow("150 s ahead") << QString() << QString() << 150 << 0;
    QTest::newRow("900 s behind") << QString() << QString() << -900 << 3;
    QTest::newRow("900 s ahead") << QString() << QString() << 900 << 3;
    QTest::newRow("no timestamp") << QString() << QString() << 9999 << 3;
}

void TestLocalServiceApi::signature()
{
    QFETCH(QString, apiKey);
    QFETCH(QString, apiSecret);
    QFETCH(int, clockOffset);
    QFETCH(int, code);

    if (!apiKey.isEmpty())
        m_user->apiKey = apiKey;
    if (apiSecret == QLatin1String("-"))
        m_user->apiSecret.clear();
    else if (!apiSecret.isEmpty())
        m_user->apiSecret = apiSecret;
    ApiParams params;
    params.insert("pageSize", QStringLiteral("5"));
    if (clockOffset != 9999)
        params.insert("timestamp",
                      QString::number(QDateTime::currentSecsSinceEpoch() + clockOffset));
    QJsonValue data;
    int resCode = -2;
    m_user->doAPI(QStringLiteral("/api/domain/list/"), params, data, false, &resCode);
    QCOMPARE(resCode, code);
    if (code)
        QCOMPARE(m_user->errorText, m_user->resultMessages.value(code));
}

// A key sent twice could be signed one way and read another: refused outright.
void TestLocalServiceApi::repeatedKeyRefused()
{
    ApiParams params;
    params.insert("pageSize", QStringLiteral("5"));
    prepareParams(params, true, QDateTime::currentSecsSinceEpoch(), m_user->apiKey,
                  m_user->apiSecret);
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(m_service->baseUrl() + QStringLiteral("/api/domain/list/")));
    request.setSslConfiguration(m_user->sslConfiguration());
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    QNetworkReply *reply = manager.post(request, encodeFormBody(params) + "&pageSize=500");
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(60000));
    const QJsonObject envelope = QJsonDocument::fromJson(reply->readAll()).object();
    QCOMPARE(envelope.value(QLatin1String("code")).toInt(), 3);
    reply->deleteLater();
}

QTEST_GUILESS_MAIN(TestLocalServiceApi)
#include "tst_localservice_api.moc"
