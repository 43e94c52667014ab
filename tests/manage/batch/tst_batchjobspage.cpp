#include "app/AppGlobals.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "localservice/server/Faults.h"
#include "localservice/server/LocalService.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/shared/PageJobRunner.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/StyleHistory.h"
#include "tests/support/WindowHarness.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const QString kDemo = QStringLiteral("halvik-demo.com");
const QString kRed = QStringLiteral("border:2px solid #f00");

template <typename T>
T *part(QLineEdit *host, const char *name)
{
    return BatchRowTable::part<T>(host, name);
}

void chooseType(QComboBox *combo, const QString &type)
{
    const int index = combo->findData(type);
    QVERIFY(index >= 0);
    combo->setCurrentIndex(index);
}

// Fills an add or delete row.
void setRow(QLineEdit *host, const QString &hostText, const QString &type, const QString &value,
            const QString &ttl = QString())
{
    host->setText(hostText);
    chooseType(part<QComboBox>(host, "typew"), type);
    part<QLineEdit>(host, "valuew")->setText(value);
    if (auto *ttlEdit = part<QLineEdit>(host, "ttlw"))
        ttlEdit->setText(ttl);
}

} // namespace

Q_DECLARE_METATYPE(BatchKind)

// The batch page against the stand-in service: start checks, the three jobs and their result
// lines, stopping, and the hand-over from the record page.
class TestBatchJobsPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startChecksInOrder();
    void addJob();
    void deleteJob();
    void editJob();
    void stopAfterThirdOfTenThenStopAgain();
    void deadNetworkGivesUpAfterThree();
    void recordPageFillsAtMostFiveRows();
    void rowKeyboard_data();
    void rowKeyboard();

private:
    BatchJobsPage &page() { return h.window->batchJobsPage(); }
    QList<QLineEdit *> rows(BatchKind kind) { return page().rows(kind).rows(); }
    // Leaves the tab with count empty rows.
    QList<QLineEdit *> freshRows(BatchKind kind, int count);
    void setDomains(const QString &text);
    QStringList lines(const char *name);
    QWidget *shownInput(BatchKind kind);
    // The domain's records as the service has them now.
    StableList<Record> &records(const QString &domain);

    WindowHarness h;
};

void TestBatchJobsPage::init()
{
    h.init();
    QVERIFY(h.startService());
    QVERIFY(h.signIn());
    // Shown, so that focus can be checked.
    h.openManagement();
    h.widget<QPushButton>("commandLinkButton_2")->click();
}

void TestBatchJobsPage::cleanup()
{
    h.cleanup();
}

QList<QLineEdit *> TestBatchJobsPage::freshRows(BatchKind kind, int count)
{
    for (QLineEdit *host : rows(kind))
        part<QPushButton>(host, "btnC")->click();
    const char *button = kind == BatchKind::Add    ? "pushButton_bataddnew"
                         : kind == BatchKind::Edit ? "pushButton_bateditnew"
                                                   : "pushButton_batdelnew";
    for (int i = 0; i < count; ++i)
        h.widget<QPushButton>(button)->click();
    return rows(kind);
}

void TestBatchJobsPage::setDomains(const QString &text)
{
    h.widget<QPlainTextEdit>("plainTextEdit_2")->setPlainText(text);
}

QStringList TestBatchJobsPage::lines(const char *name)
{
    const QString text = h.widget<QTextEdit>(name)->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

StableList<Record> &TestBatchJobsPage::records(const QString &domain)
{
    User &user = theUser();
    Domain *dm = user.domain2ptr(domain);
    if (!dm)
        qFatal("no domain");
    user.getRecord(dm);
    return dm->records;
}

void TestBatchJobsPage::startChecksInOrder()
{
    auto *domains = h.widget<QPlainTextEdit>("plainTextEdit_2");
    auto *start = h.widget<QPushButton>("pushButton_dobatadd");
    // The first show left one empty row.
    QCOMPARE(rows(BatchKind::Add).size(), 1);

    setDomains(QStringLiteral("  \n\t\n"));
    StyleHistory domainsStyles(domains);
    start->click();
    QCOMPARE(h.boxes->contents(), QStringList{"请输入欲操作的域名"});
    QCOMPARE(h.boxes->shown.last().title, QString());
    QCOMPARE(h.boxes->shown.last().buttonMode, 1);
    QTRY_VERIFY(domainsStyles.styles.contains(kRed));
    QCOMPARE(QApplication::focusWidget(), domains);

    setDomains(QStringLiteral(" halvik-demo.com\nhalvik-demo.com \n\n"));
    freshRows(BatchKind::Add, 0);
    start->click();
    QCOMPARE(h.boxes->shown.last().content, QStringLiteral("请点击‘新增解析’按钮"));
    // The list was cleaned for the start.
    QCOMPARE(domains->toPlainText(), kDemo);

    const QList<QLineEdit *> added = freshRows(BatchKind::Add, 2);
    setRow(added.at(0), QString(), QStringLiteral("A"), QStringLiteral("198.51.100.7"));
    setRow(added.at(1), QString(), QStringLiteral("A"), QStringLiteral("  "), QStringLiteral("60"));
    auto *missing = part<QLineEdit>(added.at(1), "valuew");
    // New rows come into view with the next round of events; only then can they take focus.
    QTRY_VERIFY(missing->isVisible());
    StyleHistory missingStyles(missing);
    start->click();
    QCOMPARE(h.boxes->shown.last().content, QStringLiteral("请输入记录值"));
    QCOMPARE(h.boxes->count(), 3);
    QCOMPARE(QApplication::focusWidget(), missing);
    QTRY_VERIFY(missingStyles.styles.contains(kRed));
    // The fix-ups stay in the editors although nothing started.
    QCOMPARE(added.at(0)->text(), QStringLiteral("@"));
    QCOMPARE(part<QLineEdit>(added.at(0), "ttlw")->text(), QStringLiteral("600"));
    QCOMPARE(added.at(1)->text(), QStringLiteral("@"));
    QCOMPARE(part<QLineEdit>(added.at(1), "ttlw")->text(), QStringLiteral("60"));
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget_batadd")->currentWidget(),
             h.widget<QWidget>("page_batadd1"));

    // A value the record editor refuses is refused here too, with the row named; nothing is
    // sent.
    missing->setText(QStringLiteral("www.example.com"));
    start->click();
    QCOMPARE(h.boxes->shown.last().content, QStringLiteral("第 2 行：IP格式有误"));
    QCOMPARE(h.boxes->count(), 4);
    QCOMPARE(QApplication::focusWidget(), missing);
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget_batadd")->currentWidget(),
             h.widget<QWidget>("page_batadd1"));
    auto *ttl = part<QLineEdit>(added.at(1), "ttlw");
    missing->setText(QStringLiteral("192.0.2.1"));
    ttl->setText(QStringLiteral("c"));
    start->click();
    QCOMPARE(h.boxes->shown.last().content, QStringLiteral("第 2 行：TTL须为1到604800之间的整数"));
    QCOMPARE(QApplication::focusWidget(), ttl);
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget_batadd")->currentWidget(),
             h.widget<QWidget>("page_batadd1"));

    // The MX rule of a type combo.
    auto *type = part<QComboBox>(added.at(0), "typew");
    auto *mx = part<QLineEdit>(added.at(0), "mxw");
    QCOMPARE(mx->text(), QStringLiteral("-"));
    QVERIFY(!mx->isEnabled());
    chooseType(type, QStringLiteral("MX"));
    QCOMPARE(mx->text(), QStringLiteral("10"));
    QVERIFY(mx->isEnabled());
    chooseType(type, QStringLiteral("TXT"));
    QCOMPARE(mx->text(), QStringLiteral("-"));
    QVERIFY(!mx->isEnabled());
}

void TestBatchJobsPage::addJob()
{
    // Every tab says how many domains a start goes through, as the list will be cleaned.
    setDomains(QStringLiteral(" harbor-demo.com\n\nharbor-demo.com \nhalvik-demo.com"));
    for (const char *count : {"batadd_count", "batedit_count", "batdel_count"})
        QCOMPARE(h.widget<QLabel>(count)->text(), QStringLiteral("将操作 2 个域名"));
    setDomains(QStringLiteral("halvik-demo.com\nnowhere-x.com\nharbor-demo.com"));
    QCOMPARE(h.widget<QLabel>("batadd_count")->text(), QStringLiteral("将操作 3 个域名"));
    const QList<QLineEdit *> added = freshRows(BatchKind::Add, 3);
    setRow(added.at(0), QStringLiteral("bat"), QStringLiteral("A"), QStringLiteral("198.51.100.7"));
    // Passes the row checks; the service refuses it.
    setRow(added.at(1), QStringLiteral("bad"), QStringLiteral("A"), QStringLiteral("198.51.100.8"),
           QStringLiteral("30"));
    setRow(added.at(2), QStringLiteral("mail"), QStringLiteral("MX"),
           QStringLiteral("mx9.example.net"), QStringLiteral("3600"));
    h.widget<QPushButton>("pushButton_dobatadd")->click();

    QCOMPARE(lines("textEdit_7"),
             (QStringList{
                 "bat.halvik-demo.com A     198.51.100.7    默认   -  600  成功",
                 "mail.halvik-demo.com MX    mx9.example.net 默认   10 3600 成功",
                 "bat.harbor-demo.com A     198.51.100.7    默认   -  600  成功",
                 "mail.harbor-demo.com MX    mx9.example.net 默认   10 3600 成功",
             }));
    QCOMPARE(
        lines("textEdit_6"),
        (QStringList{
            "bad.halvik-demo.com A     198.51.100.8    默认   -  30    当前版本限制TTL最小必须是60",
            "找不到域名 nowhere-x.com",
            "bad.harbor-demo.com A     198.51.100.8    默认   -  30    当前版本限制TTL最小必须是60",
        }));
    // The empty TTL was sent as "600" and shows so.
    QCOMPARE(part<QLineEdit>(added.at(0), "ttlw")->text(), QStringLiteral("600"));
    bool found = false;
    for (const Record &r : records(kDemo)) {
        if (r.host == QLatin1String("bat")) {
            found = true;
            QCOMPARE(r.type, QStringLiteral("A"));
            QCOMPARE(r.ttl, 600);
        }
    }
    QVERIFY(found);
    QCOMPARE(h.widget<QLabel>("label_fp_loading1")->text(), QStringLiteral("3 / 3"));
    QVERIFY(h.widget<QWidget>("frame_loading1")->isHidden());
    QCOMPARE(h.boxes->count(), 0);

    // Return and continue: one empty row on the input page.
    h.widget<QPushButton>("pushButton_43")->click();
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget_batadd")->currentWidget(),
             h.widget<QWidget>("page_batadd1"));
    QCOMPARE(rows(BatchKind::Add).size(), 1);
    QVERIFY(rows(BatchKind::Add).first()->text().isEmpty());
}

void TestBatchJobsPage::deleteJob()
{
    User &user = theUser();
    Domain *dm = user.domain2ptr(kDemo);
    // Two MX records that differ only by the final dot: one row matches both.
    QVERIFY(user.addRecord(dm, QStringLiteral("mail.halvik-demo.com"), QStringLiteral("MX"),
                           QStringLiteral("0"), QStringLiteral("two")));
    QVERIFY(user.addRecord(dm, QStringLiteral("mail.halvik-demo.com."), QStringLiteral("MX"),
                           QStringLiteral("0"), QStringLiteral("two")));

    setDomains(kDemo);
    h.widget<QTabWidget>("tabWidget_bat")->setCurrentWidget(h.widget<QWidget>("tab_batdel"));
    const QList<QLineEdit *> del = freshRows(BatchKind::Delete, 3);
    setRow(del.at(0), QStringLiteral("www"), QStringLiteral("CNAME"),
           QStringLiteral("halvik-demo.com.cdn.example.net"));
    setRow(del.at(1), QStringLiteral("two"), QStringLiteral("MX"),
           QStringLiteral("mail.halvik-demo.com"));
    setRow(del.at(2), QStringLiteral("none"), QStringLiteral("A"), QStringLiteral("192.0.2.1"));
    h.widget<QPushButton>("pushButton_dobatdel")->click();

    // The CNAME value took its final dot in the editor.
    QCOMPARE(part<QLineEdit>(del.at(0), "valuew")->text(),
             QStringLiteral("halvik-demo.com.cdn.example.net."));
    QCOMPARE(lines("textEdit_11"),
             (QStringList{
                 "www.halvik-demo.com CNAME halvik-demo.com.cdn.example.net. 默认   删除成功",
                 "two.halvik-demo.com MX    mail.halvik-demo.com 默认   删除成功",
                 "two.halvik-demo.com MX    mail.halvik-demo.com 默认   删除成功",
             }));
    QCOMPARE(lines("textEdit_10"),
             QStringList{"none.halvik-demo.com A     192.0.2.1       默认   未找到"});
    for (const Record &r : records(kDemo))
        QVERIFY2(r.host != QLatin1String("www") && r.host != QLatin1String("two"),
                 qPrintable(r.host));
}

void TestBatchJobsPage::editJob()
{
    setDomains(kDemo);
    h.widget<QTabWidget>("tabWidget_bat")->setCurrentWidget(h.widget<QWidget>("tab_batedit"));
    const QList<QLineEdit *> edit = freshRows(BatchKind::Edit, 2);
    edit.at(0)->setText(QStringLiteral("old"));
    chooseType(part<QComboBox>(edit.at(0), "typew1"), QStringLiteral("A"));
    part<QLineEdit>(edit.at(0), "valuew1")->setText(QStringLiteral("203.0.113.99"));
    part<QLineEdit>(edit.at(0), "rdw2")->setText(QStringLiteral("older"));
    part<QLineEdit>(edit.at(0), "ttlw2")->setText(QStringLiteral("1200"));
    edit.at(1)->setText(QStringLiteral("gone"));
    part<QLineEdit>(edit.at(1), "valuew1")->setText(QStringLiteral("192.0.2.9"));
    h.widget<QPushButton>("pushButton_dobatedit")->click();

    // The empty new value took the old one.
    QCOMPARE(part<QLineEdit>(edit.at(0), "valuew2")->text(), QStringLiteral("203.0.113.99"));
    QCOMPARE(lines("textEdit_9"),
             (QStringList{"old.halvik-demo.com A     203.0.113.99    默认  ",
                          "  -> older.halvik-demo.com A     203.0.113.99    默认   - 1200"}));
    QCOMPARE(lines("textEdit_8"),
             QStringList{"gone.halvik-demo.com A     192.0.2.9       默认   未找到"});
    int older = 0;
    for (const Record &r : records(kDemo)) {
        QVERIFY(r.host != QLatin1String("old"));
        if (r.host == QLatin1String("older")) {
            ++older;
            QCOMPARE(r.value, QStringLiteral("203.0.113.99"));
            QCOMPARE(r.ttl, 1200);
        }
    }
    QCOMPARE(older, 1);
}

void TestBatchJobsPage::stopAfterThirdOfTenThenStopAgain()
{
    const User &user = theUser();
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten.append(user.domains.at(i).name);
    setDomains(ten.join('\n'));
    setRow(freshRows(BatchKind::Add, 1).first(), QStringLiteral("stop"), QStringLiteral("A"),
           QStringLiteral("198.51.100.9"));

    // The third request is slow; the stop click comes while it waits.
    const QString createPath = QStringLiteral("/api/record/create/");
    Fault slow;
    slow.delayMs = 1500;
    slow.skip = 2;
    slow.times = 1;
    h.service->setFault(createPath, slow);
    auto *stop = h.widget<QPushButton>("pushButton_f_loading1");
    h.whenStruck(createPath, 1, [stop] { stop->click(); });
    h.widget<QPushButton>("pushButton_dobatadd")->click();

    QCOMPARE(lines("textEdit_7").size(), 3);
    QCOMPARE(lines("textEdit_7").at(2).left(ten.at(2).size() + 5), "stop." + ten.at(2));
    QCOMPARE(h.widget<QLabel>("label_fp_loading1")->text(), QStringLiteral("3 / 10"));
    QCOMPARE(stop->text(), QStringLiteral("请稍候..."));
    QVERIFY(h.widget<QWidget>("frame_loading1")->isHidden());
    QVERIFY(h.widget<QPushButton>("pushButton_43")->isEnabled());
    const int clicks = page().runner(BatchKind::Add).stopRequests();
    QCOMPARE(clicks, 1);

    // A second job on the same tab: one click still stops it, and reaches one handler.
    h.widget<QPushButton>("pushButton_43")->click();
    setRow(rows(BatchKind::Add).first(), QStringLiteral("again"), QStringLiteral("A"),
           QStringLiteral("198.51.100.9"));
    slow.skip = 0;
    h.service->setFault(createPath, slow);
    h.whenStruck(createPath, 1, [stop] { stop->click(); });
    h.widget<QPushButton>("pushButton_dobatadd")->click();

    QCOMPARE(lines("textEdit_7").size(), 1);
    QCOMPARE(h.widget<QLabel>("label_fp_loading1")->text(), QStringLiteral("1 / 10"));
    QCOMPARE(page().runner(BatchKind::Add).stopRequests(), clicks + 1);
}

// Creates that never get an answer: the job gives up at the third, says where, and journals
// the domains after it as skipped instead of waiting out each one's time limit.
void TestBatchJobsPage::deadNetworkGivesUpAfterThree()
{
    const User &user = theUser();
    QStringList five;
    for (int i = 0; five.size() < 5 && i < user.domains.size(); ++i) {
        if (user.domains.at(i).state == 0 && user.domains.at(i).userLock == 0)
            five.append(user.domains.at(i).name);
    }
    QCOMPARE(five.size(), 5);
    setDomains(five.join('\n'));
    setRow(freshRows(BatchKind::Add, 1).first(), QStringLiteral("dead"), QStringLiteral("A"),
           QStringLiteral("198.51.100.9"));
    const QString createPath = QStringLiteral("/api/record/create/");
    Fault drop;
    drop.kind = FaultKind::Drop;
    h.service->setFault(createPath, drop);
    h.widget<QPushButton>("pushButton_dobatadd")->click();
    QCOMPARE(h.service->service().faults().struck(createPath), 3);
    h.service->clearFaults();

    const QStringList failures = lines("textEdit_6");
    // Two domains not run, and the line that says where the job stopped.
    const QStringList notRun = failures.filter(QStringLiteral("第 3/5 个域名处停止"));
    QCOMPARE(notRun.size(), 3);
    QVERIFY(notRun.at(0).startsWith(QStringLiteral("dead.") + five.at(3)));
    QVERIFY(failures.last().startsWith(QStringLiteral("服务连续 3 次无应答")));
    Journal journal;
    QVERIFY(journal.open(Journal::defaultPath()));
    const JournalJob job = journal.jobs().first();
    QCOMPARE(job.state, JobState::Stopped);
    QCOMPARE(job.counts.value(StepStatus::Unknown), 3);
    QCOMPARE(job.counts.value(StepStatus::Skipped), 2);
}

void TestBatchJobsPage::recordPageFillsAtMostFiveRows()
{
    h.widget<QPushButton>("commandLinkButton")->click();
    const StableList<Record> &all = records(kDemo);
    QVERIFY(all.size() >= 7);
    QList<QSharedPointer<Record>> ticked;
    for (int i = 0; i < 7; ++i)
        ticked.append(all.shared(i));
    const Record &first = *ticked.first();
    setDomains(QStringLiteral("other.com"));

    page().editRecords(kDemo, ticked);

    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(),
             h.widget<QWidget>("page_bat3"));
    QCOMPARE(h.widget<QTabWidget>("tabWidget_bat")->currentWidget(),
             h.widget<QWidget>("tab_batedit"));
    QCOMPARE(h.widget<QPlainTextEdit>("plainTextEdit_2")->toPlainText(), kDemo);
    const QList<QLineEdit *> edit = rows(BatchKind::Edit);
    QCOMPARE(edit.size(), 5);
    for (int i = 0; i < edit.size(); ++i) {
        const Record &r = *ticked.at(i);
        QLineEdit *host = edit.at(i);
        QCOMPARE(host->text(), r.host);
        QCOMPARE(part<QLineEdit>(host, "rdw2")->text(), r.host);
        QCOMPARE(part<QComboBox>(host, "typew1")->currentData().toString(), r.type);
        QCOMPARE(part<QComboBox>(host, "typew2")->currentData().toString(), r.type);
        QCOMPARE(part<QPushButton>(host, "xianluw1")->text(), r.view.viewName);
        QCOMPARE(part<QPushButton>(host, "xianluw2")->text(), r.view.viewName);
        QCOMPARE(part<QLineEdit>(host, "valuew1")->text(), r.value);
        QCOMPARE(part<QLineEdit>(host, "valuew2")->text(), r.value);
        QCOMPARE(part<QLineEdit>(host, "mxw2")->text(),
                 r.mx > 0 ? QString::number(r.mx) : QStringLiteral("-"));
        QCOMPARE(part<QLineEdit>(host, "ttlw2")->text(), QString::number(r.ttl));
    }
    QCOMPARE(part<QPushButton>(edit.at(1), "xianluw1")->text(), QStringLiteral("电信"));
    QCOMPARE(first.host, QStringLiteral("@"));

    // Fewer records than rows: the extra rows go.
    page().editRecords(kDemo, ticked.mid(0, 2));
    QCOMPARE(rows(BatchKind::Edit).size(), 2);

    // None ticked: the add tab, and the edit tab back to one empty row.
    page().editRecords(kDemo, {});
    QCOMPARE(h.widget<QTabWidget>("tabWidget_bat")->currentWidget(),
             h.widget<QWidget>("tab_batadd"));
    QCOMPARE(rows(BatchKind::Edit).size(), 1);
    QVERIFY(rows(BatchKind::Edit).first()->text().isEmpty());
}

void TestBatchJobsPage::rowKeyboard_data()
{
    QTest::addColumn<BatchKind>("kind");
    QTest::addColumn<QStringList>("order"); // the row's parts as Tab reaches them; "" the host
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("add") << BatchKind::Add
                         << QStringList{"", "typew", "xianluw", "valuew", "mxw", "ttlw"}
                         << QStringList{"mxw", "ttlw"};
    QTest::newRow("edit") << BatchKind::Edit
                          << QStringList{"",       "typew1",   "xianluw1", "valuew1", "rdw2",
                                         "typew2", "xianluw2", "valuew2",  "mxw2",    "ttlw2"}
                          << QStringList{"mxw2", "ttlw2"};
}

// A row of a batch tab as a keyboard user meets it: Tab follows the row on screen (MX and TTL
// were made first and came right after the host), and MX and TTL take digits only.
void TestBatchJobsPage::rowKeyboard()
{
    QFETCH(BatchKind, kind);
    QFETCH(QStringList, order);
    QFETCH(QStringList, numbers);
    h.widget<QTabWidget>("tabWidget_bat")->setCurrentIndex(static_cast<int>(kind));
    QLineEdit *host = freshRows(kind, 1).first();
    QList<QWidget *> parts;
    for (const QString &name : order)
        parts.append(name.isEmpty() ? host : part<QWidget>(host, qPrintable(name)));
    QWidget *at = host;
    for (int i = 1; i < parts.size(); ++i) {
        QWidget *next = at->nextInFocusChain();
        while (next != parts.at(i) &&
               (parts.at(i - 1)->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        QVERIFY2(next == parts.at(i), qPrintable(order.at(i)));
        at = next;
    }
    for (const QString &name : numbers) {
        auto *field = part<QLineEdit>(host, qPrintable(name));
        field->setEnabled(true);
        field->clear();
        QTest::keyClicks(field, "c6a0");
        QCOMPARE(field->text(), QStringLiteral("60"));
    }
}

QTEST_MAIN(TestBatchJobsPage)
#include "tst_batchjobspage.moc"
