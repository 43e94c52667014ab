#include "localservice/storage/SeedData.h"

#include <QStringList>

namespace {

constexpr int kTelecom = 0x11174100;
constexpr int kUnicom = 0x11174200;
constexpr int kEducation = 0x11174300;
constexpr int kMobile = 0x11174400;
constexpr int kGuangdongTelecom = 0x11174144;
constexpr int kBeijingUnicom = 0x11174211;
constexpr int kSeo = 0x30000000;
constexpr int kSeoBaidu = 0x30000090;

RecordRow rec(const QString &host, const QString &type, const QString &value, int viewId = 0,
              int mx = 10, int state = RecordRunning)
{
    RecordRow r;
    r.host = host;
    r.type = type;
    r.value = value;
    r.viewId = viewId;
    r.mx = mx;
    r.state = state;
    return r;
}

// Every type on the default line, carriers, provinces and search engines.
QList<RecordRow> showcaseRecords(const QString &name)
{
    return {
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.10")),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.11"), kTelecom),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.12"), kUnicom),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.13"),
            kGuangdongTelecom),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.14"),
            kBeijingUnicom),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.15"), kSeo),
        rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("203.0.113.16"), kSeoBaidu),
        rec(QStringLiteral("edu"), QStringLiteral("A"), QStringLiteral("203.0.113.17"), kEducation),
        rec(QStringLiteral("www"), QStringLiteral("CNAME"),
            name + QStringLiteral(".cdn.example.net")),
        rec(QStringLiteral("ipv6"), QStringLiteral("AAAA"), QStringLiteral("2001:db8::10")),
        rec(QStringLiteral("ipv6"), QStringLiteral("AAAA"), QStringLiteral("2001:db8::11"),
            kMobile),
        rec(QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx1.") + name, 0, 10),
        rec(QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx2.") + name, kTelecom, 20),
        rec(QStringLiteral("@"), QStringLiteral("TXT"),
            QStringLiteral("v=spf1 include:spf.example.net -all")),
        rec(QStringLiteral("@"), QStringLiteral("NS"), QStringLiteral("ns1.example.net")),
        rec(QStringLiteral("@"), QStringLiteral("NS"), QStringLiteral("ns2.example.net")),
        rec(QStringLiteral("old"), QStringLiteral("A"), QStringLiteral("203.0.113.99"), 0, 10,
            RecordPaused),
    };
}

QList<RecordRow> plainRecords(const QString &name, int i, const QString &viewType)
{
    QList<RecordRow> records = {
        rec(QStringLiteral("@"), QStringLiteral("A"),
            QStringLiteral("198.51.100.%1").arg(i % 250 + 1)),
        rec(QStringLiteral("www"), QStringLiteral("CNAME"), name),
        rec(QStringLiteral("@"), QStringLiteral("MX"), QStringLiteral("mx.") + name),
        rec(QStringLiteral("@"), QStringLiteral("TXT"), QStringLiteral("v=spf1 mx -all")),
    };
    if (viewType.contains(QLatin1Char('2')))
        records.append(rec(QStringLiteral("@"), QStringLiteral("A"),
                           QStringLiteral("198.51.100.%1").arg(i % 250 + 2), kGuangdongTelecom));
    if (viewType.contains(QLatin1Char('5')))
        records.append(rec(QStringLiteral("@"), QStringLiteral("A"),
                           QStringLiteral("198.51.100.%1").arg(i % 250 + 3), kSeo));
    return records;
}

QStringList demoDomainNames()
{
    const QStringList words = {
        QStringLiteral("sunrise"), QStringLiteral("harbor"),  QStringLiteral("maple"),
        QStringLiteral("cedar"),   QStringLiteral("orbit"),   QStringLiteral("pixel"),
        QStringLiteral("river"),   QStringLiteral("summit"),  QStringLiteral("nimbus"),
        QStringLiteral("quartz"),  QStringLiteral("lotus"),   QStringLiteral("ember"),
        QStringLiteral("falcon"),  QStringLiteral("meadow"),  QStringLiteral("aurora"),
        QStringLiteral("willow"),  QStringLiteral("cobalt"),  QStringLiteral("zephyr"),
        QStringLiteral("granite"), QStringLiteral("saffron"), QStringLiteral("tundra"),
        QStringLiteral("lagoon"),  QStringLiteral("beacon"),  QStringLiteral("canyon")};
    const QStringList tlds = {QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("cn"),
                              QStringLiteral("org"), QStringLiteral("com.cn")};
    QStringList names;
    for (const QString &tld : tlds) {
        for (const QString &word : words)
            names.append(word + QStringLiteral("-demo.") + tld);
    }
    names[0] = QStringLiteral("halvik-demo.com");
    return names;
}

SeedAccount demoAccount(qint64 now)
{
    SeedAccount a;
    a.email = demo::email();
    a.password = demo::password();
    a.nickname = QStringLiteral("演示账号");
    a.wxOpenId = demo::wxOpenId();
    a.autoAuthoriseDevices = true;
    const QStringList groupNames = {QStringLiteral("电商站点"), QStringLiteral("企业官网"),
                                    QStringLiteral("测试环境"), QStringLiteral("个人博客")};
    for (int i = 0; i < groupNames.size(); ++i)
        a.groups.append(GroupRow{0, 0, groupNames.at(i), i + 1});

    const QStringList names = demoDomainNames();
    for (int i = 0; i < names.size(); ++i) {
        SeedAccount::Domain d;
        d.row.name = names.at(i);
        d.row.groupId = (i % 6 == 5) ? 0 : (i % 6) % 4 + 1;
        d.row.viewType = (i == 0 || i % 15 == 7) ? QStringLiteral("1,2,3,4,5")
                         : (i % 10 == 3)         ? QStringLiteral("1,2")
                                                 : QStringLiteral("1");
        d.row.serviceId = d.row.viewType == QLatin1String("1") ? 1000 : 1002;
        d.row.userLock = i == 5 ? 1 : 0;
        d.row.state = i == 8 ? DomainPaused : DomainRunning;
        d.row.created = now - qint64(i) * 3600;
        d.records =
            i == 0 ? showcaseRecords(d.row.name) : plainRecords(d.row.name, i, d.row.viewType);
        a.domains.append(d);
    }

    const QStringList subjects = {QStringLiteral("您的域名 %1 解析记录已变更"),
                                  QStringLiteral("账户登录提醒"),
                                  QStringLiteral("域名 %1 即将到期"),
                                  QStringLiteral("API 密钥使用提醒"),
                                  QStringLiteral("解析量周报"),
                                  QStringLiteral("域名 %1 已暂停解析"),
                                  QStringLiteral("新设备登录提醒")};
    for (int i = 0; i < 14; ++i) {
        MessageRow m;
        m.title = subjects.at(i % subjects.size());
        if (m.title.contains(QLatin1String("%1")))
            m.title = m.title.arg(names.at(i));
        m.content =
            QStringLiteral("<p>尊敬的用户：<br/>%1</p><p>如非本人操作，请及时修改密码。</p>")
                .arg(m.title);
        m.created = now - qint64(i) * 43200;
        m.state = i < 6 ? MessageUnread : MessageRead;
        a.messages.append(m);
    }
    return a;
}

QString newsBody(int k, const QString &title)
{
    // Image sources are relative, as the service writes them; some with a leading slash.
    QString body = QStringLiteral("<h3>%1</h3><p>尊敬的用户：<br style=\"clear:both\" />"
                                  "为持续提升解析服务质量，我们对相关功能进行了更新。"
                                  "<br class=\"gap\"/>详情如下。</p>")
                       .arg(title);
    if (k % 3 == 0)
        body += QStringLiteral("<p><img alt=\"\" src=\"/static/news/banner%1.png\" /></p>"
                               "<p>更新后界面如图所示：</p>"
                               "<p><img alt=\"\" src=\"/static/news/banner%1.png\" /></p>")
                    .arg(k % 2 + 1);
    else if (k % 3 == 1)
        body += QStringLiteral("<p><img src=\"static/news/banner2.png\" width=\"600\" /></p>");
    return body + QStringLiteral("<p>感谢您的支持！<br>Tervo 团队</p>");
}

QList<NewsRow> demoNews(qint64 now)
{
    const QStringList newsTitles = {
        QStringLiteral("解析节点扩容完成"), QStringLiteral("新增 IPv6 解析支持"),
        QStringLiteral("智能线路升级"),     QStringLiteral("客户端新版发布"),
        QStringLiteral("DNSSEC 功能上线"),  QStringLiteral("解析生效速度提升"),
        QStringLiteral("批量作业功能介绍")};
    const QStringList noticeTitles = {
        QStringLiteral("例行维护通知"),           QStringLiteral("服务条款更新公告"),
        QStringLiteral("关于防范钓鱼邮件的提醒"), QStringLiteral("节假日客服安排"),
        QStringLiteral("API 接口调整公告"),       QStringLiteral("部分线路迁移公告")};
    QList<NewsRow> news;
    for (int k = 0; k < 14; ++k) {
        NewsRow n;
        n.kind = 0;
        n.title = newsTitles.at(k % newsTitles.size()) +
                  (k >= newsTitles.size() ? QStringLiteral("（续）") : QString());
        n.content = newsBody(k, n.title);
        n.publishDate = now - qint64(k) * 2 * 86400 - 3600;
        news.append(n);
    }
    for (int k = 0; k < 12; ++k) {
        NewsRow n;
        n.kind = 1;
        n.title = noticeTitles.at(k % noticeTitles.size()) +
                  (k >= noticeTitles.size() ? QStringLiteral("（二）") : QString());
        n.content = newsBody(k + 1, n.title);
        n.publishDate = now - qint64(k) * 3 * 86400 - 7200;
        news.append(n);
    }
    return news;
}

} // namespace

SeedSet demoSeed(qint64 now)
{
    SeedSet seed;
    seed.accounts.append(demoAccount(now));
    SeedAccount noKey;
    noKey.email = demo::noKeyEmail();
    noKey.password = demo::password();
    noKey.withApiKey = false;
    noKey.nickname = QStringLiteral("未开通API");
    seed.accounts.append(noKey);
    seed.news = demoNews(now);
    AppInfoRow app;
    app.type = 1;
    app.versionCode = QStringLiteral("1.32");
    app.versionName = QStringLiteral("1.32");
    app.versionInfo = QStringLiteral("1. 批量作业支持更多记录类型\n2. 修复若干问题");
    app.downUrl = QStringLiteral("/download/");
    seed.appInfo.append(app);
    return seed;
}

QString loadAccountEmail(int count)
{
    return QStringLiteral("bulk%1@example.com").arg(count);
}

SeedSet loadSeed(int count, qint64 now)
{
    SeedAccount a;
    a.email = loadAccountEmail(count);
    a.password = demo::password();
    a.nickname = QStringLiteral("压力测试");
    for (int g = 0; g < 8; ++g)
        a.groups.append(GroupRow{0, 0, QStringLiteral("分组%1").arg(g + 1), g + 1});
    a.domains.reserve(count);
    for (int i = 0; i < count; ++i) {
        SeedAccount::Domain d;
        d.row.name = QStringLiteral("bulk%1-%2.com").arg(count).arg(i + 1, 6, 10, QLatin1Char('0'));
        d.row.groupId = i % 9; // 0 = no group
        d.row.created = now - i;
        if (i == 0)
            d.records.append(
                rec(QStringLiteral("@"), QStringLiteral("A"), QStringLiteral("192.0.2.1")));
        a.domains.append(d);
    }
    SeedSet seed;
    seed.accounts.append(a);
    return seed;
}
