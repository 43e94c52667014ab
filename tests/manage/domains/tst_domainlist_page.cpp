#include "manage/domains/DomainListLogic.h"
#include "manage/domains/DomainListPage.h"
#include "manage/domains/DomainTableRow.h"
#include "manage/records/RecordPage.h"
#include "tests/support/WindowHarness.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

// The domain list page against the stand-in service: filling and growing the table, search,
// the hover highlight, row and bulk actions with their questions and texts, the group move,
// batch delete, refresh, and rows that outlive a reload of the list.
class TestDomainListPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstFill_data();
    void firstFill();
    void groupColumn();
    void growthWhileScrolling();
    void selectAllAsksBeforeLoadingEverything_data();
    void selectAllAsksBeforeLoadingEverything();
    void newerFillStopsLoadAll();
    void searchWithinGroupIsCaseSensitive();
    void hoverFollowsThePointer();
    void idleWindowHasNoFastTimer();

    void lockedDomainRefusesPauseAndDelete_data();
    void lockedDomainRefusesPauseAndDelete();
    void rowActions_data();
    void rowActions();
    void deleteRemovesOnlyItsRow();
    void rowActionSurvivesNestedReload_data();
    void rowActionSurvivesNestedReload();

    void bulkNeedsCheckedRows_data();
    void bulkNeedsCheckedRows();
    void bulkPauseReports_data();
    void bulkPauseReports();
    void bulkLock_data();
    void bulkLock();
    void groupMoveStoppedAfterThree();
    void moveOutOfGroup();
    void batchDelete_data();
    void batchDelete();

    void refreshReloadsAndCounts();
    void batchJobsTakeCheckedNames();
    void nameOpensRecordPage();

private:
    void checkRows(int first, int count);
    QComboBox *combo(const char *name) const { return h.widget<QComboBox>(name); }
    int groupIdAt(int index) const { return theUser().groups.at(index).groupID; }

    WindowHarness h;
};

void TestDomainListPage::init()
{
    h.init();
}

void TestDomainListPage::cleanup()
{
    h.cleanup();
}

void TestDomainListPage::checkRows(int first, int count)
{
    for (int row = first; row < first + count; ++row)
        setRowChecked(h.table(), row, true);
}

// --- Filling ----------------------------------------------------------------------------------

void TestDomainListPage::firstFill_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("groupIndex"); // -1: all domains
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("matchCount");
    QTest::newRow("120 domains") << 0 << -1 << 31 << 120;
    QTest::newRow("group of 40") << 0 << 0 << 31 << 40;
    QTest::newRow("group of 20 fits at once") << 0 << 1 << 20 << 0;
    QTest::newRow("31 domains fit at once") << 31 << -1 << 31 << 0;
    QTest::newRow("32 domains: one waits") << 32 << -1 << 31 << 32;
}

void TestDomainListPage::firstFill()
{
    QFETCH(int, seed);
    QFETCH(int, groupIndex);
    QFETCH(int, rows);
    QFETCH(int, matchCount);
    QVERIFY(h.openDomainPage(seed));
    User &u = theUser();
    int groupId = 0;
    if (groupIndex >= 0) {
        groupId = groupIdAt(groupIndex);
        h.groupButton(groupId)->click();
    }
    QCOMPARE(h.table()->rowCount(), rows);
    QCOMPARE(u.matchCount, matchCount);
    QCOMPARE(u.filterGroupId, groupId);
    QVERIFY(!u.filling);
    QVERIFY(h.widget("frame_dm")->isHidden());

    // The rows are the first matching domains in list order.
    QList<int> expected;
    for (const Domain &dm : u.domains) {
        if ((groupId == 0 || dm.groupID == groupId) && expected.size() < rows)
            expected.append(dm.id);
    }
    QCOMPARE(h.rowIds(), expected);

    const QString name = groupId ? u.groupIDtoName(groupId) : QStringLiteral("全部域名");
    QCOMPARE(h.widget<QLabel>("label_domain_g_n")->toolTip(),
             QStringLiteral("%1(%2)").arg(name).arg(u.getGroupDmNum(groupId)));

    // A row's widgets: check box, name with its tool tip, looks from the domain.
    QPushButton *nameButton = h.rowButton(0, 3);
    QVERIFY(nameButton);
    QCOMPARE(nameButton->text(), rowDomain(h.table(), 0)->name);
    QCOMPARE(nameButton->toolTip(), nameButton->text());
    QVERIFY(h.window->nameButtons.contains(nameButton));
    QCOMPARE(h.rowButton(0, 2)->toolTip(), QStringLiteral(" 点击删除"));
    QCOMPARE(h.table()->item(0, 0)->background().color(), h.window->rowColorEven);
    QCOMPARE(h.table()->item(1, 1)->background().color(), h.window->rowColorOdd);
}

void TestDomainListPage::groupColumn()
{
    QVERIFY(h.openDomainPage());
    const User &u = theUser();
    QCOMPARE(h.button("pushButton_17")->text(), QStringLiteral("全部域名 (120)"));
    QVERIFY(h.button("pushButton_17")->isChecked());
    QCOMPARE(u.groups.size(), 4);
    for (const Group &g : u.groups) {
        QAbstractButton *b = h.groupButton(g.groupID);
        QVERIFY(b);
        QCOMPARE(b->toolTip(),
                 QStringLiteral("%1(%2)").arg(g.groupName).arg(u.getGroupDmNum(g.groupID)));
        QVERIFY(!b->isChecked());
    }
    QComboBox *move = combo("comboBox_group");
    QCOMPARE(move->count(), 6);
    QCOMPARE(move->itemText(0), QStringLiteral("切换分组"));
    QCOMPARE(move->itemData(0).toInt(), -1);
    QCOMPARE(move->itemText(1), QStringLiteral("移出分组"));
    QCOMPARE(move->itemData(1).toInt(), 0);
    QCOMPARE(move->itemText(2), u.groups.at(0).groupName);
    QCOMPARE(move->itemData(5).toInt(), u.groups.at(3).groupID);

    // The group buttons are exclusive with "全部域名"; a rebuild keeps the checked group.
    h.groupButton(groupIdAt(2))->click();
    QVERIFY(!h.button("pushButton_17")->isChecked());
    h.window->domainList().RFdmFinish();
    QCOMPARE(h.widget<QButtonGroup>("buttonGroup_groups")->buttons().size(), 5);
    QVERIFY(h.groupButton(groupIdAt(2))->isChecked());
    h.button("pushButton_17")->click();
    QCOMPARE(u.filterGroupId, 0);
    QCOMPARE(h.table()->rowCount(), 31);
}

void TestDomainListPage::growthWhileScrolling()
{
    QVERIFY(h.openDomainPage());
    QTableWidget *table = h.table();
    QScrollBar *bar = table->verticalScrollBar();
    // Each scroll to the end brings more rows, without waiting for the periodic job.
    for (int round = 0; round < 30 && table->rowCount() < 120; ++round) {
        const int before = table->rowCount();
        bar->setValue(bar->maximum());
        QTRY_VERIFY(table->rowCount() > before);
    }
    QCOMPARE(table->rowCount(), 120);
    // Every domain once, in list order.
    QList<int> all;
    for (const Domain &dm : theUser().domains)
        all.append(dm.id);
    QCOMPARE(h.rowIds(), all);

    // At the end nothing more is added, by scrolling or by the periodic job.
    bar->setValue(bar->maximum());
    h.window->slot_scro();
    QVERIFY(h.settle());
    QCOMPARE(table->rowCount(), 120);

    // Only rows in and near the view carry widgets.
    int made = 0;
    for (int row = 0; row < table->rowCount(); ++row)
        made += rowHasWidgets(table, row);
    QVERIFY(made > 0 && made < 120);
    QVERIFY(rowHasWidgets(table, 119));
}

void TestDomainListPage::selectAllAsksBeforeLoadingEverything_data()
{
    QTest::addColumn<int>("groupIndex");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("rows");
    QTest::newRow("是 loads every domain") << -1 << 1 << true << 120;
    QTest::newRow("否 checks the rows shown") << -1 << 0 << true << 31;
    QTest::newRow("nothing missing, nothing asked") << 1 << 0 << false << 20;
}

void TestDomainListPage::selectAllAsksBeforeLoadingEverything()
{
    QFETCH(int, groupIndex);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(int, rows);
    QVERIFY(h.openDomainPage());
    if (groupIndex >= 0)
        h.groupButton(groupIdAt(groupIndex))->click();
    h.boxes->answer(answer);
    h.widget<QCheckBox>("checkBox")->click();

    QCOMPARE(h.boxes->count(), asked ? 1 : 0);
    if (asked) {
        const RecordedMsgBox box = h.boxes->shown.first();
        QCOMPARE(box.content, QStringLiteral("当前页内容较多,是否全部加载?"));
        QCOMPARE(box.title, QString());
        QCOMPARE(box.buttonMode, 2);
        QCOMPARE(box.okText, QStringLiteral("是"));
        QCOMPARE(box.cancelText, QStringLiteral("否"));
    }
    QCOMPARE(h.table()->rowCount(), rows);
    for (int row = 0; row < rows; ++row)
        QVERIFY(rowChecked(h.table(), row));
    QVERIFY(rowCheckBox(h.table(), 0)->isChecked());
    // Rows made later show their check state too.
    QVERIFY(h.reveal(rows - 1));
    QVERIFY(rowCheckBox(h.table(), rows - 1)->isChecked());

    // Unchecking clears every row.
    h.widget<QCheckBox>("checkBox")->click();
    for (int row = 0; row < rows; ++row)
        QVERIFY(!rowChecked(h.table(), row));
}

void TestDomainListPage::newerFillStopsLoadAll()
{
    // Large enough that loading every row lets events through on the way.
    QVERIFY(h.openDomainPage(3000));
    const int groupId = groupIdAt(0);
    // The click lands while the rows are being added.
    QTimer::singleShot(0, h.window, [this, groupId] { h.groupButton(groupId)->click(); });
    h.boxes->answer(1);
    h.widget<QCheckBox>("checkBox")->click();

    // Only the group's first rows: the older fill added nothing after the newer one.
    QCOMPARE(h.table()->rowCount(), 31);
    for (int row = 0; row < 31; ++row)
        QCOMPARE(rowDomain(h.table(), row)->groupID, groupId);
    QCOMPARE(theUser().filterGroupId, groupId);
    QVERIFY(!theUser().filling);
}

void TestDomainListPage::searchWithinGroupIsCaseSensitive()
{
    QVERIFY(h.openDomainPage());
    const User &u = theUser();
    const int groupId = groupIdAt(0);
    QAbstractButton *group = h.groupButton(groupId);
    group->click();
    auto *search = h.widget<QLineEdit>("lineEdit_search");

    search->setText(QStringLiteral("-demo.net"));
    QList<int> expected;
    for (const Domain &dm : u.domains) {
        if (dm.groupID == groupId && dm.name.contains(QLatin1String("-demo.net")))
            expected.append(dm.id);
    }
    QVERIFY(!expected.isEmpty() && expected.size() < u.getGroupDmNum(groupId));
    QCOMPARE(h.rowIds(), expected);
    QVERIFY(group->isChecked());
    QCOMPARE(u.filterGroupId, groupId);

    search->setText(QStringLiteral("-DEMO.net"));
    QCOMPARE(h.table()->rowCount(), 0);
    // An empty result stays empty; the periodic job does not refill it.
    h.window->slot_scro();
    QCOMPARE(h.table()->rowCount(), 0);

    search->clear();
    QCOMPARE(h.table()->rowCount(), 31);
    QCOMPARE(u.matchCount, u.getGroupDmNum(groupId));
}

void TestDomainListPage::hoverFollowsThePointer()
{
    QVERIFY(h.openDomainPage());
    QTableWidget *table = h.table();
    QWidget *viewport = table->viewport();
    const QColor hover = h.window->rowColorHover;
    const auto colourOf = [table](int row, int column) {
        return table->item(row, column)->background().color();
    };
    const auto moveTo = [viewport](const QPoint &pos) {
        QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    };

    moveTo(table->visualItemRect(table->item(2, 1)).center());
    QCOMPARE(colourOf(2, 0), hover);
    QCOMPARE(colourOf(2, 1), hover);

    // Entering a row's widget moves the highlight there.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(table->cellWidget(3, 0), &enter);
    QCOMPARE(colourOf(3, 0), hover);
    QCOMPARE(colourOf(3, 1), hover);
    QCOMPARE(colourOf(2, 0), h.window->rowColorEven);
    QCOMPARE(colourOf(2, 1), h.window->rowColorEven);

    moveTo(table->visualItemRect(table->item(4, 0)).center());
    QCOMPARE(colourOf(3, 0), h.window->rowColorOdd);
    QCOMPARE(colourOf(4, 0), hover);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(viewport, &leave);
    QCOMPARE(colourOf(4, 0), h.window->rowColorEven);
    QCOMPARE(colourOf(4, 1), h.window->rowColorEven);

    // A fresh fill forgets the highlighted row.
    moveTo(table->visualItemRect(table->item(1, 0)).center());
    h.button("pushButton_17")->click();
    moveTo(table->visualItemRect(table->item(5, 0)).center());
    QCOMPARE(colourOf(1, 0), h.window->rowColorOdd);
    QCOMPARE(colourOf(5, 0), hover);
}

void TestDomainListPage::idleWindowHasNoFastTimer()
{
    QVERIFY(h.openDomainPage());
    QVERIFY(h.settle());
    // The hover highlight follows mouse events; nothing polls faster than the periodic job.
    for (const QTimer *timer : h.window->findChildren<QTimer *>()) {
        if (timer->isActive() && !timer->isSingleShot())
            QVERIFY2(timer->interval() >= 500, qPrintable(QString::number(timer->interval())));
    }
}

// --- One row ----------------------------------------------------------------------------------

void TestDomainListPage::lockedDomainRefusesPauseAndDelete_data()
{
    QTest::addColumn<int>("button");
    QTest::newRow("pause") << 1;
    QTest::newRow("delete") << 2;
}

void TestDomainListPage::lockedDomainRefusesPauseAndDelete()
{
    QFETCH(int, button);
    QVERIFY(h.openDomainPage());
    const int row = 5; // the demo's locked domain
    const QSharedPointer<Domain> dm = rowDomain(h.table(), row);
    QVERIFY(dm->userLock);
    // A request would fail with a network box of its own.
    Fault drop;
    drop.kind = FaultKind::Drop;
    h.service->setFault(QStringLiteral("*"), drop);

    h.rowButton(row, button)->click();
    QCOMPARE(h.boxes->count(), 1);
    const RecordedMsgBox box = h.boxes->shown.first();
    QCOMPARE(box.title, QStringLiteral("锁定中"));
    QCOMPARE(box.content, dm->name + QStringLiteral("<br/>该域名锁定中,请先解锁"));
    QCOMPARE(box.buttonMode, 1);
    QCOMPARE(h.table()->rowCount(), 31);
    QCOMPARE(dm->state, 0);
}

void TestDomainListPage::rowActions_data()
{
    QTest::addColumn<int>("row");    // demo: 5 is locked, 8 is paused
    QTest::addColumn<int>("button"); // 0 lock, 1 pause
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("question"); // title of the question asked, if any
    QTest::addColumn<QString>("toast");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("tip"); // the button's tool tip afterwards
    const QString lock = QStringLiteral("/api/domain/lock/");
    const QString unlock = QStringLiteral("/api/domain/unlock/");
    const QString pause = QStringLiteral("/api/domain/pause/");
    const QString start = QStringLiteral("/api/domain/start/");
    QTest::newRow("lock") << 0 << 0 << lock << false << ""
                          << "锁定成功"
                          << ""
                          << " 点击解锁";
    QTest::newRow("lock refused") << 0 << 0 << lock << true << ""
                                  << ""
                                  << "锁定失败 不行"
                                  << " 点击锁定";
    QTest::newRow("unlock") << 5 << 0 << unlock << false << ""
                            << "解锁成功"
                            << ""
                            << " 点击锁定";
    QTest::newRow("unlock refused") << 5 << 0 << unlock << true << ""
                                    << ""
                                    << "解锁失败 不行"
                                    << " 点击解锁";
    QTest::newRow("pause") << 0 << 1 << pause << false << "暂停"
                           << "暂停成功"
                           << ""
                           << " 点击启用";
    QTest::newRow("pause refused") << 0 << 1 << pause << true << "暂停"
                                   << ""
                                   << "暂停失败 不行"
                                   << " 点击暂停";
    QTest::newRow("start asks nothing") << 8 << 1 << start << false << ""
                                        << "启用成功"
                                        << ""
                                        << " 点击暂停";
    QTest::newRow("start refused") << 8 << 1 << start << true << ""
                                   << ""
                                   << "启用失败 不行"
                                   << " 点击启用";
}

void TestDomainListPage::rowActions()
{
    QFETCH(int, row);
    QFETCH(int, button);
    QFETCH(QString, path);
    QFETCH(bool, refused);
    QFETCH(QString, question);
    QFETCH(QString, toast);
    QFETCH(QString, failure);
    QFETCH(QString, tip);
    QVERIFY(h.openDomainPage());
    const QSharedPointer<Domain> dm = rowDomain(h.table(), row);
    const Domain before = *dm;
    if (refused)
        h.refuse(path, 2005, QStringLiteral("不行"));
    h.boxes->setQuestionDefault(1);

    QPushButton *b = h.rowButton(row, button);
    b->click();
    QStringList boxes = h.boxes->contents();
    if (!question.isEmpty()) {
        QCOMPARE(h.boxes->shown.first().title, question);
        QCOMPARE(boxes.takeFirst(), dm->name + QStringLiteral("<br/>确定暂停该域名吗？"));
    }
    QCOMPARE(boxes, failure.isEmpty() ? QStringList() : QStringList{failure});
    QCOMPARE(h.toastsShown(), toast.isEmpty() ? QStringList() : QStringList{toast});
    QCOMPARE(b->toolTip(), tip);

    // The cached domain and the service agree: changed on success only.
    const Domain held = h.serviceDomain(dm->id);
    const bool lockAction = button == 0;
    const int cached = lockAction ? dm->userLock : dm->state;
    const int served = lockAction ? held.userLock : held.state;
    const int original = lockAction ? before.userLock : before.state;
    QCOMPARE(cached != 0, served != 0);
    QCOMPARE(cached != original, !refused);
}

void TestDomainListPage::deleteRemovesOnlyItsRow()
{
    QVERIFY(h.openDomainPage());
    User &u = theUser();
    const QList<int> ids = h.rowIds();
    const QSharedPointer<Domain> dm = rowDomain(h.table(), 3);

    // Cancel keeps it.
    h.rowButton(3, 2)->click();
    QCOMPARE(h.boxes->shown.first().title, QStringLiteral("是否删除"));
    QCOMPARE(h.boxes->shown.first().content,
             QStringLiteral("是否删除域名及对应解析？\n") + dm->name);
    QCOMPARE(h.table()->rowCount(), 31);

    h.boxes->answer(1);
    h.rowButton(3, 2)->click();
    QCOMPARE(h.toast(), QStringLiteral("删除成功"));
    QList<int> rest = ids;
    rest.removeAt(3);
    QCOMPARE(h.rowIds(), rest);
    QCOMPARE(u.domains.size(), 119);
    QCOMPARE(h.serviceDomain(dm->id).id, 0);
    // Growth goes on with the next domain, neither skipping nor repeating one.
    QCOMPARE(u.matchCount, 119);
    QScrollBar *bar = h.table()->verticalScrollBar();
    while (h.table()->rowCount() < 119) {
        const int before = h.table()->rowCount();
        bar->setValue(bar->maximum());
        QTRY_VERIFY(h.table()->rowCount() > before);
    }
    QList<int> all;
    for (const Domain &d : u.domains)
        all.append(d.id);
    QCOMPARE(h.rowIds(), all);

    // A refused delete shows the service's text alone.
    h.refuse(QStringLiteral("/api/domain/remove/"), 2005, QStringLiteral("域名不存在"));
    h.boxes->answer(1);
    h.rowButton(0, 2)->click();
    QCOMPARE(h.boxes->contents().last(), QStringLiteral("域名不存在"));
    QCOMPARE(h.table()->rowCount(), 119);
}

void TestDomainListPage::rowActionSurvivesNestedReload_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("path");
    QTest::newRow("pause") << 1 << "/api/domain/pause/";
    QTest::newRow("lock") << 0 << "/api/domain/lock/";
    QTest::newRow("delete") << 2 << "/api/domain/remove/";
}

void TestDomainListPage::rowActionSurvivesNestedReload()
{
    QFETCH(int, button);
    QFETCH(QString, path);
    QVERIFY(h.openDomainPage());
    User &u = theUser();
    const int id = rowDomain(h.table(), 2)->id;
    QWeakPointer<Domain> oldEntry = rowDomain(h.table(), 2).toWeakRef();
    Fault slow;
    slow.kind = FaultKind::DelayOnly;
    slow.delayMs = 600;
    h.service->setFault(path, slow);
    h.boxes->setQuestionDefault(1);
    // While the call waits, the list is fetched again and the table rebuilt.
    bool reloaded = false;
    h.whenStruck(path, 1, [this, &reloaded] {
        h.button("pushButton_refDomain")->click();
        reloaded = true;
    });

    h.rowButton(2, button)->click();
    QVERIFY(reloaded);
    // Once the old rows' widgets are gone, nothing holds the old entry any more.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(oldEntry.isNull());
    const int row = findDomainRow(h.table(), id);
    const int index = domainIndexById(u.domains, id);
    if (button == 2) {
        QCOMPARE(row, -1);
        QCOMPARE(index, -1);
        QCOMPARE(h.table()->rowCount(), 30);
        QCOMPARE(u.domains.size(), 119);
        return;
    }
    // The fresh entry and its row show the change.
    QVERIFY(row >= 0 && index >= 0);
    if (button == 1) {
        QCOMPARE(u.domains.at(index).state, 1);
        QCOMPARE(rowPauseButton(h.table(), row)->toolTip(), QStringLiteral(" 点击启用"));
    } else {
        QCOMPARE(u.domains.at(index).userLock, 1);
        QCOMPARE(rowLockButton(h.table(), row)->toolTip(), QStringLiteral(" 点击解锁"));
    }
}

// --- Checked rows -----------------------------------------------------------------------------

void TestDomainListPage::bulkNeedsCheckedRows_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("toast");
    QTest::newRow("pause") << "comboBox_8" << 0 << "请勾选欲操作的域名";
    QTest::newRow("lock") << "comboBox_9" << 1 << "请勾选欲操作的域名";
    QTest::newRow("move") << "comboBox_group" << 2 << "请勾选欲更改分组的域名";
    QTest::newRow("delete") << "" << 0 << "请勾选欲删除的域名";
}

void TestDomainListPage::bulkNeedsCheckedRows()
{
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(QString, toast);
    QVERIFY(h.openDomainPage());
    Fault drop;
    drop.kind = FaultKind::Drop;
    h.service->setFault(QStringLiteral("*"), drop);
    if (combo.isEmpty())
        h.button("pushButton_delS")->click();
    else
        emit this->combo(combo.toLatin1().constData())->activated(index);
    QCOMPARE(h.toastsShown(), QStringList{toast});
    QCOMPARE(h.boxes->count(), 0);
}

void TestDomainListPage::bulkPauseReports_data()
{
    QTest::addColumn<int>("refused");
    QTest::addColumn<int>("report"); // 0 toast, 1 box, 2 result page
    QTest::newRow("none refused") << 0 << 0;
    QTest::newRow("five refused: a box") << 5 << 1;
    QTest::newRow("six refused: the result page") << 6 << 2;
}

void TestDomainListPage::bulkPauseReports()
{
    QFETCH(int, refused);
    QFETCH(int, report);
    QVERIFY(h.openDomainPage());
    // Rows 10 to 19: the service refuses the first ones, locked behind the page's back.
    std::unique_ptr<User> other = h.probe();
    QVERIFY(other);
    for (int row = 10; row < 10 + refused; ++row)
        QVERIFY(other->lockDomain(rowDomain(h.table(), row)->id));
    checkRows(10, 10);
    const QString error = QStringLiteral("该域名处于锁定状态");

    emit combo("comboBox_8")->activated(0);
    QStringList failures;
    QStringList successes;
    for (int row = 10; row < 20; ++row) {
        const QSharedPointer<Domain> dm = rowDomain(h.table(), row);
        const bool paused = row >= 10 + refused;
        if (paused)
            successes.append(dm->name + QStringLiteral(" 暂停成功"));
        else
            failures.append(dm->name + QStringLiteral(" : ") + error);
        QCOMPARE(dm->state, paused ? 1 : 0);
        QCOMPARE(h.rowButton(row, 1)->toolTip(),
                 paused ? QStringLiteral(" 点击启用") : QStringLiteral(" 点击暂停"));
    }
    auto *stack = h.widget<QStackedWidget>("stackedWidget");
    switch (report) {
    case 0:
        QCOMPARE(h.toast(), QStringLiteral("操作成功"));
        QCOMPARE(h.boxes->count(), 0);
        break;
    case 1:
        QCOMPARE(h.boxes->count(), 1);
        QCOMPARE(h.boxes->shown.first().title, QStringLiteral("部分操作失败"));
        QCOMPARE(h.boxes->shown.first().content,
                 QStringLiteral("以下域名操作失败：\n") + failures.join(QLatin1Char('\n')));
        break;
    default:
        QCOMPARE(h.boxes->count(), 0);
        QCOMPARE(stack->currentWidget(), h.widget("page_flist"));
        QCOMPARE(h.widget<QTextEdit>("textEdit_fail")->toPlainText(),
                 failures.join(QLatin1Char('\n')));
        QCOMPARE(h.widget<QTextEdit>("textEdit_succ")->toPlainText(),
                 successes.join(QLatin1Char('\n')));
        h.button("pushButton_58")->click();
        QCOMPARE(stack->currentWidget(), h.widget("page_domain"));
        break;
    }

    QCOMPARE(h.serviceDomain(rowDomain(h.table(), 19)->id).state, 1);

    // Starting them again; one is locked in the page's own copy as well.
    h.boxes->shown.clear();
    checkRows(5, 1);
    emit combo("comboBox_8")->activated(1);
    const QString locked = rowDomain(h.table(), 5)->name + QStringLiteral(" : 域名锁定中 ") + error;
    if (refused < 5)
        QVERIFY(h.boxes->contents().value(0).contains(locked));
    for (int row = 10 + refused; row < 20; ++row)
        QCOMPARE(rowDomain(h.table(), row)->state, 0);
}

void TestDomainListPage::bulkLock_data()
{
    QTest::addColumn<bool>("oneRefused");
    QTest::newRow("all locked") << false;
    QTest::newRow("one refused: the result page") << true;
}

void TestDomainListPage::bulkLock()
{
    QFETCH(bool, oneRefused);
    QVERIFY(h.openDomainPage());
    if (oneRefused)
        h.refuse(QStringLiteral("/api/domain/lock/"), 2006, QStringLiteral("锁定出错"), 1, 1);
    checkRows(0, 3);
    emit combo("comboBox_9")->activated(0);
    for (int row = 0; row < 3; ++row) {
        const bool locked = !(oneRefused && row == 1);
        QCOMPARE(rowDomain(h.table(), row)->userLock != 0, locked);
        QCOMPARE(rowLockButton(h.table(), row)->toolTip(),
                 locked ? QStringLiteral(" 点击解锁") : QStringLiteral(" 点击锁定"));
    }
    if (!oneRefused) {
        QCOMPARE(h.toast(), QStringLiteral("操作成功"));
        emit combo("comboBox_9")->activated(1);
        QCOMPARE(rowDomain(h.table(), 2)->userLock, 0);
        QCOMPARE(h.serviceDomain(rowDomain(h.table(), 2)->id).userLock, 0);
        return;
    }
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(), h.widget("page_flist"));
    QCOMPARE(h.widget<QTextEdit>("textEdit_fail")->toPlainText(),
             rowDomain(h.table(), 1)->name + QStringLiteral(" 锁定出错"));
    QCOMPARE(h.widget<QTextEdit>("textEdit_succ")->toPlainText(),
             rowDomain(h.table(), 0)->name + QLatin1Char('\n') + rowDomain(h.table(), 2)->name);
}

void TestDomainListPage::groupMoveStoppedAfterThree()
{
    QVERIFY(h.openDomainPage());
    User &u = theUser();
    const int from = groupIdAt(0);
    const int to = groupIdAt(1);
    h.groupButton(from)->click();
    QList<int> ids = h.rowIds().mid(0, 10);
    checkRows(0, 10);
    // The third move is slow; "停止" is pressed while the service holds it.
    const QString movePath = QStringLiteral("/api/domain/editdomaingroup/");
    Fault slow;
    slow.kind = FaultKind::DelayOnly;
    slow.delayMs = 1500;
    slow.skip = 2;
    slow.times = 1;
    h.service->setFault(movePath, slow);
    auto *progress = h.widget<QLabel>("label_fp_loading_chdg");
    QPushButton *stop = h.widget<QPushButton>("pushButton_f_loading_chdg");
    QString progressWhenStopped;
    h.whenStruck(movePath, 1, [&] {
        progressWhenStopped = progress->text();
        QVERIFY(stop->isVisible());
        stop->click();
    });

    emit combo("comboBox_group")->activated(3); // the second group
    QCOMPARE(combo("comboBox_group")->currentIndex(), 0);
    QCOMPARE(progressWhenStopped, QStringLiteral("3/10"));
    QCOMPARE(progress->text(), QStringLiteral("3/10"));
    QCOMPARE(stop->text(), QStringLiteral("请稍候..."));
    QVERIFY(h.widget("frame_loadingchdg")->isHidden());
    QCOMPARE(h.toast(), QStringLiteral("操作成功"));

    // Exactly three moved, and the page reloaded on the group it showed.
    for (int k = 0; k < 10; ++k)
        QCOMPARE(h.serviceDomain(ids.at(k)).groupID, k < 3 ? to : from);
    QVERIFY(h.groupButton(from)->isChecked());
    QCOMPARE(u.filterGroupId, from);
    QCOMPARE(u.getGroupDmNum(from), 37);
    QCOMPARE(h.rowIds().mid(0, 7), ids.mid(3));

    // The next move starts with a fresh stop button.
    checkRows(0, 1);
    emit combo("comboBox_group")->activated(3);
    QCOMPARE(stop->text(), QStringLiteral("停止"));
    QCOMPARE(stop->property("mustStop").toInt(), 0);
}

void TestDomainListPage::moveOutOfGroup()
{
    QVERIFY(h.openDomainPage());
    const int from = groupIdAt(0);
    h.groupButton(from)->click();
    const QList<int> ids = h.rowIds().mid(0, 2);
    checkRows(0, 2);
    // "切换分组" does nothing.
    emit combo("comboBox_group")->activated(0);
    QCOMPARE(h.toastsShown(), QStringList());
    QCOMPARE(h.serviceDomain(ids.at(0)).groupID, from);

    h.refuse(QStringLiteral("/api/domain/editdomaingroup/"), 3, QStringLiteral("分组不存在"), 1, 1);
    emit combo("comboBox_group")->activated(1);
    QCOMPARE(h.serviceDomain(ids.at(0)).groupID, 0);
    QCOMPARE(h.serviceDomain(ids.at(1)).groupID, from);
    const QString name = theUser().domains.at(domainIndexById(theUser().domains, ids.at(1))).name;
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("以下域名操作失败：\n") + name +
                                              QStringLiteral(" : 分组不存在")});
    QVERIFY(!h.rowIds().contains(ids.at(0)));
    QCOMPARE(theUser().getGroupDmNum(from), 39);
}

void TestDomainListPage::batchDelete_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("refused"); // of three
    QTest::newRow("all deleted") << 1 << 0;
    QTest::newRow("one refused") << 1 << 1;
    QTest::newRow("all refused") << 1 << 3;
    QTest::newRow("cancelled") << 0 << 0;
}

void TestDomainListPage::batchDelete()
{
    QFETCH(int, answer);
    QFETCH(int, refused);
    QVERIFY(h.openDomainPage());
    User &u = theUser();
    std::unique_ptr<User> other = h.probe();
    QVERIFY(other);
    QStringList names;
    QList<int> ids;
    for (int row = 0; row < 3; ++row) {
        names.append(rowDomain(h.table(), row)->name);
        ids.append(rowDomain(h.table(), row)->id);
        if (row >= 3 - refused)
            QVERIFY(other->lockDomain(ids.last()));
    }
    checkRows(0, 3);
    h.boxes->answer(answer);

    h.button("pushButton_delS")->click();
    const RecordedMsgBox asked = h.boxes->shown.first();
    QCOMPARE(asked.title, QStringLiteral("是否删除"));
    QCOMPARE(asked.content, QStringLiteral("确定要删除 3 个域名吗?"));
    QCOMPARE(asked.buttonMode, 2);
    const int deleted = answer ? 3 - refused : 0;
    for (int k = 0; k < 3; ++k)
        QCOMPARE(h.serviceDomain(ids.at(k)).id != 0, k >= deleted);
    if (!answer) {
        QCOMPARE(h.boxes->count(), 1);
        QCOMPARE(u.domains.size(), 120);
        return;
    }
    if (refused == 3) {
        QCOMPARE(h.boxes->shown.last().title, QStringLiteral("失败"));
        QCOMPARE(h.boxes->shown.last().content,
                 QStringLiteral("批量删除失败,原因:该域名处于锁定状态"));
        QCOMPARE(u.domains.size(), 120);
        return;
    }
    if (refused == 0) {
        QCOMPARE(h.toast(), QStringLiteral("批量删除成功"));
    } else {
        QCOMPARE(h.widget<QTextEdit>("textEdit_fail")->toPlainText(), names.at(2));
        QCOMPARE(h.widget<QTextEdit>("textEdit_succ")->toPlainText(),
                 names.at(0) + QLatin1Char('\n') + names.at(1));
    }
    // The list was fetched again.
    QCOMPARE(u.domains.size(), 120 - deleted);
    QCOMPARE(h.table()->rowCount(), 31);
    QVERIFY(!h.rowIds().contains(ids.at(0)));
    QVERIFY(h.button("pushButton_17")->isChecked());
}

// --- Refresh and batch jobs -------------------------------------------------------------------

void TestDomainListPage::refreshReloadsAndCounts()
{
    QVERIFY(h.openDomainPage());
    std::unique_ptr<User> other = h.probe();
    QVERIFY(other);
    QVERIFY(other->addDomain(QStringLiteral("fresh-domain.com")));
    h.groupButton(groupIdAt(1))->click();

    QAbstractButton *refresh = h.button("pushButton_refDomain");
    refresh->click();
    QVERIFY(!refresh->isEnabled());
    QCOMPARE(h.toast(), QStringLiteral("已刷新，121个域名"));
    QCOMPARE(theUser().domains.size(), 121);
    QVERIFY(h.button("pushButton_17")->isChecked());
    QCOMPARE(theUser().filterGroupId, 0);
    QCOMPARE(h.button("pushButton_17")->text(), QStringLiteral("全部域名 (121)"));
    QCOMPARE(h.table()->rowCount(), 31);
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), kEventWithinMs);
}

void TestDomainListPage::batchJobsTakeCheckedNames()
{
    QVERIFY(h.openDomainPage());
    auto *list = h.widget<QPlainTextEdit>("plainTextEdit_2");
    auto *stack = h.widget<QStackedWidget>("stackedWidget");
    list->setPlainText(QStringLiteral("kept.com"));

    h.button("pushButton_25")->click();
    QCOMPARE(stack->currentWidget(), h.widget("page_bat3"));
    QCOMPARE(list->toPlainText(), QStringLiteral("kept.com"));

    h.button("commandLinkButton")->click();
    checkRows(1, 2);
    QSignalSpy inputForm(h.button("pushButton_43"), &QAbstractButton::clicked);
    h.button("pushButton_25")->click();
    QCOMPARE(stack->currentWidget(), h.widget("page_bat3"));
    QCOMPARE(list->toPlainText(),
             rowDomain(h.table(), 1)->name + QLatin1Char('\n') + rowDomain(h.table(), 2)->name);
    QCOMPARE(inputForm.count(), 1);
}

void TestDomainListPage::nameOpensRecordPage()
{
    QVERIFY(h.openDomainPage());
    const QSharedPointer<Domain> dm = rowDomain(h.table(), 0);
    h.rowButton(0, 3)->click();
    QCOMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(), h.widget("page_record"));
    QCOMPARE(h.window->recordPage().domain(), dm);
    QCOMPARE(h.widget<QLabel>("label_domain")->toolTip(), dm->name);
    QCOMPARE(h.widget<QTableWidget>("tableR")->rowCount(), dm->records.size());
}

QTEST_MAIN(TestDomainListPage)
#include "tst_domainlist_page.moc"
