#include "client/ProcessObjects.h"
#include "client/RecordIdentity.h"
#include "client/User.h"
#include "client/copy/CopyKeeper.h"
#include "client/copy/CopyRefresh.h"
#include "client/copy/HitCsv.h"
#include "client/copy/LocalCopy.h"
#include "client/journal/Journal.h"
#include "localservice/storage/Storage.h"
#include "manage/records/RecordPage.h"
#include "manage/search/HitEditForm.h"
#include "manage/search/SearchHits.h"
#include "manage/search/SearchPage.h"
#include "manage/shared/PlanDialog.h"
#include "manage/shared/PlanView.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The account-wide search page over a local copy of the test's own (never the user's): the
// refresh from the stand-in, queries and their refusals, a hit opening its domain, and ticked
// hits changed together through a previewed, journaled plan.
class TestSearchPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ageText_data();
    void ageText();
    void freshnessText();
    void queryOnSeededCopy_data();
    void queryOnSeededCopy();
    void refreshThenSearchAndOpen_data();
    void refreshThenSearchAndOpen();
    void stopKeepsWhatWasRead();
    void windowClosedDuringRefresh();
    void damagedCopyNoticeShownOnce();
    void editTickedHitsChangesExactlyThose();
    void hitChangedSinceSearchIsAConflict();
    void pausedHitsShownAndAllTicked();
    void headingFollowsTheHits();
    void openHitThenBack();
    void exportHits();

private:
    // Adds "t1" and "t2" with one address and "t3" with another to the demo domain, searches
    // the address and ticks both hits; the keeper has the copy follow the client.
    void tickTwoHits();
    QList<Record> serviceRecords();
    // Opens the form, asks for ttl and returns the plan window (null when none opened).
    PlanDialog *previewTtl(const QString &ttl);
    QList<JournalJob> jobs() const;
    bool openSearch();
    void search(const QString &text, bool contains = false);
    QStringList hitDomains() const;
    QString status() const { return h.widget<QLabel>("label_gstatus")->text(); }
    bool refresh();

    WindowHarness h;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalCopy> m_copy;
    std::unique_ptr<CopyKeeper> m_keeper;
    QList<Record> m_before; // the demo domain's records once the three were added
};

void TestSearchPage::init()
{
    h.init();
    m_dir = std::make_unique<QTemporaryDir>();
    m_copy = std::make_unique<LocalCopy>();
    QVERIFY2(m_copy->open(m_dir->filePath(QStringLiteral("copy.sqlite"))),
             qPrintable(m_copy->errorText()));
    localCopy() = m_copy.get();
}

void TestSearchPage::cleanup()
{
    m_keeper.reset();
    h.cleanup();
    localCopy() = nullptr;
    m_copy.reset();
    m_dir.reset();
}

bool TestSearchPage::openSearch()
{
    if (!h.openDomainPage())
        return false;
    h.window->showSearch();
    return h.widget<QStackedWidget>("stackedWidget")->currentWidget() == h.widget("page_search");
}

void TestSearchPage::search(const QString &text, bool contains)
{
    h.widget<QLineEdit>("lineEdit_gsearch")->setText(text);
    h.widget<QCheckBox>("checkBox_gcontains")->setChecked(contains);
    h.button("pushButton_gsearch")->click();
}

QStringList TestSearchPage::hitDomains() const
{
    QStringList names;
    for (const CopyHit &hit : h.window->searchPage().hits().hits())
        names.append(hit.domain + QLatin1Char(' ') + hit.host + QLatin1Char(' ') + hit.value);
    return names;
}

bool TestSearchPage::refresh()
{
    h.button("pushButton_grefresh")->click();
    // The button comes back when the refresh has finished.
    return QTest::qWaitFor([this] { return h.button("pushButton_grefresh")->isEnabled(); }, 60000);
}

void TestSearchPage::ageText_data()
{
    QTest::addColumn<QDateTime>("fetched");
    QTest::addColumn<QString>("text");
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
    QTest::newRow("never") << QDateTime() << QStringLiteral("从未读取");
    QTest::newRow("seconds") << now.addSecs(-59) << QStringLiteral("刚刚");
    QTest::newRow("clock set back") << now.addSecs(600) << QStringLiteral("刚刚");
    QTest::newRow("minutes") << now.addSecs(-3599) << QStringLiteral("59 分钟前");
    QTest::newRow("hours") << now.addSecs(-7200) << QStringLiteral("2 小时前");
    QTest::newRow("days") << now.addDays(-3) << QStringLiteral("3 天前");
}

void TestSearchPage::ageText()
{
    QFETCH(QDateTime, fetched);
    QFETCH(QString, text);
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
    QCOMPARE(copyAgeText(fetched, now), text);
}

void TestSearchPage::freshnessText()
{
    const QDateTime now(QDate(2026, 5, 1), QTime(12, 0), Qt::UTC);
    QCOMPARE(copyFreshnessText({}, now), QStringLiteral("本地副本: 尚无数据, 请先刷新副本"));
    // A domain never read and one whose last read failed count apart; the oldest read shows.
    const QList<CopyDomain> domains = {{1, QStringLiteral("a.com"), now.addSecs(-120), {}},
                                       {2, QStringLiteral("b.com"), now.addDays(-2), {}},
                                       {3, QStringLiteral("c.com"), QDateTime(), {}},
                                       {4, QStringLiteral("d.com"), now, QStringLiteral("超时")}};
    QCOMPARE(copyFreshnessText(domains, now),
             QStringLiteral("本地副本: 3/4 个域名, 最旧 2 天前, 1 个读取失败"));

    // With hits, the count and the oldest are of the domains hit, not of the whole copy.
    CopyHit inA;
    inA.domainID = 1;
    inA.fetched = now.addSecs(-120);
    CopyHit alsoInA = inA;
    alsoInA.fetched = now.addSecs(-300);
    QCOMPARE(searchFreshnessText(domains, {inA, alsoInA}, now),
             QStringLiteral("本地副本: 1/4 个域名有匹配, 最旧 5 分钟前, 1 个读取失败"));
    CopyHit inC;
    inC.domainID = 3;
    QCOMPARE(searchFreshnessText(domains, {inA, inC}, now),
             QStringLiteral("本地副本: 2/4 个域名有匹配, 最旧 2 分钟前, 1 个读取失败"));
    QCOMPARE(searchFreshnessText(domains, {}, now), copyFreshnessText(domains, now));
}

void TestSearchPage::queryOnSeededCopy_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("contains");
    QTest::addColumn<QStringList>("hits");
    QTest::addColumn<bool>("refused");
    QTest::newRow("exact value") << QStringLiteral("10.1.2.3") << false
                                 << QStringList{"a.com www 10.1.2.3"} << false;
    QTest::newRow("range") << QStringLiteral("10.1.0.0/16") << false
                           << QStringList{"a.com www 10.1.2.3", "b.com @ 10.1.9.9"} << false;
    QTest::newRow("contains") << QStringLiteral("mail") << true
                              << QStringList{"b.com mail mail.b.com."} << false;
    QTest::newRow("no hit") << QStringLiteral("192.0.2.1") << false << QStringList() << false;
    QTest::newRow("prefix too long")
        << QStringLiteral("10.1.0.0/33") << false << QStringList() << true;
    QTest::newRow("not an address") << QStringLiteral("a.com/24") << false << QStringList() << true;
    QTest::newRow("empty") << QStringLiteral("   ") << false << QStringList() << true;
}

// A copy seeded by hand: the queries need no service. Each row searches after a search that
// found something, so a refused query must also clear the old hits.
void TestSearchPage::queryOnSeededCopy()
{
    QFETCH(QString, text);
    QFETCH(bool, contains);
    QFETCH(QStringList, hits);
    QFETCH(bool, refused);

    QVERIFY(m_copy->setAccount(QStringLiteral("seeded@example.com")));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QVERIFY(m_copy->storeDomains(
        {{1, QStringLiteral("a.com"), {}, {}}, {2, QStringLiteral("b.com"), {}, {}}}, true));
    auto record = [](int id, const QString &host, const QString &type, const QString &value) {
        Record r;
        r.id = id;
        r.host = host;
        r.type = type;
        r.value = value;
        r.ttl = 600;
        r.viewName = QStringLiteral("默认");
        return r;
    };
    QVERIFY(m_copy->storeRecords(1, {record(11, "www", "A", "10.1.2.3")}, now));
    QVERIFY(m_copy->storeRecords(
        2, {record(21, "@", "A", "10.1.9.9"), record(22, "mail", "CNAME", "mail.b.com.")}, now));

    QVERIFY(openSearch());
    // The page follows the signed-in account; this copy was seeded under another name.
    theUser().email = QStringLiteral("seeded@example.com");
    search(QStringLiteral("10.1.2.3"));
    QCOMPARE(h.window->searchPage().hits().rowCount(), 1);

    search(text, contains);
    QCOMPARE(hitDomains(), hits);
    QCOMPARE(h.widget<QTableView>("tableView_gsearch")->model()->rowCount(), hits.size());
    if (refused)
        QVERIFY(!status().isEmpty() && !status().contains(QStringLiteral("找到")));
}

void TestSearchPage::refreshThenSearchAndOpen_data()
{
    QTest::addColumn<bool>("listLoaded");
    QTest::newRow("domain list loaded") << true;
    QTest::newRow("domain list to load") << false;
}

// Against the stand-in: the refresh reads every domain of the demo account, a search finds the
// showcase domain's records, and a double-click opens that domain's record page.
void TestSearchPage::refreshThenSearchAndOpen()
{
    QFETCH(bool, listLoaded);
    QVERIFY(openSearch());
    QVERIFY(h.widget<QLabel>("label_gfresh")->text().contains(QStringLiteral("尚无数据")));
    QVERIFY(refresh());
    const int total = theUser().domains.size();
    QVERIFY(total > 100);
    QVERIFY2(status().startsWith(QStringLiteral("刷新完成")), qPrintable(status()));
    QVERIFY2(h.widget<QLabel>("label_gfresh")
                 ->text()
                 .startsWith(QStringLiteral("本地副本: %1/%1 个域名").arg(total)),
             qPrintable(h.widget<QLabel>("label_gfresh")->text()));

    search(QStringLiteral("203.0.113.0/28"));
    QCOMPARE(h.window->searchPage().hits().rowCount(), 6);
    search(QStringLiteral("2001:db8::10"));
    QCOMPARE(hitDomains(), QStringList{"halvik-demo.com ipv6 2001:db8::10"});
    const CopyHit hit = h.window->searchPage().hits().hits().first();
    QCOMPARE(hit.type, QStringLiteral("AAAA"));
    QVERIFY(hit.fetched.isValid());

    if (!listLoaded) {
        theUser().domains.clear();
        theUser().needDomainReload = true;
    }
    QTableView *view = h.widget<QTableView>("tableView_gsearch");
    const QModelIndex first = view->model()->index(0, SearchHitModel::HostColumn);
    // A double-click as the item view takes it: a click, then the second press.
    const QPoint at = view->visualRect(first).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE_WITH_TIMEOUT(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
                              h.widget("page_record"), kEventWithinMs);
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(), h.widget("page_domain"));
    QVERIFY(h.window->currentDomain);
    QCOMPARE(h.window->currentDomain->id, hit.domainID);
    QCOMPARE(h.window->currentDomain->name, QStringLiteral("halvik-demo.com"));
}

// Stopped after its first domain, the refresh keeps that domain and says it stopped.
void TestSearchPage::stopKeepsWhatWasRead()
{
    QVERIFY(openSearch());
    h.button("pushButton_grefresh")->click();
    CopyRefresh *running = h.window->searchPage().findChild<CopyRefresh *>();
    QVERIFY(running);
    QVERIFY(h.button("pushButton_gstop")->isEnabled());
    connect(running, &CopyRefresh::progress, this, [this](int done) {
        if (done == 1)
            h.button("pushButton_gstop")->click();
    });
    QTRY_VERIFY_WITH_TIMEOUT(h.button("pushButton_grefresh")->isEnabled(), 60000);
    QVERIFY(!h.button("pushButton_gstop")->isEnabled());
    QVERIFY2(status().startsWith(QStringLiteral("刷新已停止: 1/")), qPrintable(status()));
    QVERIFY(h.widget<QLabel>("label_gfresh")->text().startsWith(QStringLiteral("本地副本: 1/")));
}

// The window goes while the refresh waits in the middle of its run: the refresh outlives the
// page, ends after the domain under way and goes away by itself.
void TestSearchPage::windowClosedDuringRefresh()
{
    QVERIFY(openSearch());
    h.button("pushButton_grefresh")->click();
    QPointer<CopyRefresh> running = h.window->searchPage().findChild<CopyRefresh *>();
    QVERIFY(running);
    bool closed = false;
    connect(running, &CopyRefresh::progress, this, [this, &closed](int done) {
        if (done == 1 && !closed) {
            closed = true;
            h.closeWindows();
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(running.isNull(), 60000);
    QVERIFY(closed);
    QVERIFY(m_copy->domains().size() >= 1);
}

// A copy file that was not a copy is set aside; the page says so once, then goes on.
void TestSearchPage::damagedCopyNoticeShownOnce()
{
    const QString path = m_dir->filePath(QStringLiteral("broken.sqlite"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
    }
    m_copy = std::make_unique<LocalCopy>();
    QVERIFY(m_copy->open(path));
    QVERIFY(!m_copy->notice().isEmpty());
    localCopy() = m_copy.get();

    QVERIFY(openSearch());
    QCOMPARE(status(), m_copy->notice());
    search(QStringLiteral("192.0.2.1"));
    QCOMPARE(status(), QStringLiteral("没有找到匹配的记录"));
    h.window->showDomainList();
    h.window->showSearch();
    QCOMPARE(status(), QStringLiteral("没有找到匹配的记录"));
}

const QString kDemo = QStringLiteral("halvik-demo.com");

QList<Record> TestSearchPage::serviceRecords()
{
    User &u = theUser();
    Domain *dm = u.domain2ptr(kDemo);
    if (!dm || u.getRecord(dm) < 0)
        return {};
    QList<Record> list;
    for (const Record &r : u.domain2ptr(kDemo)->records)
        list.append(r);
    return list;
}

QList<JournalJob> TestSearchPage::jobs() const
{
    Journal j;
    return j.open(Journal::defaultPath(), false) ? j.jobs() : QList<JournalJob>();
}

void TestSearchPage::tickTwoHits()
{
    m_keeper = std::make_unique<CopyKeeper>(theUser(), *m_copy);
    QVERIFY(openSearch());
    User &u = theUser();
    Domain *dm = u.domain2ptr(kDemo);
    QVERIFY(dm);
    QVERIFY(u.addRecord(dm, QStringLiteral("198.51.100.77"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("t1")));
    QVERIFY(u.addRecord(dm, QStringLiteral("198.51.100.77"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("t2")));
    QVERIFY(u.addRecord(dm, QStringLiteral("198.51.100.78"), QStringLiteral("A"),
                        QStringLiteral("0"), QStringLiteral("t3")));
    m_before = serviceRecords();
    QVERIFY(m_before.size() > 3);

    search(QStringLiteral("198.51.100.77"));
    QCOMPARE(hitDomains(),
             (QStringList{"halvik-demo.com t1 198.51.100.77", "halvik-demo.com t2 198.51.100.77"}));
    QAbstractButton *edit = h.button("pushButton_gedit");
    QVERIFY(!edit->isEnabled());
    QAbstractItemModel *model = h.widget<QTableView>("tableView_gsearch")->model();
    for (int row = 0; row < 2; ++row) {
        const QModelIndex tick = model->index(row, SearchHitModel::TickColumn);
        QVERIFY(model->flags(tick) & Qt::ItemIsUserCheckable);
        QVERIFY(model->setData(tick, Qt::Checked, Qt::CheckStateRole));
    }
    QVERIFY(edit->isEnabled());
}

// A paused record reads "暂停" and greyed, so it is not taken for a live one; the tick
// column's header ticks every hit, then none.
void TestSearchPage::pausedHitsShownAndAllTicked()
{
    QVERIFY(openSearch());
    QVERIFY(refresh());
    search(QStringLiteral("203.0.113."), true);
    auto *view = h.widget<QTableView>("tableView_gsearch");
    QAbstractItemModel *model = view->model();
    QVERIFY(model->rowCount() > 2);
    int paused = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const bool old = model->index(row, SearchHitModel::HostColumn).data() == "old";
        const QModelIndex status = model->index(row, SearchHitModel::StatusColumn);
        QCOMPARE(status.data().toString(), old ? QStringLiteral("暂停") : QStringLiteral("正常"));
        QCOMPARE(model->index(row, SearchHitModel::ValueColumn).data(Qt::ForegroundRole).isValid(),
                 old);
        paused += old;
    }
    QCOMPARE(paused, 1);

    QAbstractButton *edit = h.button("pushButton_gedit");
    const int tick = view->horizontalHeader()->sectionViewportPosition(SearchHitModel::TickColumn);
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(tick + 5, view->horizontalHeader()->height() / 2));
    QCOMPARE(h.window->searchPage().hits().tickedCount(), model->rowCount());
    QVERIFY(edit->isEnabled());
    QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(tick + 5, view->horizontalHeader()->height() / 2));
    QCOMPARE(h.window->searchPage().hits().tickedCount(), 0);
    QVERIFY(!edit->isEnabled());
}

PlanDialog *TestSearchPage::previewTtl(const QString &ttl)
{
    SearchPage &page = h.window->searchPage();
    h.button("pushButton_gedit")->click();
    HitEditForm *form = page.editForm();
    if (!form)
        return nullptr;
    // An empty form asks nothing: it says so and stays.
    form->okButton()->click();
    if (!form->isVisible() || form->errorLabel()->text().isEmpty() || page.planDialog())
        return nullptr;
    form->ttlEdit()->setText(ttl);
    form->okButton()->click();
    return page.planDialog();
}

// Two ticked hits get a new TTL, their value and line kept; the plan shows exactly those two
// changes, and its run changes them on the service as one journaled job and nothing else.
void TestSearchPage::editTickedHitsChangesExactlyThose()
{
    tickTwoHits();
    PlanDialog *dialog = previewTtl(QStringLiteral("120"));
    QVERIFY(dialog);
    const ChangePlan &plan = dialog->view().plan();
    QCOMPARE(plan.domains.size(), 1);
    QCOMPARE(plan.counts(), (QMap<QString, int>{{StepOps::Change, 2}}));
    QCOMPARE(dialog->view().stepTable()->model()->rowCount(), 2);
    QVERIFY(jobs().isEmpty()); // a preview sends and journals nothing

    dialog->view().runButton()->click();
    const QList<Record> after = serviceRecords();
    QCOMPARE(after.size(), m_before.size());
    int changed = 0;
    for (const Record &was : m_before) {
        const Record *now = nullptr;
        for (const Record &r : after)
            now = r.id == was.id ? &r : now;
        QVERIFY(now);
        if (was.value == QLatin1String("198.51.100.77")) {
            ++changed;
            QCOMPARE(now->ttl, 120);
            QCOMPARE(now->value, was.value);
            QCOMPARE(now->lineID, was.lineID);
        } else {
            QVERIFY2(sameLiveRecord(*now, was), qPrintable(was.host));
        }
    }
    QCOMPARE(changed, 2);

    const QList<JournalJob> all = jobs();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().kind, QStringLiteral("search-edit"));
    QCOMPARE(all.first().state, JobState::Done);
    QCOMPARE(all.first().counts, (QMap<QString, int>{{StepStatus::Done, 2}}));
    // Searched again over the copy, which took the changes: the ticks are gone.
    QCOMPARE(h.window->searchPage().hits().rowCount(), 2);
    for (const CopyHit &hit : h.window->searchPage().hits().hits())
        QCOMPARE(hit.ttl, 120);
    QVERIFY(!h.button("pushButton_gedit")->isEnabled());
}

// A ticked record changed on the service after the search is planned as a conflict and kept as
// it is now; the other one is changed.
void TestSearchPage::hitChangedSinceSearchIsAConflict()
{
    tickTwoHits();
    const CopyHit first = h.window->searchPage().hits().hits().first();
    RecordRow row;
    LocalService &service = h.service->service();
    QCOMPARE(service.storage().record(h.accountId(), first.domainID, first.id, &row), 0);
    row.value = QStringLiteral("198.51.100.99");
    QCOMPARE(service.storage().updateRecord(h.accountId(), first.domainID, row), 0);

    PlanDialog *dialog = previewTtl(QStringLiteral("120"));
    QVERIFY(dialog);
    QCOMPARE(dialog->view().plan().counts(),
             (QMap<QString, int>{{StepOps::Change, 1}, {StepOps::Conflict, 1}}));
    dialog->view().runButton()->click();

    for (const Record &r : serviceRecords()) {
        if (r.id == first.id) {
            QCOMPARE(r.value, QStringLiteral("198.51.100.99"));
            QCOMPARE(r.ttl, 600);
        } else if (r.host == QLatin1String("t2")) {
            QCOMPARE(r.ttl, 120);
        }
    }
    const QList<JournalJob> all = jobs();
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().counts,
             (QMap<QString, int>{{StepStatus::Done, 1}, {StepStatus::Conflict, 1}}));
}

namespace {

// The oldest "副本时间" of the hits shown, as the column tells it.
QString oldestAgeShown(const QAbstractItemModel *model, const QVector<CopyHit> &hits)
{
    int oldest = -1;
    for (int row = 0; row < hits.size(); ++row) {
        if (oldest < 0 || hits.at(row).fetched < hits.at(oldest).fetched)
            oldest = row;
    }
    return oldest < 0 ? QString()
                      : model->index(oldest, SearchHitModel::AgeColumn).data().toString();
}

} // namespace

// The line over the hits counts the domains hit and names their oldest read as the column does,
// also after a refresh while hits are shown: the hits are read again with the copy.
void TestSearchPage::headingFollowsTheHits()
{
    QVERIFY(openSearch());
    QVERIFY(refresh());
    const int total = theUser().domains.size();
    Domain *demo = theUser().domain2ptr(kDemo);
    QVERIFY(demo && theUser().getRecord(demo) >= 0);
    QList<Record> records;
    for (const Record &r : demo->records)
        records.append(r);
    // The demo domain read three days ago.
    QVERIFY(m_copy->storeRecords(demo->id, records,
                                 QDateTime::currentDateTimeUtc().addDays(-3).addSecs(-60)));

    search(QStringLiteral("203.0.113.0/24"));
    SearchPage &page = h.window->searchPage();
    auto *fresh = h.widget<QLabel>("label_gfresh");
    QVERIFY(page.hits().rowCount() > 1);
    QCOMPARE(fresh->toolTip(),
             QStringLiteral("本地副本: 1/%1 个域名有匹配, 最旧 3 天前").arg(total));
    QCOMPARE(oldestAgeShown(&page.hits(), page.hits().hits()), QStringLiteral("3 天前"));

    QVERIFY(refresh());
    QVERIFY2(status().startsWith(QStringLiteral("刷新完成")) &&
                 status().contains(QStringLiteral("找到")),
             qPrintable(status()));
    QVERIFY(page.hits().rowCount() > 1);
    const QString oldest = oldestAgeShown(&page.hits(), page.hits().hits());
    QCOMPARE(oldest, QStringLiteral("刚刚"));
    QCOMPARE(fresh->toolTip(),
             QStringLiteral("本地副本: 1/%1 个域名有匹配, 最旧 %2").arg(total).arg(oldest));
    // At the smallest window the line ends in an ellipsis rather than being cut bare.
    h.window->resize(900, 620);
    QVERIFY(WindowHarness::settle());
    QVERIFY(fresh->fontMetrics().horizontalAdvance(fresh->text()) <= fresh->width());
    QVERIFY(fresh->text() == fresh->toolTip() || fresh->text().endsWith(QChar(0x2026)));

    // Many domains hit; none found gives the copy's own line back.
    search(QStringLiteral("198.51.100.0/24"));
    QSet<int> hitDomains;
    for (const CopyHit &hit : page.hits().hits())
        hitDomains.insert(hit.domainID);
    QVERIFY(hitDomains.size() > 10);
    QVERIFY2(fresh->toolTip().startsWith(
                 QStringLiteral("本地副本: %1/%2 个域名有匹配").arg(hitDomains.size()).arg(total)),
             qPrintable(fresh->toolTip()));
    search(QStringLiteral("192.0.2.1"));
    QVERIFY2(fresh->toolTip().startsWith(QStringLiteral("本地副本: %1/%1 个域名").arg(total)),
             qPrintable(fresh->toolTip()));
}

// A hit far down the list opens its domain with "域名管理" current and the record highlighted
// in view; "后退" returns to the same hits, query and scroll.
void TestSearchPage::openHitThenBack()
{
    QVERIFY(openSearch());
    QVERIFY(refresh());
    search(QStringLiteral("198.51.100.0/24"));
    QTableView *view = h.widget<QTableView>("tableView_gsearch");
    SearchPage &page = h.window->searchPage();
    QVERIFY(page.hits().rowCount() > 50);
    const QVector<CopyHit> hits = page.hits().hits();
    view->scrollToBottom();
    QVERIFY(WindowHarness::settle());
    const int scroll = view->verticalScrollBar()->value();
    QVERIFY(scroll > 0);
    const int row = view->rowAt(view->viewport()->height() / 2);
    QVERIFY(row > 0);
    const CopyHit hit = hits.at(row);

    const QPoint at =
        view->visualRect(view->model()->index(row, SearchHitModel::HostColumn)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QTRY_COMPARE_WITH_TIMEOUT(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
                              h.widget("page_record"), kEventWithinMs);
    QCOMPARE(h.window->currentDomain->id, hit.domainID);
    QVERIFY(h.widget<QCommandLinkButton>("commandLinkButton")->isChecked());
    QVERIFY(!h.widget<QCommandLinkButton>("commandLinkButton_search")->isChecked());

    RecordPage &records = h.window->recordPage();
    QCOMPARE(records.highlightedRecord(), hit.id);
    auto *table = h.widget<QTableWidget>("tableR");
    int marked = -1;
    for (int r = 0; r < table->rowCount(); ++r) {
        const auto record = table->verticalHeaderItem(r)
                                ->data(RecordPage::RecordRole)
                                .value<QSharedPointer<Record>>();
        if (record && record->id == hit.id)
            marked = r;
    }
    QVERIFY(marked >= 0);
    // In view, and in the highlight's colour, the other rows not.
    QTRY_VERIFY(table->item(marked, 2) &&
                table->viewport()->rect().contains(
                    table->visualRect(table->model()->index(marked, 2)).center()));
    QCOMPARE(table->item(marked, 2)->background().color(), RecordPage::highlightColour());
    for (int r = 0; r < table->rowCount(); ++r) {
        if (r != marked && table->item(r, 2))
            QVERIFY(table->item(r, 2)->background().color() != RecordPage::highlightColour());
    }

    h.button("pushButton_31")->click();
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(), h.widget("page_search"));
    QVERIFY(h.widget<QCommandLinkButton>("commandLinkButton_search")->isChecked());
    QCOMPARE(h.widget<QLineEdit>("lineEdit_gsearch")->text(), QStringLiteral("198.51.100.0/24"));
    QCOMPARE(page.hits().rowCount(), hits.size());
    QCOMPARE(view->verticalScrollBar()->value(), scroll);

    // Opened from the domain list, the same page goes back to the domain rows.
    h.window->showRecords(h.window->currentDomain);
    QCOMPARE(records.highlightedRecord(), 0);
    h.button("pushButton_31")->click();
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(), h.widget("page_domain"));
    QCOMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(), h.widget("page_dmdm"));
}

// "导出 CSV" writes the hits shown into the file chosen; a folder that cannot take it is told.
void TestSearchPage::exportHits()
{
    QVERIFY(openSearch());
    QAbstractButton *exportButton = h.button("pushButton_gexport");
    QVERIFY(!exportButton->isEnabled());
    QVERIFY(refresh());
    search(QStringLiteral("203.0.113."), true);
    SearchPage &page = h.window->searchPage();
    QVERIFY(page.hits().rowCount() > 2);
    QVERIFY(exportButton->isEnabled());

    const QString path = m_dir->filePath(QStringLiteral("hits.csv"));
    page.chooseCsvFile = [path] { return path; };
    exportButton->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written, searchHitsCsv(page.hits().hits()));
    QCOMPARE(written.count("\r\n"), page.hits().rowCount() + 1);
    QVERIFY(written.contains("halvik-demo.com,'@,A,"));
    QVERIFY2(status().startsWith(QStringLiteral("已导出 %1 条记录").arg(page.hits().rowCount())),
             qPrintable(status()));

    page.chooseCsvFile = [this] { return m_dir->filePath(QStringLiteral("missing/hits.csv")); };
    exportButton->click();
    QVERIFY2(status().startsWith(QStringLiteral("导出失败")), qPrintable(status()));

    // Nothing found: nothing to export.
    search(QStringLiteral("192.0.2.1"));
    QVERIFY(!exportButton->isEnabled());
}

QTEST_MAIN(TestSearchPage)
#include "tst_searchpage.moc"
