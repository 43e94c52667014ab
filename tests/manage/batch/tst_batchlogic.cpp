#include "client/journal/JobRunner.h"
#include "client/plan/BatchPlanner.h"
#include "client/plan/NameLines.h"
#include "client/plan/RecordMatch.h"
#include "manage/batch/BatchResultLines.h"
#include "manage/batch/BatchStartChecks.h"

#include <QtTest>

Q_DECLARE_METATYPE(BatchKind)
Q_DECLARE_METATYPE(StartCheck::Outcome)
Q_DECLARE_METATYPE(BatchRowTexts)

namespace {

Record record(const QString &type, const QString &host, int lineID, const QString &value)
{
    Record r;
    r.type = type;
    r.host = host;
    r.lineID = lineID;
    r.value = value;
    return r;
}

BatchRowTexts plainRow(const QString &host, const QString &type, const QString &value,
                       const QString &ttl = QString())
{
    BatchRowTexts t;
    t.host = host;
    t.type = type;
    t.value = value;
    t.ttl = ttl;
    return t;
}

BatchRowTexts editRow(const QString &host, const QString &type, const QString &value,
                      const QString &newHost, const QString &newValue, const QString &newTtl)
{
    BatchRowTexts t = plainRow(host, type, value);
    t.newType = type;
    t.newHost = newHost;
    t.newValue = newValue;
    t.newTtl = newTtl;
    return t;
}

bool sameTexts(const BatchRowTexts &a, const BatchRowTexts &b)
{
    return a.host == b.host && a.type == b.type && a.value == b.value && a.ttl == b.ttl &&
           a.newHost == b.newHost && a.newValue == b.newValue && a.newTtl == b.newTtl;
}

const QString kDomain = QStringLiteral("example.com");

} // namespace

// The batch jobs' logic without a window: name lists, start checks, record matching and the
// result lines.
class TestBatchLogic : public QObject
{
    Q_OBJECT
private slots:
    void domainListCleaning_data();
    void domainListCleaning();
    void namesToAdd_data();
    void namesToAdd();

    void startChecks_data();
    void startChecks();
    void rowsBelowAFailingRowStayAsTheyWere();
    void rowsCheckedLikeTheRecordEditor_data();
    void rowsCheckedLikeTheRecordEditor();

    void matching_data();
    void matching();
    void everyMatchingRecordInOrder();

    void resultLines_data();
    void resultLines();
};

void TestBatchLogic::domainListCleaning_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("cleaned");
    QTest::newRow("duplicates with blanks")
        << " a.com\nb.com\n\n  a.com  \nb.com\t\nc.com " << QStringList{"a.com", "b.com", "c.com"};
    QTest::newRow("first occurrence keeps its place")
        << "b.com\na.com\nb.com" << QStringList{"b.com", "a.com"};
    QTest::newRow("blank lines only") << " \n\t\n  \n" << QStringList{};
    QTest::newRow("one line of blanks") << "    " << QStringList{};
    QTest::newRow("Windows line ends") << "a.com\r\nb.com\r\n" << QStringList{"a.com", "b.com"};
    QTest::newRow("ideographic spaces")
        << QStringLiteral("\u3000a.com\u3000\n\u3000b.com") << QStringList{"a.com", "b.com"};
    QTest::newRow("letter case differs") << "A.com\na.com" << QStringList{"A.com", "a.com"};
}

void TestBatchLogic::domainListCleaning()
{
    QFETCH(QString, text);
    QFETCH(QStringList, cleaned);
    QCOMPARE(cleanDomainList(text), cleaned);
}

void TestBatchLogic::namesToAdd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("blanks at both ends stay")
        << "  a.com\nb.com\n\nc.com  " << QStringList{"  a.com", "b.com", "c.com  "};
    QTest::newRow("duplicates stay") << "a.com\na.com" << QStringList{"a.com", "a.com"};
    QTest::newRow("blank lines only") << "\n  \n\t\n" << QStringList{};
    QTest::newRow("one line of blanks") << "   " << QStringList{};
    QTest::newRow("blanks around breaks go")
        << "a.com  \n  \n  b.com" << QStringList{"a.com", "b.com"};
}

void TestBatchLogic::namesToAdd()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(::namesToAdd(text), names);
}

void TestBatchLogic::startChecks_data()
{
    QTest::addColumn<BatchKind>("kind");
    QTest::addColumn<QStringList>("domains");
    QTest::addColumn<BatchRowTexts>("row");
    QTest::addColumn<StartCheck::Outcome>("outcome");
    QTest::addColumn<QString>("message");
    QTest::addColumn<BatchRowTexts>("fixed");

    const QStringList one{kDomain};
    const BatchRowTexts complete = plainRow("www", "A", "1.2.3.4", "600");

    // The domain list is checked before anything else, and then that there are rows.
    QTest::newRow("no domains before no rows")
        << BatchKind::Add << QStringList{} << BatchRowTexts() << StartCheck::NoDomains
        << "请输入欲操作的域名" << BatchRowTexts();
    QTest::newRow("no rows, add") << BatchKind::Add << one << BatchRowTexts() << StartCheck::NoRows
                                  << "请点击‘新增解析’按钮" << BatchRowTexts();
    QTest::newRow("no rows, edit")
        << BatchKind::Edit << one << BatchRowTexts() << StartCheck::NoRows << "请点击‘新增修改’按钮"
        << BatchRowTexts();
    QTest::newRow("no rows, delete")
        << BatchKind::Delete << one << BatchRowTexts() << StartCheck::NoRows
        << "请点击‘新增删除’按钮" << BatchRowTexts();

    QTest::newRow("add: host and TTL filled in")
        << BatchKind::Add << one << plainRow("", "A", "1.2.3.4", " ") << StartCheck::Passed
        << QString() << plainRow("@", "A", "1.2.3.4", "600");
    QTest::newRow("add: no value, fix-ups still made")
        << BatchKind::Add << one << plainRow("", "A", "  ", "") << StartCheck::RowIncomplete
        << "请输入记录值" << plainRow("@", "A", "  ", "600");
    QTest::newRow("add: complete row untouched")
        << BatchKind::Add << one << complete << StartCheck::Passed << QString() << complete;

    QTest::newRow("delete: CNAME gets its dot")
        << BatchKind::Delete << one << plainRow("", "CNAME", "cdn.example.net")
        << StartCheck::Passed << QString() << plainRow("@", "CNAME", "cdn.example.net.");
    QTest::newRow("delete: CNAME with dot kept")
        << BatchKind::Delete << one << plainRow("www", "CNAME", "cdn.example.net.")
        << StartCheck::Passed << QString() << plainRow("www", "CNAME", "cdn.example.net.");
    QTest::newRow("delete: MX gets no dot")
        << BatchKind::Delete << one << plainRow("@", "MX", "mx.example.com") << StartCheck::Passed
        << QString() << plainRow("@", "MX", "mx.example.com");
    // A dot alone would pass for a value.
    QTest::newRow("delete: empty CNAME value stays missing")
        << BatchKind::Delete << one << plainRow("www", "CNAME", "") << StartCheck::RowIncomplete
        << "请输入欲删除的记录值" << plainRow("www", "CNAME", "");

    QTest::newRow("edit: hosts, new value and TTL filled in")
        << BatchKind::Edit << one << editRow("", "A", "1.2.3.4", "", "", "  ") << StartCheck::Passed
        << QString() << editRow("@", "A", "1.2.3.4", "@", "1.2.3.4", "600");
    QTest::newRow("edit: CNAME dot on the old value only")
        << BatchKind::Edit << one << editRow("www", "CNAME", "a.example.net", "www", "", "600")
        << StartCheck::Passed << QString()
        << editRow("www", "CNAME", "a.example.net.", "www", "a.example.net", "600");
    QTest::newRow("edit: no old value")
        << BatchKind::Edit << one << editRow("www", "CNAME", "", "", "5.6.7.8", "")
        << StartCheck::RowIncomplete << "请输入欲查找的记录值"
        << editRow("www", "CNAME", "", "@", "5.6.7.8", "600");
}

void TestBatchLogic::startChecks()
{
    QFETCH(BatchKind, kind);
    QFETCH(QStringList, domains);
    QFETCH(BatchRowTexts, row);
    QFETCH(StartCheck::Outcome, outcome);
    QFETCH(QString, message);
    QFETCH(BatchRowTexts, fixed);

    const bool noRows = outcome == StartCheck::NoRows || outcome == StartCheck::NoDomains;
    QList<BatchRowTexts> rows;
    if (!noRows)
        rows.append(row);
    const StartCheck check = checkBatchStart(kind, domains, rows);
    QCOMPARE(check.outcome, outcome);
    QCOMPARE(check.message, message);
    QCOMPARE(check.row, outcome == StartCheck::RowIncomplete ? 0 : -1);
    if (!noRows)
        QVERIFY(sameTexts(rows.first(), fixed));
}

void TestBatchLogic::rowsBelowAFailingRowStayAsTheyWere()
{
    QList<BatchRowTexts> rows{plainRow("", "A", "1.2.3.4"), plainRow("", "A", ""),
                              plainRow("", "A", "")};
    const StartCheck check = checkBatchStart(BatchKind::Add, {kDomain}, rows);
    QCOMPARE(check.outcome, StartCheck::RowIncomplete);
    QCOMPARE(check.row, 1);
    QCOMPARE(rows.at(0).host, QStringLiteral("@"));
    QCOMPARE(rows.at(1).host, QStringLiteral("@"));
    QCOMPARE(rows.at(2).host, QString());
    QCOMPARE(rows.at(2).ttl, QString());
}

void TestBatchLogic::rowsCheckedLikeTheRecordEditor_data()
{
    QTest::addColumn<BatchKind>("kind");
    QTest::addColumn<BatchRowTexts>("row");
    QTest::addColumn<QString>("message"); // after "第 2 行："; empty: the row passes
    QTest::addColumn<QString>("editor");  // the editor focused; empty: the host editor

    BatchRowTexts mx = plainRow("@", "MX", "mx.example.com", "600");
    mx.mx = QStringLiteral("ten");
    BatchRowTexts aWithDash = plainRow("www", "A", "1.2.3.4", "600");
    aWithDash.mx = QStringLiteral("-");
    const BatchRowTexts newTtl = editRow("www", "A", "1.2.3.4", "www", "", "c");
    QTest::newRow("add: a name as an A value")
        << BatchKind::Add << plainRow("www", "A", "www.example.com", "600") << "IP格式有误"
        << "valuew";
    QTest::newRow("add: letters as TTL")
        << BatchKind::Add << plainRow("www", "A", "1.2.3.4", "c") << "TTL须为1到604800之间的整数"
        << "ttlw";
    QTest::newRow("add: MX preference not a number")
        << BatchKind::Add << mx << "MX优先级须为0到65535之间的整数"
        << "mxw";
    QTest::newRow("add: an A row's MX shows -") << BatchKind::Add << aWithDash << ""
                                                << "";
    QTest::newRow("add: an address as a CNAME value")
        << BatchKind::Add << plainRow("www", "CNAME", "192.0.2.1", "600") << "记录值格式错误"
        << "valuew";
    QTest::newRow("delete: a host with a blank")
        << BatchKind::Delete << plainRow("a b", "A", "1.2.3.4") << "主机头格式错误"
        << "";
    QTest::newRow("edit: old value no address")
        << BatchKind::Edit << editRow("www", "A", "x.example.com", "www", "1.2.3.4", "600")
        << "IP格式有误"
        << "valuew1";
    QTest::newRow("edit: new value no address")
        << BatchKind::Edit << editRow("www", "A", "1.2.3.4", "www", "cdn.example.net", "600")
        << "IP格式有误"
        << "valuew2";
    QTest::newRow("edit: new host")
        << BatchKind::Edit << editRow("www", "A", "1.2.3.4", "a b", "", "600") << "主机头格式错误"
        << "rdw2";
    QTest::newRow("edit: letters as new TTL")
        << BatchKind::Edit << newTtl << "TTL须为1到604800之间的整数"
        << "ttlw2";
}

void TestBatchLogic::rowsCheckedLikeTheRecordEditor()
{
    QFETCH(BatchKind, kind);
    QFETCH(BatchRowTexts, row);
    QFETCH(QString, message);
    QFETCH(QString, editor);

    // A good row above: the message names the second.
    BatchRowTexts good = kind == BatchKind::Edit
                             ? editRow("www", "A", "1.2.3.4", "www", "1.2.3.5", "600")
                             : plainRow("www", "A", "1.2.3.4", "600");
    good.mx = QStringLiteral("-");
    QList<BatchRowTexts> rows{good, row};
    const StartCheck check = checkBatchStart(kind, {kDomain}, rows);
    if (message.isEmpty()) {
        QCOMPARE(check.message, QString());
        QVERIFY(check.passed());
        return;
    }
    QCOMPARE(check.outcome, StartCheck::RowInvalid);
    QCOMPARE(check.row, 1);
    QCOMPARE(check.message, QStringLiteral("第 2 行：") + message);
    QCOMPARE(check.editor, editor);
}

void TestBatchLogic::matching_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("lineID");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("matches");

    // Against the record: CNAME "www" on line 7 with "cdn.example.net.".
    QTest::newRow("same") << "CNAME"
                          << "www" << 7 << "cdn.example.net." << true;
    QTest::newRow("row without the dot") << "CNAME"
                                         << "www" << 7 << "cdn.example.net" << true;
    QTest::newRow("type is exact") << "cname"
                                   << "www" << 7 << "cdn.example.net." << false;
    QTest::newRow("other host") << "CNAME"
                                << "ww" << 7 << "cdn.example.net." << false;
    QTest::newRow("other line") << "CNAME"
                                << "www" << 0 << "cdn.example.net." << false;
    QTest::newRow("other value") << "CNAME"
                                 << "www" << 7 << "cdn.example.org." << false;
}

void TestBatchLogic::matching()
{
    QFETCH(QString, type);
    QFETCH(QString, host);
    QFETCH(int, lineID);
    QFETCH(QString, value);
    QFETCH(bool, matches);
    const Record r = record("CNAME", "www", 7, "cdn.example.net.");
    QCOMPARE(recordMatches(r, {type, host, lineID, value}), matches);
}

void TestBatchLogic::everyMatchingRecordInOrder()
{
    RecordList records;
    records.append(record("MX", "@", 0, "mx.example.com"));     // dot added on the record side
    records.append(record("MX", "@", 0, "mx.example.com."));    // as the row has it
    records.append(record("NS", "@", 0, "mx.example.com."));    // other type
    records.append(record("TXT", "@", 0, "mx.example.com"));    // no dots for text
    records.append(record("A", "@", 0, "1.2.3.4"));             // other type
    records.append(record("MX", "mail", 0, "mx.example.com.")); // other host

    const auto mx = matchingRecords(records, {"MX", "@", 0, "mx.example.com."});
    QCOMPARE(mx.size(), 2);
    QCOMPARE(mx.at(0).data(), &records.at(0));
    QCOMPARE(mx.at(1).data(), &records.at(1));

    QCOMPARE(matchingRecords(records, {"TXT", "@", 0, "mx.example.com."}).size(), 0);
    QCOMPARE(matchingRecords(records, {"TXT", "@", 0, "mx.example.com"}).size(), 1);
    // The cached record itself is left as the service sent it.
    QCOMPARE(records.at(0).value, QStringLiteral("mx.example.com"));
}

namespace {

// The lines a previewed run writes for a row that matched nothing.
QString previewedNotFound(BatchRequest::Kind kind)
{
    BatchRequest request;
    request.kind = kind;
    request.match = RecordPattern{"A", "www", 0, "1.2.3.4"};
    Domain dm;
    dm.id = 1;
    dm.name = QStringLiteral("a.cn");
    StepOutcome outcome;
    outcome.domain = dm.name;
    outcome.step = planBatchDomain(request, dm.name, &dm, {}).steps.value(0);
    outcome.status = StepStatus::Skipped;
    outcome.error = outcome.step.problem;
    bool success = true;
    return outcomeLines(outcome, success).join(QLatin1Char('\n'));
}

} // namespace

void TestBatchLogic::resultLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    const RecordLineText shortRow{fullName("www", "a.cn"), "A", "1.2.3.4", "默认"};
    const RecordLineText longRow{fullName("www", "example.com"), "CNAME",
                                 "cdn.example.net.long.name.", "电信"};
    const QString reason = QStringLiteral("记录已存在");

    QTest::newRow("add, success, padded")
        << addResultLine(shortRow, "-", "600")
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   -  600  成功");
    QTest::newRow("add, empty MX shows -")
        << addResultLine(shortRow, "", "600")
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   -  600  成功");
    QTest::newRow("add, failure, two spaces before the reason")
        << addResultLine(shortRow, "10", "3600", &reason)
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   10 3600  记录已存在");
    QTest::newRow("add, long texts never cut")
        << addResultLine(longRow, "-", "600")
        << QStringLiteral("www.example.com CNAME cdn.example.net.long.name. 电信   -  600  成功");
    QTest::newRow("delete, success")
        << recordOutcomeLine(shortRow, QStringLiteral("删除成功"))
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   删除成功");
    QTest::newRow("delete, not found")
        << recordOutcomeLine(shortRow, QStringLiteral("未找到"))
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   未找到");
    // A previewed run writes what "开始删除" and "开始修改" write.
    QTest::newRow("delete, not found, previewed")
        << previewedNotFound(BatchRequest::Delete)
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   未找到");
    QTest::newRow("edit, not found, previewed")
        << previewedNotFound(BatchRequest::Edit)
        << QStringLiteral("www.a.cn       A     1.2.3.4         默认   未找到");
    QTest::newRow("edit, old") << editOldLine(shortRow)
                               << QStringLiteral("www.a.cn       A     1.2.3.4         默认  ");
    QTest::newRow("edit, new") << editNewLine(shortRow, "-", "600")
                               << QStringLiteral(
                                      "  -> www.a.cn       A     1.2.3.4         默认   - 600");
    QTest::newRow("edit, new, failed")
        << editNewLine(shortRow, "-", "600", &reason)
        << QStringLiteral("  -> www.a.cn       A     1.2.3.4         默认   - 600 记录已存在");
    QTest::newRow("unknown domain") << unknownDomainLine(QStringLiteral("nowhere.cn"))
                                    << QStringLiteral("找不到域名 nowhere.cn");
    // A placeholder typed into a value is shown as typed, not filled with a later column.
    QTest::newRow("placeholder in a value")
        << recordOutcomeLine({fullName("t", "a.cn"), "TXT", "%5 %1", "默认"}, "删除成功")
        << QStringLiteral("t.a.cn         TXT   %5 %1           默认   删除成功");
}

void TestBatchLogic::resultLines()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(line, expected);
}

QTEST_GUILESS_MAIN(TestBatchLogic)
#include "tst_batchlogic.moc"
