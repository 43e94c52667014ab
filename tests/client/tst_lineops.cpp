#include "tests/support/ApiTestUtil.h"

#include <QtTest>

using namespace apitest;

namespace {

const QString kViews = QStringLiteral("/api/service/allviews/");

CannedReply lineList()
{
    auto line = [](int id, int area, const char *name, const QJsonValue &subs) {
        QJsonObject o{{QStringLiteral("viewID"), id},
                      {QStringLiteral("areaType"), area},
                      {QStringLiteral("viewName"), QString::fromUtf8(name)}};
        if (!subs.isUndefined())
            o.insert(QStringLiteral("subViews"), subs);
        return o;
    };
    const QJsonArray arraySubs{line(11, 2, "sub-2", QJsonValue::Undefined),
                               line(12, 1, "sub-1", QJsonValue::Undefined)};
    const QJsonObject namedSubs{{QStringLiteral("21"), QStringLiteral("named")}};
    return ok(QJsonObject{{QStringLiteral("a"), line(1, 1, "one", arraySubs)},
                          {QStringLiteral("b"), line(2, 2, "two", namedSubs)},
                          {QStringLiteral("c"), line(3, 3, "three", QJsonValue::Undefined)}});
}

QStringList names(const QList<View> &views)
{
    QStringList out;
    for (const View &v : views)
        out.append(v.viewName);
    return out;
}

} // namespace

// The service's line list: fetched once, filtered per package, cached by the exact text.
class TestLineOps : public QObject
{
    Q_OBJECT
private slots:
    void cachedByExactText();
    void failureCachesNothing();
    void unknownLine();
};

void TestLineOps::cachedByExactText()
{
    TestHttpsServer server;
    server.setReply(kViews, lineList());
    User user;
    pointAt(user, server);

    QCOMPARE(names(user.getTaoCanView_2(QStringLiteral("1,2"))),
             (QStringList{"one", "sub-2", "sub-1", "two"}));
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(server.requests().first().keys.contains("timestamp"));
    QCOMPARE(user.allViews.size(), 3);
    QCOMPARE(user.allViews.at(1).subViews.at(0).viewID, 21); // read, but never passes a filter

    QCOMPARE(names(user.getTaoCanView_2(QStringLiteral("1,2"))).size(), 4);
    QCOMPARE(names(user.getTaoCanView_2(QStringLiteral("2,1"))).size(), 4);
    QCOMPARE(names(user.getTaoCanView_2(QString())), (QStringList{"one", "sub-1"}));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(user.viewsByType.keys(), (QStringList{"1", "1,2", "2,1"}));

    // A cached entry is returned as stored, even when the full list changed meanwhile.
    user.allViews.clear();
    user.allViews.append(View{QStringLiteral("other"), 9, 1, {}});
    QCOMPARE(names(user.getTaoCanView_2(QStringLiteral("1"))), (QStringList{"one", "sub-1"}));
}

void TestLineOps::failureCachesNothing()
{
    TestHttpsServer server;
    server.setReplies(kViews, {broken(), lineList()});
    User user;
    pointAt(user, server);
    RecordingPresenter boxes;
    QVERIFY(user.getTaoCanView_2().isEmpty());
    QVERIFY(user.allViews.isEmpty());
    QVERIFY(user.viewsByType.isEmpty());
    QCOMPARE(boxes.contents().size(), 1);
    QCOMPARE(names(user.getTaoCanView_2()), (QStringList{"one", "sub-1"}));
    QCOMPARE(server.requests().size(), 2);
}

void TestLineOps::unknownLine()
{
    User user;
    const QList<View> lines{
        View{QStringLiteral("one"), 1, 1, {View{QStringLiteral("s"), 5, 1, {}}}},
        View{QStringLiteral("five"), 5, 1, {}}};
    QCOMPARE(user.getVID2V(lines, 5).viewName, QStringLiteral("s"));
    const View none = user.getVID2V(lines, 77);
    QVERIFY(none.viewName.isEmpty());
    QCOMPARE(none.areaType, kAbsent);
}

QTEST_GUILESS_MAIN(TestLineOps)
#include "tst_lineops.moc"
