#include "app/AppGlobals.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "localservice/storage/Storage.h"
#include "manage/batch/BatchJobsPage.h"
#include "manage/batch/BatchRowTable.h"
#include "manage/records/RecordPage.h"
#include "manage/shared/ElidedText.h"
#include "manage/shared/LineMenu.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WindowHarness.h"
#include "widgets/MyMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimer>
#include <QWidgetAction>
#include <QtTest>

namespace {

const QString kShowcase = QStringLiteral("halvik-demo.com"); // every type and line, 17 records
const QString kBasic = QStringLiteral("harbor-demo.com");    // package "1", 4 records
constexpr int kTelecom = 0x11174100;
constexpr int kGuangdongTelecom = 0x11174144;

QPushButton *buttonWithText(const QWidget *parent, const QString &text)
{
    const QList<QPushButton *> buttons = parent->findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

QAction *actionWithText(const QMenu *menu, const QString &text)
{
    const QList<QAction *> actions = menu->actions();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

} // namespace

// The record list page against the stand-in service: display rows, in-place editors and the
// line chooser, row and bulk actions, refresh, and records that stay valid across reloads.
class TestRecordPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void displayRows();
    void fewRowsKeepWideOperationsColumn();
    void editorKeyboard();
    void editorOpensWithRecordAndEmptyMx();
    void saveSendsMxAsTypedAndUpdatesRow();
    void saveKeepsFieldsLeftEmpty();
    void serviceRefusalKeepsEditor();
    void invalidValuesNeverSent_data();
    void invalidValuesNeverSent();
    void secondClickOnEditedRowIgnored();
    void cancelRestoresRow();
    void addRowsAndCancelBringPendingBackToZero();
    void newRecordSavedIntoRow();
    void newRecordOnChosenLine();
    void recordOnLineOutsidePackage();

    void greyedLineRefused();
    void subLinePanelAndParentChoice();

    void pauseAsksAndStartDoesNot();
    void pauseCancelledCallsNothing();
    void deleteOneRecord();
    void deleteFailureKeepsRow();
    void bulkPauseAndStart();
    void bulkPauseStopsWhenJournalFails();
    void nothingTickedToasts();
    void batchDeleteReportsFailingHost();
    void refreshToastAndReenable();
    void failedRefreshClaimsNothing();
    void refreshDuringSaveKeepsRecordsValid();
    void rowsBuiltAsTheyComeIntoView();
    void backAndBatchButtons();
    void periodicJobLeavesRecordPageAlone();

private:
    QSharedPointer<Domain> domainNamed(const QString &name) const;
    void open(const QString &name);
    QTableWidget *table() const;
    int rowOf(const QString &host, const QString &type, const QString &value = QString()) const;
    QSharedPointer<Record> recordOfRow(int row) const;
    QString cellText(int row, int column) const;
    QPushButton *saveButton(int row) const;
    QPushButton *cancelButton(int row) const;
    QPushButton *rowButton(int row, int index) const;
    RecordRow serverRecord(int domainId, int recordId);
    void openEditor(int row);

    WindowHarness h;
};

void TestRecordPage::init()
{
    h.init();
    QVERIFY(h.startService());
    QVERIFY(h.signIn());
    h.openManagement(WindowHarness::Show::Shown, QSize(1026, 675));
}

void TestRecordPage::cleanup()
{
    h.cleanup();
}

QSharedPointer<Domain> TestRecordPage::domainNamed(const QString &name) const
{
    User &u = theUser();
    return u.domains.sharedOf(u.domain2ptr(name));
}

void TestRecordPage::open(const QString &name)
{
    const QSharedPointer<Domain> domain = domainNamed(name);
    QVERIFY(domain);
    h.window->recordPage().showDomain(domain);
    // Rows just beyond the view are built once the page is drawn.
    QCoreApplication::processEvents();
    QCOMPARE(h.window->currentDomain, domain);
    QCOMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
             h.widget<QWidget>("page_record"));
}

QTableWidget *TestRecordPage::table() const
{
    return h.widget<QTableWidget>("tableR");
}

QSharedPointer<Record> TestRecordPage::recordOfRow(int row) const
{
    const QTableWidgetItem *item = table()->verticalHeaderItem(row);
    return item ? item->data(RecordPage::RecordRole).value<QSharedPointer<Record>>() : nullptr;
}

int TestRecordPage::rowOf(const QString &host, const QString &type, const QString &value) const
{
    for (int row = 0; row < table()->rowCount(); ++row) {
        const auto r = recordOfRow(row);
        if (r && r->host == host && r->type == type && (value.isEmpty() || r->value == value))
            return row;
    }
    return -1;
}

QString TestRecordPage::cellText(int row, int column) const
{
    QWidget *cell = table()->cellWidget(row, column);
    if (!cell)
        return QStringLiteral("(no widget)");
    // Host and value may show cut to their column; the whole text is what the row says.
    if (column == 0)
        return fullText(cell->property("wgname").value<QPushButton *>());
    return fullText(qobject_cast<QPushButton *>(cell));
}

QPushButton *TestRecordPage::saveButton(int row) const
{
    return buttonWithText(table()->cellWidget(row, 6), QStringLiteral("保存"));
}

QPushButton *TestRecordPage::cancelButton(int row) const
{
    return buttonWithText(table()->cellWidget(row, 6), QStringLiteral("取消"));
}

// 0: pause or start, 1: delete.
QPushButton *TestRecordPage::rowButton(int row, int index) const
{
    return table()->cellWidget(row, 6)->findChildren<QPushButton *>().value(index);
}

RecordRow TestRecordPage::serverRecord(int domainId, int recordId)
{
    RecordRow row;
    h.service->service().storage().record(h.accountId(), domainId, recordId, &row);
    return row;
}

void TestRecordPage::openEditor(int row)
{
    // A click on the value cell opens the row.
    qobject_cast<QPushButton *>(table()->cellWidget(row, 2))->click();
    QVERIFY(qobject_cast<QLineEdit *>(table()->cellWidget(row, 0)));
}

// --- Display ---------------------------------------------------------------------------------

void TestRecordPage::displayRows()
{
    open(kShowcase);
    QTableWidget *t = table();
    QCOMPARE(t->rowCount(), 17);
    QTRY_COMPARE(h.widget<QLabel>("label_domain")->text(), kShowcase);

    const QStringList headers = {"主机记录", "类型", "记录值", "线路", "MX", "TTL", "操作"};
    for (int c = 0; c < headers.size(); ++c)
        QCOMPARE(t->horizontalHeaderItem(c)->text(), headers.at(c));
    // Type, line, MX and TTL as wide as their content: the showcase's all show whole.
    QTRY_VERIFY(t->cellWidget(0, 1));
    for (int row = 0; row < t->rowCount(); ++row) {
        for (int c : {1, 3, 4, 5}) {
            if (const auto *b = qobject_cast<QPushButton *>(t->cellWidget(row, c)))
                QCOMPARE(b->text(), fullText(b));
        }
    }
    for (int c : {1, 3, 4, 5})
        QVERIFY2(t->columnWidth(c) <= 160, qPrintable(QString::number(t->columnWidth(c))));
    QCOMPARE(t->columnWidth(6), 89); // more than 10 rows
    QCOMPARE(t->horizontalHeader()->sectionResizeMode(6), QHeaderView::Fixed);
    QCOMPARE(t->horizontalHeader()->sectionResizeMode(2), QHeaderView::Stretch);

    const int a = rowOf("@", "A", "203.0.113.10");
    QVERIFY(a >= 0);
    QCOMPARE(cellText(a, 0), QStringLiteral("@"));
    QCOMPARE(cellText(a, 1), QStringLiteral("A"));
    QCOMPARE(cellText(a, 2), QStringLiteral("203.0.113.10"));
    QCOMPARE(cellText(a, 3), QStringLiteral("默认"));
    QCOMPARE(cellText(a, 4), QStringLiteral("-"));
    QCOMPARE(cellText(a, 5), QStringLiteral("600"));
    QCOMPARE(rowButton(a, 0)->toolTip(), QStringLiteral(" 点击暂停"));
    QCOMPARE(rowButton(a, 1)->toolTip(), QStringLiteral(" 点击删除"));

    const int mx = rowOf("@", "MX", "mx2.halvik-demo.com");
    QCOMPARE(cellText(mx, 1), QStringLiteral("MX"));
    QCOMPARE(cellText(mx, 3), QStringLiteral("电信"));
    QCOMPARE(cellText(mx, 4), QStringLiteral("20"));
    QCOMPARE(cellText(rowOf("@", "A", "203.0.113.13"), 3), QStringLiteral("广东电信"));
    QCOMPARE(cellText(rowOf("ipv6", "AAAA", "2001:db8::10"), 1), QStringLiteral("AAAA"));
    QCOMPARE(rowButton(rowOf("old", "A"), 0)->toolTip(), QStringLiteral(" 点击启用"));

    // The column-0 container carries the row's record and widgets; host and value have the
    // window's hover tool tip.
    QWidget *container = t->cellWidget(a, 0);
    QCOMPARE(container->property("recordP").value<QSharedPointer<Record>>(), recordOfRow(a));
    QVERIFY(container->property("chk1").value<QCheckBox *>());
    QCOMPARE(container->property("wgvalue").value<QPushButton *>(), t->cellWidget(a, 2));
    const auto *host = container->property("wgname").value<QPushButton *>();
    QVERIFY(h.window->nameButtons.contains(const_cast<QPushButton *>(host)));
    QCOMPARE(t->item(a, 3)->background().color(),
             a % 2 ? h.window->rowColorOdd : h.window->rowColorEven);
}

void TestRecordPage::fewRowsKeepWideOperationsColumn()
{
    open(kBasic);
    QCOMPARE(table()->rowCount(), 4);
    QCOMPARE(table()->columnWidth(6), 130);
}

// --- Editors ---------------------------------------------------------------------------------

void TestRecordPage::editorOpensWithRecordAndEmptyMx()
{
    open(kShowcase);
    const int row = rowOf("@", "MX", "mx2.halvik-demo.com");
    openEditor(row);
    QTableWidget *t = table();
    QCOMPARE(qobject_cast<QLineEdit *>(t->cellWidget(row, 0))->text(), QStringLiteral("@"));
    QCOMPARE(qobject_cast<QComboBox *>(t->cellWidget(row, 1))->currentData().toString(),
             QStringLiteral("MX"));
    QCOMPARE(qobject_cast<QLineEdit *>(t->cellWidget(row, 2))->text(),
             QStringLiteral("mx2.halvik-demo.com"));
    auto *line = qobject_cast<QPushButton *>(t->cellWidget(row, 3));
    QCOMPARE(line->objectName(), QStringLiteral("xlbtn"));
    QCOMPARE(line->text(), QStringLiteral("电信"));
    QCOMPARE(chosenLine(line).viewID, kTelecom);
    QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(row, 4))->text().isEmpty());
    QCOMPARE(qobject_cast<QLineEdit *>(t->cellWidget(row, 5))->text(), QStringLiteral("600"));
    QVERIFY(saveButton(row));
    QVERIFY(cancelButton(row));
}

void TestRecordPage::saveSendsMxAsTypedAndUpdatesRow()
{
    open(kShowcase);
    const int row = rowOf("@", "MX", "mx2.halvik-demo.com");
    const QSharedPointer<Record> record = recordOfRow(row);
    openEditor(row);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 2))->setText("mx3.halvik-demo.com");
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 4))->setText("5");
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 5))->setText("3600");
    saveButton(row)->click();

    QCOMPARE(h.boxes->count(), 0);
    QVERIFY(table()->cellWidget(row, 0)->property("recordP").isValid()); // display mode
    QCOMPARE(cellText(row, 2), QStringLiteral("mx3.halvik-demo.com"));
    QCOMPARE(cellText(row, 4), QStringLiteral("5"));
    QCOMPARE(cellText(row, 5), QStringLiteral("3600"));
    QCOMPARE(record->mx, 5);
    const RecordRow stored = serverRecord(domainNamed(kShowcase)->id, record->id);
    QCOMPARE(stored.value, QStringLiteral("mx3.halvik-demo.com"));
    QCOMPARE(stored.mx, 5);
    QCOMPARE(stored.ttl, 3600);
    QCOMPARE(stored.viewId, kTelecom);
}

// The in-place editor as a keyboard user meets it: MX and TTL take digits only, Tab follows
// the row, Enter saves and Escape cancels.
void TestRecordPage::editorKeyboard()
{
    open(kShowcase);
    const int row = rowOf("@", "MX", "mx2.halvik-demo.com");
    const QSharedPointer<Record> record = recordOfRow(row);
    const int domainId = domainNamed(kShowcase)->id;
    openEditor(row);
    auto *host = qobject_cast<QLineEdit *>(table()->cellWidget(row, 0));
    auto *value = qobject_cast<QLineEdit *>(table()->cellWidget(row, 2));
    auto *mx = qobject_cast<QLineEdit *>(table()->cellWidget(row, 4));
    auto *ttl = qobject_cast<QLineEdit *>(table()->cellWidget(row, 5));
    QVERIFY(host && value && mx && ttl);

    mx->clear();
    QTest::keyClicks(mx, "1a-5");
    QCOMPARE(mx->text(), QStringLiteral("15"));
    ttl->clear();
    QTest::keyClicks(ttl, "c60 ");
    QCOMPARE(ttl->text(), QStringLiteral("60"));

    // Tab: host, type, value, line, MX, TTL, save, cancel, as the row reads.
    const QList<QWidget *> row_{
        host,           table()->cellWidget(row, 1), value, table()->cellWidget(row, 3), mx, ttl,
        saveButton(row)};
    QWidget *at = host;
    for (int i = 1; i < row_.size(); ++i) {
        QWidget *next = at->nextInFocusChain();
        // Tab passes over what takes no focus and over the parts of a field (a combo box's).
        while (next != row_.at(i) &&
               (row_.at(i - 1)->isAncestorOf(next) || !(next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        QVERIFY2(next == row_.at(i),
                 qPrintable(
                     QStringLiteral("after %1: %2 %3")
                         .arg(i - 1)
                         .arg(QLatin1String(next->metaObject()->className()), next->objectName())));
        at = next;
    }

    // Escape leaves the record as it was.
    QTest::keyClick(value, Qt::Key_Escape);
    QVERIFY(table()->cellWidget(row, 0)->property("recordP").isValid());
    QCOMPARE(serverRecord(domainId, record->id).ttl, 600);

    // Enter in a field saves.
    openEditor(row);
    ttl = qobject_cast<QLineEdit *>(table()->cellWidget(row, 5));
    ttl->setText(QStringLiteral("60"));
    QTest::keyClick(ttl, Qt::Key_Return);
    QCOMPARE(h.boxes->count(), 0);
    QVERIFY(table()->cellWidget(row, 0)->property("recordP").isValid());
    QCOMPARE(serverRecord(domainId, record->id).ttl, 60);
}

void TestRecordPage::saveKeepsFieldsLeftEmpty()
{
    // The MX line opens empty; saving without typing one must not turn the priority into 0.
    open(kShowcase);
    const int row = rowOf("@", "MX", "mx2.halvik-demo.com");
    const QSharedPointer<Record> record = recordOfRow(row);
    openEditor(row);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 5))->clear();
    saveButton(row)->click();
    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(cellText(row, 4), QStringLiteral("20"));
    QCOMPARE(cellText(row, 5), QStringLiteral("600"));
    const RecordRow stored = serverRecord(domainNamed(kShowcase)->id, record->id);
    QCOMPARE(stored.mx, 20);
    QCOMPARE(stored.ttl, 600);
}

void TestRecordPage::serviceRefusalKeepsEditor()
{
    open(kShowcase);
    const int row = rowOf("www", "CNAME");
    const QSharedPointer<Record> record = recordOfRow(row);
    // The record is gone on the service: the save fails there.
    h.service->service().storage().removeRecord(h.accountId(), domainNamed(kShowcase)->id,
                                                record->id);
    openEditor(row);
    auto *value = qobject_cast<QLineEdit *>(table()->cellWidget(row, 2));
    value->setText("other.example.net");
    saveButton(row)->click();

    QCOMPARE(h.boxes->count(), 1);
    QVERIFY(!theUser().errorText.isEmpty());
    QCOMPARE(h.boxes->shown.at(0).content, QStringLiteral("保存失败:") + theUser().errorText);
    QCOMPARE(h.boxes->shown.at(0).title, QString());
    QCOMPARE(h.boxes->shown.at(0).buttonMode, 1);
    QCOMPARE(table()->cellWidget(row, 2), value);
    QCOMPARE(value->text(), QStringLiteral("other.example.net"));
    QCOMPARE(record->value, QStringLiteral("halvik-demo.com.cdn.example.net"));
}

void TestRecordPage::invalidValuesNeverSent_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("address") << 2 << "203.0.113"
                             << "保存失败:IP格式有误";
    QTest::newRow("host") << 0 << "a b"
                          << "保存失败:主机头格式错误";
    QTest::newRow("TTL") << 5 << "ten"
                         << "保存失败:TTL须为1到604800之间的整数";
}

void TestRecordPage::invalidValuesNeverSent()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, message);
    open(kShowcase);
    // Anything that reached the service would come back with this text instead.
    Fault refusal;
    refusal.kind = FaultKind::Custom;
    refusal.contentType = "application/json";
    refusal.body = R"({"code":2,"message":"sent"})";
    h.service->setFault(QStringLiteral("/api/record/modify/"), refusal);

    const int row = rowOf("@", "A", "203.0.113.10");
    openEditor(row);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, column))->setText(text);
    saveButton(row)->click();
    QCOMPARE(h.boxes->contents(), QStringList{message});
    QVERIFY(qobject_cast<QLineEdit *>(table()->cellWidget(row, 0)));
}

void TestRecordPage::secondClickOnEditedRowIgnored()
{
    open(kShowcase);
    const int row = rowOf("@", "A", "203.0.113.10");
    const QSharedPointer<Record> record = recordOfRow(row);
    h.window->activateRow(record.data());
    auto *host = qobject_cast<QLineEdit *>(table()->cellWidget(row, 0));
    QVERIFY(host);
    host->setText("typed");
    h.window->activateRow(record.data());
    QCOMPARE(table()->cellWidget(row, 0), host);
    QCOMPARE(host->text(), QStringLiteral("typed"));
}

void TestRecordPage::cancelRestoresRow()
{
    open(kShowcase);
    const int row = rowOf("@", "A", "203.0.113.10");
    const QSharedPointer<Record> record = recordOfRow(row);
    qobject_cast<QCheckBox *>(table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>())
        ->setChecked(true);
    openEditor(row);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 2))->setText("198.51.100.1");
    cancelButton(row)->click();
    QCOMPARE(cellText(row, 2), QStringLiteral("203.0.113.10"));
    QCOMPARE(record->value, QStringLiteral("203.0.113.10"));
    QVERIFY(table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>()->isChecked());
    // The row opens again after a cancel.
    openEditor(row);
}

void TestRecordPage::addRowsAndCancelBringPendingBackToZero()
{
    open(kBasic);
    QTableWidget *t = table();
    h.widget<QPushButton>("pushButton_15")->click();
    h.widget<QPushButton>("pushButton_15")->click();
    QCOMPARE(t->property("prow").toInt(), 2);
    QCOMPARE(t->rowCount(), 6);
    for (int row = 0; row < 2; ++row) {
        QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(row, 0)));
        QVERIFY(!recordOfRow(row));
        QCOMPARE(qobject_cast<QComboBox *>(t->cellWidget(row, 1))->currentIndex(), 0);
        auto *line = qobject_cast<QPushButton *>(t->cellWidget(row, 3));
        QCOMPARE(line->text(), QStringLiteral("默认"));
        QCOMPARE(chosenLine(line).viewID, 0);
    }
    QPushButton *second = cancelButton(1);
    cancelButton(0)->click();
    QCOMPARE(t->property("prow").toInt(), 1);
    second->click();
    QCOMPARE(t->property("prow").toInt(), 0);
    QCOMPARE(t->rowCount(), 4);
    // A cancel that finds no row of its own leaves the count alone.
    second->click();
    QCOMPARE(t->property("prow").toInt(), 0);
    QCOMPARE(t->rowCount(), 4);
}

void TestRecordPage::newRecordSavedIntoRow()
{
    open(kBasic);
    const QSharedPointer<Domain> domain = domainNamed(kBasic);
    QTableWidget *t = table();
    h.window->activateRowAdd();
    h.window->activateRowAdd();
    qobject_cast<QLineEdit *>(t->cellWidget(1, 0))->setText("api");
    qobject_cast<QLineEdit *>(t->cellWidget(1, 2))->setText("192.0.2.7");
    saveButton(1)->click();

    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(t->property("prow").toInt(), 1);
    QCOMPARE(t->rowCount(), 6);
    const QSharedPointer<Record> created = recordOfRow(1);
    QVERIFY(created);
    QVERIFY(domain->records.contains(created.data()));
    QCOMPARE(created->lineID, 0);
    QCOMPARE(cellText(1, 0), QStringLiteral("api"));
    QCOMPARE(cellText(1, 2), QStringLiteral("192.0.2.7"));
    QCOMPARE(cellText(1, 3), QStringLiteral("默认"));
    QCOMPARE(cellText(1, 5), QStringLiteral("600"));
    QCOMPARE(serverRecord(domain->id, created->id).value, QStringLiteral("192.0.2.7"));
    QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(0, 0))); // the other editor stays
}

void TestRecordPage::newRecordOnChosenLine()
{
    open(kBasic);
    QTableWidget *t = table();
    h.window->activateRowAdd();
    qobject_cast<QLineEdit *>(t->cellWidget(0, 0))->setText("cn");
    qobject_cast<QLineEdit *>(t->cellWidget(0, 2))->setText("192.0.2.8");
    auto *line = qobject_cast<QPushButton *>(t->cellWidget(0, 3));
    actionWithText(line->menu(), QStringLiteral("电信"))->trigger();
    saveButton(0)->click();
    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(cellText(0, 3), QStringLiteral("电信"));
    QCOMPARE(recordOfRow(0)->lineID, kTelecom);
}

void TestRecordPage::recordOnLineOutsidePackage()
{
    // A record on a line the package does not offer (the package was lowered, say).
    const QSharedPointer<Domain> domain = domainNamed(kBasic);
    RecordRow r;
    r.host = QStringLiteral("gd");
    r.type = QStringLiteral("A");
    r.value = QStringLiteral("192.0.2.9");
    r.viewId = kGuangdongTelecom;
    QCOMPARE(h.service->service().storage().createRecord(h.accountId(), domain->id, r), 0);
    open(kBasic);
    const int row = rowOf("gd", "A");
    QCOMPARE(cellText(row, 3), QStringLiteral("未知"));
    openEditor(row);
    auto *line = qobject_cast<QPushButton *>(table()->cellWidget(row, 3));
    // Saving must not move it to the default line behind the user's back.
    QCOMPARE(line->text(), QStringLiteral("未知"));
    QCOMPARE(chosenLine(line).viewID, kGuangdongTelecom);
}

// --- Line chooser ----------------------------------------------------------------------------

void TestRecordPage::greyedLineRefused()
{
    open(kBasic); // package "1": carriers of area 3 and beyond are not included
    const int row = rowOf("@", "A");
    openEditor(row);
    auto *line = qobject_cast<QPushButton *>(table()->cellWidget(row, 3));
    auto *menu = qobject_cast<MyMenu *>(line->menu());
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("menup"));

    QAction *education = actionWithText(menu, QStringLiteral("教育网"));
    QVERIFY(education);
    education->trigger();
    QCOMPARE(h.boxes->contents(), QStringList{"升级更高服务版本，获取更多智能解析线路"});
    QCOMPARE(line->text(), QStringLiteral("默认"));
    QCOMPARE(chosenLine(line).viewID, 0);

    actionWithText(menu, QStringLiteral("电信"))->trigger();
    QCOMPARE(line->text(), QStringLiteral("电信"));
    QCOMPARE(chosenLine(line).viewID, kTelecom);
    QCOMPARE(h.boxes->count(), 1);
}

void TestRecordPage::subLinePanelAndParentChoice()
{
    open(kShowcase); // every area type: provinces under the carriers
    const int row = rowOf("@", "A", "203.0.113.10");
    const QSharedPointer<Record> record = recordOfRow(row);
    openEditor(row);
    auto *line = qobject_cast<QPushButton *>(table()->cellWidget(row, 3));
    QMenu *menu = line->menu();
    QAction *telecom = actionWithText(menu, QStringLiteral("电信"));
    QVERIFY(telecom && telecom->menu());
    QCOMPARE(telecom->menu()->objectName(), QStringLiteral("menusub"));
    auto *panelAction = qobject_cast<QWidgetAction *>(telecom->menu()->actions().value(0));
    QVERIFY(panelAction);
    QWidget *panel = panelAction->defaultWidget();
    QCOMPARE(panel->objectName(), QStringLiteral("smain"));
    auto *grid = qobject_cast<QGridLayout *>(panel->layout());
    QCOMPARE(panel->findChildren<QPushButton *>(QStringLiteral("subbtn")).size(), 31);
    QCOMPARE(grid->columnCount(), 4);
    // Sub-lines four to a row: the fifth (Inner Mongolia) starts the second row.
    QCOMPARE(qobject_cast<QPushButton *>(grid->itemAtPosition(1, 0)->widget())->text(),
             QStringLiteral("内蒙古电信"));
    QPushButton *guangdong = buttonWithText(panel, QStringLiteral("广东电信"));
    QVERIFY(h.window->menuButtons.contains(guangdong));
    guangdong->click();
    QCOMPARE(line->text(), QStringLiteral("广东电信"));
    QCOMPARE(chosenLine(line).viewID, kGuangdongTelecom);

    // A click on the parent entry (MyMenu triggers it) chooses the parent itself.
    telecom->trigger();
    QCOMPARE(line->text(), QStringLiteral("电信"));
    guangdong->click();
    saveButton(row)->click();
    QCOMPARE(h.boxes->count(), 0);
    QCOMPARE(cellText(row, 3), QStringLiteral("广东电信"));
    QCOMPARE(record->lineID, kGuangdongTelecom);
    QCOMPARE(serverRecord(domainNamed(kShowcase)->id, record->id).viewId, kGuangdongTelecom);
}

// --- Row and bulk actions --------------------------------------------------------------------

void TestRecordPage::pauseAsksAndStartDoesNot()
{
    open(kShowcase);
    const int row = rowOf("edu", "A");
    const QSharedPointer<Record> record = recordOfRow(row);
    const int domainId = domainNamed(kShowcase)->id;
    h.boxes->answer(1);
    rowButton(row, 0)->click();
    QCOMPARE(h.boxes->count(), 1);
    QCOMPARE(h.boxes->shown.at(0).title, QStringLiteral("暂停"));
    QCOMPARE(h.boxes->shown.at(0).content, QStringLiteral("edu<br/>确定暂停该解析记录吗？"));
    QCOMPARE(h.boxes->shown.at(0).buttonMode, 2);
    QCOMPARE(record->state, 2);
    QVERIFY(serverRecord(domainId, record->id).state != 0);
    QCOMPARE(h.toast(), QStringLiteral("暂停成功"));
    QCOMPARE(rowButton(row, 0)->toolTip(), QStringLiteral(" 点击启用"));

    rowButton(row, 0)->click();
    QCOMPARE(h.boxes->count(), 1);
    QCOMPARE(record->state, 0);
    QCOMPARE(serverRecord(domainId, record->id).state, 0);
    QCOMPARE(h.toast(), QStringLiteral("启用成功"));
    QCOMPARE(rowButton(row, 0)->toolTip(), QStringLiteral(" 点击暂停"));
}

void TestRecordPage::pauseCancelledCallsNothing()
{
    open(kShowcase);
    const int row = rowOf("edu", "A");
    const QSharedPointer<Record> record = recordOfRow(row);
    h.boxes->answer(0);
    rowButton(row, 0)->click();
    QCOMPARE(record->state, 0);
    QCOMPARE(serverRecord(domainNamed(kShowcase)->id, record->id).state, 0);
}

void TestRecordPage::deleteOneRecord()
{
    open(kShowcase);
    const QSharedPointer<Domain> domain = domainNamed(kShowcase);
    const int row = rowOf("edu", "A");
    const QSharedPointer<Record> record = recordOfRow(row);
    h.boxes->answer(1);
    rowButton(row, 1)->click();
    QCOMPARE(h.boxes->shown.at(0).title, QStringLiteral("是否删除"));
    QCOMPARE(h.boxes->shown.at(0).content, QStringLiteral("确定要删除 edu 吗?"));
    QCOMPARE(h.toast(), QStringLiteral("删除成功"));
    QVERIFY(!domain->records.contains(record.data()));
    QCOMPARE(table()->rowCount(), 16);
    QCOMPARE(rowOf("edu", "A"), -1);
    QCOMPARE(serverRecord(domain->id, record->id).id, 0);
}

void TestRecordPage::deleteFailureKeepsRow()
{
    open(kShowcase);
    const QSharedPointer<Domain> domain = domainNamed(kShowcase);
    const int row = rowOf("edu", "A");
    const QSharedPointer<Record> record = recordOfRow(row);
    h.service->service().storage().removeRecord(h.accountId(), domain->id, record->id);
    h.boxes->answer(1);
    rowButton(row, 1)->click();
    QCOMPARE(h.boxes->count(), 2);
    QVERIFY(!theUser().errorText.isEmpty());
    QCOMPARE(h.boxes->shown.at(1).content, theUser().errorText);
    QVERIFY(domain->records.contains(record.data()));
    QCOMPARE(rowOf("edu", "A"), row);
}

void TestRecordPage::bulkPauseAndStart()
{
    open(kShowcase);
    const QList<int> rows = {rowOf("edu", "A"), rowOf("www", "CNAME")};
    for (int row : rows)
        table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>()->click();
    auto *combo = h.widget<QComboBox>("cbRcsPause");
    QSignalSpy activated(combo, QOverload<int>::of(&QComboBox::activated));
    emit combo->activated(0);
    QCOMPARE(h.boxes->count(), 0); // no question
    QCOMPARE(h.toast(), QStringLiteral("操作成功"));
    for (int row : rows) {
        QCOMPARE(recordOfRow(row)->state, 2);
        QCOMPARE(rowButton(row, 0)->toolTip(), QStringLiteral(" 点击启用"));
        // Rebuilt rows keep their ticks.
        QVERIFY(table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>()->isChecked());
    }
    // One of them vanished on the service: the toast carries its failure.
    h.service->service().storage().removeRecord(h.accountId(), domainNamed(kShowcase)->id,
                                                recordOfRow(rows.at(1))->id);
    emit combo->activated(1);
    QCOMPARE(recordOfRow(rows.at(0))->state, 0);
    QCOMPARE(recordOfRow(rows.at(1))->state, 2);
    QVERIFY(h.toast() != QStringLiteral("操作成功"));
    QCOMPARE(h.toast(), theUser().errorText);
}

// The journal stops taking writes after the first record was paused: the loop must end there,
// with no further call to the service, and say so.
void TestRecordPage::bulkPauseStopsWhenJournalFails()
{
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    const auto restore = qScopeGuard([&oldData] { qputenv("XDG_DATA_HOME", oldData); });

    open(kShowcase);
    const QList<int> rows = {rowOf("edu", "A"), rowOf("www", "CNAME")};
    for (int row : rows)
        table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>()->click();
    const int domainId = domainNamed(kShowcase)->id;
    const int first = recordOfRow(rows.at(0))->id;
    const int second = recordOfRow(rows.at(1))->id;

    // Once the first pause is through, the journal's steps are out of reach.
    int changes = 0;
    QMetaObject::Connection breaker =
        connect(&theUser(), &User::recordChanged, this, [&changes](const RecordChange &) {
            if (++changes > 1)
                return;
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("breaker"));
            db.setDatabaseName(Journal::defaultPath());
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("ALTER TABLE steps RENAME TO steps_gone")));
            db.close();
        });
    emit h.widget<QComboBox>("cbRcsPause")->activated(0);
    disconnect(breaker);
    QSqlDatabase::removeDatabase(QStringLiteral("breaker"));

    QCOMPARE(changes, 1);
    QCOMPARE(serverRecord(domainId, first).state, int(RecordPaused));
    QCOMPARE(serverRecord(domainId, second).state, int(RecordRunning));
    QCOMPARE(h.boxes->count(), 1);
    QVERIFY2(h.boxes->contents().first().contains(QStringLiteral("操作已停止")),
             qPrintable(h.boxes->contents().first()));
    QCOMPARE(recordOfRow(rows.at(1))->state, 0);
}

void TestRecordPage::nothingTickedToasts()
{
    open(kShowcase);
    emit h.widget<QComboBox>("cbRcsPause")->activated(0);
    QCOMPARE(h.toast(), QStringLiteral("请勾选欲操作的主机记录"));
    h.widget<QPushButton>("btnDelR")->click();
    QCOMPARE(h.toast(), QStringLiteral("请勾选欲删除的主机记录"));
    QCOMPARE(h.boxes->count(), 0);
}

void TestRecordPage::batchDeleteReportsFailingHost()
{
    open(kShowcase);
    const QSharedPointer<Domain> domain = domainNamed(kShowcase);
    const QStringList hosts = {"edu", "www", "old"};
    const QStringList types = {"A", "CNAME", "A"};
    for (int i = 0; i < hosts.size(); ++i)
        table()
            ->cellWidget(rowOf(hosts.at(i), types.at(i)), 0)
            ->property("chk1")
            .value<QCheckBox *>()
            ->click();
    // "www" is already gone on the service, so deleting it fails.
    h.service->service().storage().removeRecord(h.accountId(), domain->id,
                                                recordOfRow(rowOf("www", "CNAME"))->id);
    h.boxes->answer(1);
    h.widget<QPushButton>("btnDelR")->click();

    QCOMPARE(h.boxes->shown.at(0).title, QStringLiteral("是否删除"));
    QCOMPARE(h.boxes->shown.at(0).content, QStringLiteral("确定要删除 3 个记录吗?"));
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(),
             h.widget<QWidget>("page_flist"));
    QCOMPARE(h.widget<QTextEdit>("textEdit_succ")->toPlainText(), QStringLiteral("edu\nold"));
    QCOMPARE(h.widget<QTextEdit>("textEdit_fail")->toPlainText(), QStringLiteral("www:操作失败"));
    // The page was rebuilt from a fresh list.
    QCOMPARE(table()->rowCount(), 14);
    QCOMPARE(domain->records.size(), 14);
}

void TestRecordPage::refreshToastAndReenable()
{
    open(kShowcase);
    auto *selectAll = h.widget<QCheckBox>("checkBoxR");
    selectAll->click();
    QCOMPARE(h.window->recordPage().checkedRecords().size(), 17);
    h.window->activateRowAdd();
    auto *refresh = h.widget<QPushButton>("pushButton_30");
    refresh->click();
    QCOMPARE(h.toast(), QStringLiteral("已刷新，17个解析记录"));
    QVERIFY(!selectAll->isChecked());
    QCOMPARE(table()->rowCount(), 17);
    QCOMPARE(table()->property("prow").toInt(), 0);
    QVERIFY(h.window->recordPage().checkedRecords().isEmpty());
    QVERIFY(!refresh->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), kEventWithinMs);
}

void TestRecordPage::failedRefreshClaimsNothing()
{
    open(kShowcase);
    Fault refusal;
    refusal.kind = FaultKind::Custom;
    refusal.contentType = "application/json";
    refusal.body = R"({"code":2,"message":"列表暂不可用"})";
    h.service->setFault(QStringLiteral("/api/record/list/"), refusal);
    h.widget<QPushButton>("pushButton_30")->click();
    QCOMPARE(h.toast(), QStringLiteral("列表暂不可用"));
    QCOMPARE(table()->rowCount(), 17);
    QCOMPARE(domainNamed(kShowcase)->records.size(), 17);
}

void TestRecordPage::refreshDuringSaveKeepsRecordsValid()
{
    open(kShowcase);
    const int row = rowOf("@", "A", "203.0.113.10");
    const QSharedPointer<Record> record = recordOfRow(row);
    Fault slow;
    slow.kind = FaultKind::DelayOnly;
    slow.delayMs = 600;
    h.service->setFault(QStringLiteral("/api/record/modify/"), slow);
    openEditor(row);
    qobject_cast<QLineEdit *>(table()->cellWidget(row, 2))->setText("203.0.113.50");
    // While the change is on its way, the user refreshes: the record list is rebuilt.
    h.whenStruck(QStringLiteral("/api/record/modify/"), 1,
                 [this] { h.widget<QPushButton>("pushButton_30")->click(); });
    saveButton(row)->click();

    QCOMPARE(h.boxes->count(), 0);
    QVERIFY(!domainNamed(kShowcase)->records.contains(record.data()));
    QCOMPARE(record->value, QStringLiteral("203.0.113.50"));
    QCOMPARE(table()->rowCount(), 17);
    for (int r = 0; r < table()->rowCount(); ++r)
        QVERIFY(!qobject_cast<QLineEdit *>(table()->cellWidget(r, 0)));
    QCOMPARE(serverRecord(domainNamed(kShowcase)->id, record->id).value,
             QStringLiteral("203.0.113.50"));
}

void TestRecordPage::rowsBuiltAsTheyComeIntoView()
{
    const QSharedPointer<Domain> domain = domainNamed(kBasic);
    Storage &storage = h.service->service().storage();
    for (int i = 0; i < 80; ++i) {
        RecordRow r;
        r.host = QStringLiteral("h%1").arg(i);
        r.type = QStringLiteral("A");
        r.value = QStringLiteral("192.0.2.%1").arg(i + 1);
        QCOMPARE(storage.createRecord(h.accountId(), domain->id, r), 0);
    }
    open(kBasic);
    QTableWidget *t = table();
    QCOMPARE(t->rowCount(), 84);
    QVERIFY(t->cellWidget(0, 0));
    QVERIFY(!t->cellWidget(83, 0));

    // Ticking all reaches rows without widgets too.
    h.widget<QCheckBox>("checkBoxR")->click();
    QCOMPARE(h.window->recordPage().checkedRecords().size(), 84);
    openEditor(1);

    QTRY_VERIFY(t->verticalScrollBar()->maximum() > 0);
    t->verticalScrollBar()->setValue(t->verticalScrollBar()->maximum());
    QVERIFY(t->cellWidget(83, 0));
    QCOMPARE(cellText(83, 0), QStringLiteral("h79"));
    QVERIFY(t->cellWidget(83, 0)->property("chk1").value<QCheckBox *>()->isChecked());
    // Rows far out of view give their widgets back; an open editor keeps its own.
    QVERIFY(!t->cellWidget(0, 0));
    QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(1, 0)));
    t->verticalScrollBar()->setValue(0);
    QVERIFY(t->cellWidget(0, 0)->property("chk1").value<QCheckBox *>()->isChecked());
    QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(1, 0)));

    // A row without widgets opens for editing all the same.
    h.window->activateRow(recordOfRow(50).data());
    QVERIFY(qobject_cast<QLineEdit *>(t->cellWidget(50, 0)));
}

void TestRecordPage::backAndBatchButtons()
{
    open(kShowcase);
    h.widget<QPushButton>("pushButton_31")->click();
    QCOMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
             h.widget<QWidget>("page_dmdm"));

    // The batch button hands the domain and its ticked records to the batch page's edit tab.
    open(kShowcase);
    const QList<int> rows = {rowOf("www", "CNAME"), rowOf("edu", "A")};
    for (int row : rows)
        table()->cellWidget(row, 0)->property("chk1").value<QCheckBox *>()->click();
    h.widget<QPushButton>("pushButton_Rbat")->click();
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(),
             h.widget<QWidget>("page_bat3"));
    QCOMPARE(h.widget<QTabWidget>("tabWidget_bat")->currentWidget(),
             h.widget<QWidget>("tab_batedit"));
    QCOMPARE(h.widget<QPlainTextEdit>("plainTextEdit_2")->toPlainText(), kShowcase);
    QStringList hosts;
    for (QLineEdit *host : h.window->batchJobsPage().rows(BatchKind::Edit).rows())
        hosts.append(host->text());
    hosts.sort();
    QCOMPARE(hosts, QStringList({QStringLiteral("edu"), QStringLiteral("www")}));
}

// The window's periodic job fills an empty domain table, but never pulls the user away from
// the records they are working on.
void TestRecordPage::periodicJobLeavesRecordPageAlone()
{
    // The job runs only when this test runs it: on its own timer it would fill the empty domain
    // table whenever a slow start left the domain list showing for half a second.
    MainWindow2 &w = h.openManagement(WindowHarness::Show::Hidden, QSize(1026, 675));
    widget<QTimer>(w, "periodicJobTimer")->stop();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    open(kShowcase);
    auto *domainTable = h.widget<QTableWidget>("tableWidget");
    QCOMPARE(domainTable->rowCount(), 0);
    QVERIFY(QMetaObject::invokeMethod(h.window, "slot_scro"));
    QCOMPARE(h.widget<QStackedWidget>("stacked_3")->currentWidget(),
             h.widget<QWidget>("page_record"));
    QCOMPARE(domainTable->rowCount(), 0);

    h.widget<QPushButton>("pushButton_31")->click();
    QVERIFY(QMetaObject::invokeMethod(h.window, "slot_scro"));
    QVERIFY(domainTable->rowCount() > 0);
}

QTEST_MAIN(TestRecordPage)
#include "tst_recordpage.moc"
