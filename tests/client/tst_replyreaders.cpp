#include "client/IdList.h"
#include "client/LineList.h"
#include "client/NoticeHtml.h"
#include "client/ReplyReaders.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QJsonValue parse(const char *json)
{
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json));
    return doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
}

QStringList names(const QList<View> &views)
{
    QStringList out;
    for (const View &v : views)
        out.append(v.viewName);
    return out;
}

// Two-level line list: area types 1 and 2 with array sub-lines, 3 with object sub-lines.
const char *kAllViews = R"({
    "a": {"viewID": 0, "areaType": 1, "viewName": "默认",
          "subViews": [{"viewID": 11, "areaType": 1, "viewName": "A1"},
                       {"viewID": 12, "areaType": 2, "viewName": "A2"},
                       {"viewID": 13, "viewName": "A-none"},
                       "not an object"]},
    "b": {"viewID": 20, "areaType": 2, "viewName": "电信",
          "subViews": {"21": "北京电信", "x": "ignored", "22": "天津电信"}},
    "c": {"viewID": 30, "areaType": 3, "viewName": "SEO",
          "subViews": [{"viewID": 31, "areaType": 1, "viewName": "under 3"}]},
    "d": "not a line",
    "e": {"viewID": 11, "areaType": 1, "viewName": "E-dup"}
})";

} // namespace

// The pure readers every reply goes through, the line filter and the notice rewriting.
class TestReplyReaders : public QObject
{
    Q_OBJECT
private slots:
    void domainPageDefaults();
    void recordPage();
    void messagePage();
    void appInfo_data();
    void appInfo();
    void lineListBothSubLineForms();
    void lineFilter_data();
    void lineFilter();
    void findViewWalkOrder();
    void positiveIds_data();
    void positiveIds();
    void noticeRewrite_data();
    void noticeRewrite();
    void hostileNoticeEnds();
    void noticeGrowthBounded();
};

void TestReplyReaders::domainPageDefaults()
{
    const DomainPage page = readDomainPage(parse(R"({"recordCount": "3", "data": [
        {"domains": "a.cn", "domainsID": "17", "state": 1, "userLock": true, "groupID": 4,
         "view_type": "1,2"},
        {"domains": "b.cn"},
        7,
        {"domains": "c.cn", "view_type": ["1,2"]}]})"));
    QCOMPARE(page.recordCount, 3);
    QCOMPARE(page.domains.size(), 4);
    const Domain &a = page.domains.at(0);
    QCOMPARE(a.name, QStringLiteral("a.cn"));
    QCOMPARE(a.id, 17);
    QCOMPARE(a.state, 1);
    QCOMPARE(a.userLock, 1);
    QCOMPARE(a.groupID, 4);
    QCOMPARE(a.viewType, QStringLiteral("1,2"));
    QCOMPARE(a.json.value(QStringLiteral("domains")).toString(), QStringLiteral("a.cn"));
    QCOMPARE(page.domains.at(1).viewType, QStringLiteral("1")); // no "view_type"
    QCOMPARE(page.domains.at(2).name, QString());               // not an object: all defaults
    QCOMPARE(page.domains.at(3).viewType, QStringLiteral("1")); // of the wrong kind

    QCOMPARE(readDomainPage(parse("[1,2]")).domains.size(), 0);
    QCOMPARE(readDomainPage(QJsonValue()).recordCount, 0);
}

void TestReplyReaders::recordPage()
{
    const RecordListReply page = readRecordPage(parse(R"({"recordCount": 1200, "data": [
        {"domains": "a.cn", "record": "www", "recordID": 9, "state": 1, "type": "MX",
         "MX": "5", "TTL": 600, "value": "mx.a.cn", "viewID": 286736640}]})"));
    QCOMPARE(page.recordCount, 1200);
    QCOMPARE(page.records.size(), 1);
    const Record &r = page.records.first();
    QCOMPARE(r.host, QStringLiteral("www"));
    QCOMPARE(r.id, 9);
    QCOMPARE(r.mx, 5);
    QCOMPARE(r.ttl, 600);
    QCOMPARE(r.viewID, 286736640);
    QCOMPARE(r.lineID, 286736640);
    QCOMPARE(r.domainName, QStringLiteral("a.cn"));
}

void TestReplyReaders::messagePage()
{
    const MessageListReply inform =
        readMessagePage(parse(R"({"recordCount": 4, "pageCount": 1, "data": [
        {"msgID": 1, "state": 1, "title": "t", "content": "<p>c</p>", "created": 86400},
        {"msgID": 90590, "state": 1},
        {"msgID": 3, "state": 7},
        {"msgID": 4, "state": "2"}]})"),
                        DMsgInform);
    QCOMPARE(inform.recordCount, 4);
    QCOMPARE(inform.pageCount, 1);
    QCOMPARE(inform.messages.size(), 4);
    const DMsg &m = inform.messages.first();
    QCOMPARE(m.type, DMsgInform);
    QCOMPARE(m.state, DMsgRead);
    QCOMPARE(m.content, QStringLiteral("<p>c</p>"));
    QCOMPARE(m.time, QDateTime(QDate(1970, 1, 2), QTime(0, 0), Qt::UTC));
    QCOMPARE(inform.messages.at(1).state, DMsgUnread); // this announcement always stays unread
    QCOMPARE(inform.messages.at(2).state, DMsgUnread); // a state the client does not know
    QCOMPARE(inform.messages.at(3).state, DMsgDeleted);

    const MessageListReply news = readMessagePage(
        parse(R"({"data": [{"id": 5, "title": "n", "url": "u", "publishDate": 60, "msgID": 9,
                            "content": "not read for public kinds"}]})"),
        DMsgPublic1);
    QCOMPARE(news.pageCount, 0);
    const DMsg &n = news.messages.first();
    QCOMPARE(n.id, 5);
    QCOMPARE(n.type, DMsgPublic1);
    QCOMPARE(n.state, DMsgRead);
    QCOMPARE(n.url, QStringLiteral("u"));
    QCOMPARE(n.content, QString());
    QCOMPARE(n.time.toSecsSinceEpoch(), 60);
}

void TestReplyReaders::appInfo_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<double>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("url");
    const QString home = QStringLiteral("http://home");
    QTest::newRow("code as string")
        << QByteArray(R"({"version_code":"1.32","version_name":"v1.32","downurl":"http://d"})")
        << 1.32 << QStringLiteral("v1.32") << QStringLiteral("http://d");
    QTest::newRow("code as number, no name")
        << QByteArray(R"({"version_code":2})") << 2.0 << QStringLiteral("2") << home;
    QTest::newRow("fraction written shortest")
        << QByteArray(R"({"version_code":1.31})") << 1.31 << QStringLiteral("1.31") << home;
    QTest::newRow("non-numeric string")
        << QByteArray(R"({"version_code":"beta"})") << 0.0 << QStringLiteral("0") << home;
    QTest::newRow("missing") << QByteArray("{}") << 0.0 << QStringLiteral("0") << home;
    QTest::newRow("name and address of the wrong kind")
        << QByteArray(R"({"version_code":"1.32","version_name":["v1.32"],"downurl":{}})") << 1.32
        << QStringLiteral("1.32") << home;
    QTest::newRow("infinite code")
        << QByteArray(R"({"version_code":"inf"})") << 0.0 << QStringLiteral("0") << home;
}

void TestReplyReaders::appInfo()
{
    QFETCH(QByteArray, data);
    QFETCH(double, code);
    QFETCH(QString, name);
    QFETCH(QString, url);
    const AppInfo info =
        readAppInfo(QJsonDocument::fromJson(data).object(), QStringLiteral("http://home"));
    QCOMPARE(info.versionCode, code);
    QCOMPARE(info.versionName, name);
    QCOMPARE(info.downloadUrl, url);
}

void TestReplyReaders::lineListBothSubLineForms()
{
    const QList<View> all = readAllViews(parse(kAllViews));
    QCOMPARE(names(all), (QStringList{"默认", "电信", "SEO", "E-dup"}));
    QCOMPARE(names(all.at(0).subViews), (QStringList{"A1", "A2", "A-none"}));
    QCOMPARE(all.at(0).subViews.at(2).areaType, kAbsent);
    const QList<View> named = all.at(1).subViews;
    QCOMPARE(names(named), (QStringList{"北京电信", "天津电信"}));
    QCOMPARE(named.at(0).viewID, 21);
    QCOMPARE(named.at(0).areaType, kAbsent);
    QCOMPARE(readAllViews(parse("[1]")).size(), 0);
}

void TestReplyReaders::lineFilter_data()
{
    QTest::addColumn<QString>("viewType");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("1,2: parents in list order, allowed subs after each")
        << QStringLiteral("1,2") << QStringList{"默认", "A1", "A2", "电信", "E-dup"};
    QTest::newRow("1 alone") << QStringLiteral("1") << QStringList{"默认", "A1", "E-dup"};
    // Named sub-lines carry no area type; sub-lines of a parent not allowed are never seen.
    QTest::newRow("2 alone") << QStringLiteral("2") << QStringList{"电信"};
    QTest::newRow("absent type never matches") << QStringLiteral("-7726") << QStringList{};
    QTest::newRow("empty pieces dropped") << QStringLiteral(",3,,") << QStringList{"SEO"};
    QTest::newRow("pieces compared as written") << QStringLiteral(" 1") << QStringList{};
}

void TestReplyReaders::lineFilter()
{
    QFETCH(QString, viewType);
    QFETCH(QStringList, expected);
    const QList<View> flat = filterViewsByType(readAllViews(parse(kAllViews)), viewType);
    QCOMPARE(names(flat), expected);
    for (const View &v : flat)
        QVERIFY(v.subViews.isEmpty());
}

void TestReplyReaders::findViewWalkOrder()
{
    const QList<View> all = readAllViews(parse(kAllViews));
    // 11 is a sub-line of the first parent and a later parent: walk order wins.
    QCOMPARE(findView(all, 11).viewName, QStringLiteral("A1"));
    QCOMPARE(findView(all, 22).viewName, QStringLiteral("天津电信"));
    const View unknown = findView(all, 999);
    QCOMPARE(unknown.viewName, QString());
    QCOMPARE(unknown.viewID, 0);
    QCOMPARE(unknown.areaType, kAbsent);
}

void TestReplyReaders::positiveIds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty") << QString() << QStringList{};
    QTest::newRow("mixed") << QStringLiteral("12,,abc,0,34,-5,3.5,") << QStringList{"12", "34"};
    QTest::newRow("piece kept as written") << QStringLiteral("007") << QStringList{"007"};
    QTest::newRow("too big for an int") << QStringLiteral("99999999999") << QStringList{};
}

void TestReplyReaders::positiveIds()
{
    QFETCH(QString, text);
    QFETCH(QStringList, pieces);
    QStringList got;
    for (const IdPiece &p : ::positiveIds(text)) {
        QCOMPARE(p.id, p.text.toInt());
        got.append(p.text);
    }
    QCOMPARE(got, pieces);
}

void TestReplyReaders::noticeRewrite_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("expected");
    QTest::newRow("relative source used twice, slash doubled")
        << QString::fromUtf8(R"(<p><img src="/up/a.png"></p><img alt="x" src="/up/a.png">)")
        << QString::fromUtf8(R"(<p><img src="https://svc//up/a.png"></p>)"
                             R"(<img alt="x" src="https://svc//up/a.png">)");
    QTest::newRow("http source left alone")
        << QString::fromUtf8(R"(<img src="http://cdn/a.png"><img src="b.png">)")
        << QString::fromUtf8(R"(<img src="http://cdn/a.png"><img src="https://svc/b.png">)");
    QTest::newRow("tag over several lines")
        << QStringLiteral("<img\nclass=\"c\"\n src=\"x.gif\">")
        << QStringLiteral("<img\nclass=\"c\"\n src=\"https://svc/x.gif\">");
    QTest::newRow("minimal source up to the first quote")
        << QString::fromUtf8(R"(<img src="a.png" title="t">)")
        << QString::fromUtf8(R"(<img src="https://svc/a.png" title="t">)");
    QTest::newRow("source text replaced everywhere")
        << QString::fromUtf8(R"(see a.png: <img src="a.png">)")
        << QString::fromUtf8(R"(see https://svc/a.png: <img src="https://svc/a.png">)");
    QTest::newRow("empty source left alone")
        << QString::fromUtf8(R"(<img src=""> ok)") << QString::fromUtf8(R"(<img src=""> ok)");
    QTest::newRow("line breaks") << QStringLiteral("a<br>b<br/>c<br class=\"x\" />d<br\n/>e")
                                 << QStringLiteral("a<br>b<br/>c<br />d<br\n/>e");
    QTest::newRow("line break minimal")
        << QStringLiteral("<br a/>x<br b/>") << QStringLiteral("<br />x<br />");
}

void TestReplyReaders::noticeRewrite()
{
    QFETCH(QString, content);
    QFETCH(QString, expected);
    QCOMPARE(rewriteNoticeHtml(content, QStringLiteral("https://svc")), expected);
}

void TestReplyReaders::hostileNoticeEnds()
{
    // A prefix that does not start with "http" would be rewritten again at every step, since
    // the rewrite lands before the search position; each image is rewritten at most once.
    const QString content = QString::fromUtf8(R"(x <img src="x"><img src="y">)");
    QCOMPARE(rewriteNoticeHtml(content, QStringLiteral("p")),
             QString::fromUtf8(R"(p/x <img src="p/x"><img src="p/y">)"));
}

void TestReplyReaders::noticeGrowthBounded()
{
    // Image sources that are pieces of the service's own address are found again inside every
    // address inserted before them: 600 bytes of such images grew into 28 million characters.
    const QString base = QStringLiteral("https://api.halvik.example");
    const QString prefix = base + QLatin1Char('/');
    // Pieces of the tag itself would break the tags that follow.
    const QRegularExpression tagText(QStringLiteral("[imgsrc\"<> ]"));
    QString content;
    for (int length = 1; length <= 3; ++length) {
        for (int i = 0; i + length <= prefix.size(); ++i) {
            const QString piece = prefix.mid(i, length);
            if (!piece.contains(tagText) && !piece.startsWith(QLatin1String("ht")))
                content += QStringLiteral("<img src=\"") + piece + QStringLiteral("\">");
        }
    }
    const QString html = rewriteNoticeHtml(content, base);
    QVERIFY(html.contains(prefix));
    QVERIFY2(html.size() <= content.size() * (prefix.size() + 1),
             qPrintable(QString::number(html.size())));
}

QTEST_GUILESS_MAIN(TestReplyReaders)
#include "tst_replyreaders.moc"
