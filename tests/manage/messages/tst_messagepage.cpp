#include "app/AppGlobals.h"
#include "client/User.h"
#include "localservice/storage/Storage.h"
#include "manage/messages/MessageRows.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/WindowHarness.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWebFrame>
#include <QWebPage>
#include <QWebView>
#include <QtTest>

#include <memory>

namespace {

// One row of a message list as the page built it.
struct Row
{
    QCheckBox *check = nullptr;
    QPushButton *title = nullptr;
    QPushButton *time = nullptr;
};

// The rows of a list grid, top to bottom; rows on their way out are no longer in the grid.
QList<Row> rowsOf(const QGridLayout *grid)
{
    QList<Row> rows;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QLayoutItem *check = grid->itemAtPosition(r, 0);
        QLayoutItem *title = grid->itemAtPosition(r, 1);
        QLayoutItem *time = grid->itemAtPosition(r, 2);
        if (!check || !title || !time)
            continue;
        rows.append(Row{qobject_cast<QCheckBox *>(check->widget()),
                        qobject_cast<QPushButton *>(title->widget()),
                        qobject_cast<QPushButton *>(time->widget())});
    }
    return rows;
}

bool isBold(const QPushButton *title)
{
    return title->styleSheet().contains(QLatin1String("font-weight:bold"));
}

QSharedPointer<DMsg> messageOf(const Row &row)
{
    return row.check->property("dmsgP").value<QSharedPointer<DMsg>>();
}

const QString kStatePath = QStringLiteral("/api/user/setmsgstate/");

} // namespace

// The message centre against the stand-in service: the three lists, the account messages'
// read state, the actions on ticked rows, refresh and the detail page.
class TestMessagePage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void informListsBothTabs();
    void publicListsHaveNoChecksAndNoBold_data();
    void publicListsHaveNoChecksAndNoBold();
    void openingUnreadFromUnreadTab();
    void openingReadMessageStillMarksIt();
    void openingNewsRendersItsBody();
    void nothingTicked_data();
    void nothingTicked();
    void deleteAsksBeforeAnyCall();
    void markReadAndMarkAllRead();
    void failedStateChangeKeepsLists();
    void refreshToastsAndPauses();
    void selectAllTicksCurrentTabOnly();

private:
    QGridLayout *grid(const char *name) const { return h.widget<QGridLayout>(name); }
    QPushButton *button(const char *name) const { return h.widget<QPushButton>(name); }
    QWidget *listPage() const
    {
        return h.widget<QStackedWidget>("stackedWidget_msg")->currentWidget();
    }
    // The account's messages as the service holds them.
    int serverCount(MessageState state);
    void openInform();

    WindowHarness h;
};

void TestMessagePage::init()
{
    h.init();
    QVERIFY(h.startService());
    QVERIFY(h.signIn(QString(), false));
    h.openManagement(WindowHarness::Show::Hidden);
}

void TestMessagePage::cleanup()
{
    h.cleanup();
}

int TestMessagePage::serverCount(MessageState state)
{
    return h.service->service().storage().messages(h.accountId(), state, 0, 100).total;
}

void TestMessagePage::openInform()
{
    button("pushButton_38")->click();
    QCOMPARE(listPage(), h.widget<QWidget>("page_msg_inform"));
}

void TestMessagePage::informListsBothTabs()
{
    openInform();
    QCOMPARE(h.widget<QTabWidget>("tabWidget")->currentWidget(), h.widget<QWidget>("tab_all"));
    // Deleting is offered next to the read actions.
    QVERIFY(!button("pushButton_msg_del")->isHidden());

    const QList<Row> all = rowsOf(grid("gridLayout_8"));
    const QList<Row> unread = rowsOf(grid("gridLayout_7"));
    QCOMPARE(all.size(), 14);
    QCOMPARE(unread.size(), 6);
    const QRegularExpression timeText(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d $"));
    int bold = 0;
    for (const Row &row : all) {
        QVERIFY(!row.check->isHidden());
        QVERIFY(timeText.match(row.time->text()).hasMatch());
        // Rows hold the cached entries themselves.
        const QSharedPointer<DMsg> msg = messageOf(row);
        QVERIFY(theUser().msgsInform.contains(msg.data()));
        QCOMPARE(row.title->text(), msg->title);
        QCOMPARE(isBold(row.title), msg->state == DMsgUnread);
        bold += isBold(row.title) ? 1 : 0;
    }
    QCOMPARE(bold, 6);
    for (const Row &row : unread)
        QVERIFY(isBold(row.title));
    QTRY_VERIFY(h.widget<QWidget>("frame_loading4")->isHidden());
}

void TestMessagePage::publicListsHaveNoChecksAndNoBold_data()
{
    QTest::addColumn<QString>("kindButton");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("gridName");
    QTest::addColumn<int>("count");
    QTest::newRow("news") << "pushButton_36"
                          << "page_msg_news"
                          << "gridLayout_9" << 14;
    QTest::newRow("notices") << "pushButton_37"
                             << "page_msg_notice"
                             << "gridLayout_10" << 12;
}

void TestMessagePage::publicListsHaveNoChecksAndNoBold()
{
    QFETCH(QString, kindButton);
    QFETCH(QString, page);
    QFETCH(QString, gridName);
    QFETCH(int, count);
    button(qPrintable(kindButton))->click();
    QCOMPARE(listPage(), h.widget<QWidget>(qPrintable(page)));
    const QList<Row> rows = rowsOf(grid(qPrintable(gridName)));
    QCOMPARE(rows.size(), count);
    for (const Row &row : rows) {
        QVERIFY(row.check->isHidden());
        QVERIFY(!isBold(row.title));
    }
    // The detail page returns to the list it was opened from.
    button("pushButton_39")->click();
    QCOMPARE(listPage(), h.widget<QWidget>(qPrintable(page)));
}

void TestMessagePage::openingUnreadFromUnreadTab()
{
    openInform();
    button("pushButton_chtab2")->click();
    const QList<Row> before = rowsOf(grid("gridLayout_7"));
    QCOMPARE(before.size(), 6);
    const QSharedPointer<DMsg> opened = messageOf(before.first());
    before.first().title->click();

    QCOMPARE(listPage(), h.widget<QWidget>("page_detail"));
    QCOMPARE(h.widget<QLineEdit>("lineEdit_title")->text(), opened->title);
    QCOMPARE(h.widget<QLineEdit>("lineEdit_date")->text(),
             opened->time.toString(QStringLiteral("yyyy/MM/dd HH:mm")));
    QCOMPARE(opened->state, DMsgRead);
    QCOMPARE(serverCount(MessageUnread), 5);
    // The account message's own text is the body.
    QWebView *view = h.widget<QWebView>("webView");
    QTRY_VERIFY_WITH_TIMEOUT(
        view->page()->mainFrame()->toPlainText().contains(QStringLiteral("如非本人操作")),
        kEventWithinMs);

    const QList<Row> unread = rowsOf(grid("gridLayout_7"));
    QCOMPARE(unread.size(), 5);
    for (const Row &row : unread)
        QVERIFY(messageOf(row)->id != opened->id);

    button("pushButton_39")->click();
    QCOMPARE(listPage(), h.widget<QWidget>("page_msg_inform"));
    button("pushButton_chtab1")->click();
    bool found = false;
    for (const Row &row : rowsOf(grid("gridLayout_8"))) {
        if (messageOf(row)->id != opened->id)
            continue;
        found = true;
        QVERIFY(!isBold(row.title));
    }
    QVERIFY(found);
    QCOMPARE(h.boxes->count(), 0);
}

void TestMessagePage::openingReadMessageStillMarksIt()
{
    openInform();
    Row readRow;
    for (const Row &row : rowsOf(grid("gridLayout_8"))) {
        if (messageOf(row)->state == DMsgRead) {
            readRow = row;
            break;
        }
    }
    QVERIFY(readRow.title);
    // The call is refused, so its text in errorText shows that the call was made.
    Fault refused;
    refused.kind = FaultKind::Custom;
    refused.contentType = "application/json";
    refused.body = R"({"code":3,"message":"消息不存在"})";
    refused.times = 1;
    h.service->setFault(kStatePath, refused);
    theUser().errorText.clear();

    readRow.title->click();
    QCOMPARE(listPage(), h.widget<QWidget>("page_detail"));
    QCOMPARE(theUser().errorText, QStringLiteral("消息不存在"));
    QCOMPARE(messageOf(readRow)->state, DMsgRead);
}

void TestMessagePage::openingNewsRendersItsBody()
{
    button("pushButton_36")->click();
    const QList<Row> rows = rowsOf(grid("gridLayout_9"));
    QVERIFY(!rows.isEmpty());
    const QSharedPointer<DMsg> news = messageOf(rows.first());
    rows.first().title->click();

    QCOMPARE(listPage(), h.widget<QWidget>("page_detail"));
    QCOMPARE(h.widget<QLineEdit>("lineEdit_title")->text(), news->title);
    QWebView *view = h.widget<QWebView>("webView");
    QTRY_VERIFY_WITH_TIMEOUT(view->page()->mainFrame()->toPlainText().contains(news->title),
                             kEventWithinMs);
    // Public messages are read already: nothing is marked.
    QCOMPARE(serverCount(MessageUnread), 6);
    QCOMPARE(h.boxes->count(), 0);
}

void TestMessagePage::nothingTicked_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("mark read") << "pushButton_msg_read";
    QTest::newRow("delete") << "pushButton_msg_del";
}

void TestMessagePage::nothingTicked()
{
    QFETCH(QString, action);
    openInform();
    h.boxes->setQuestionDefault(1);
    button(qPrintable(action))->click();
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("请勾选欲操作的消息")});
    QCOMPARE(h.boxes->shown.first().buttonMode, 1);
    QCOMPARE(serverCount(MessageUnread), 6);
    QCOMPARE(serverCount(MessageRead), 8);
}

void TestMessagePage::deleteAsksBeforeAnyCall()
{
    openInform();
    const QList<Row> rows = rowsOf(grid("gridLayout_8"));
    QList<int> ids;
    for (int i = 0; i < 3; ++i) {
        rows.at(i).check->setChecked(true);
        ids.append(messageOf(rows.at(i))->id);
    }

    h.boxes->answer(0);
    button("pushButton_msg_del")->click();
    QCOMPARE(h.boxes->count(), 1);
    const RecordedMsgBox &question = h.boxes->shown.first();
    QCOMPARE(question.content, QStringLiteral("确定要删除 3 条消息吗?"));
    QCOMPARE(question.title, QStringLiteral("确认删除"));
    QCOMPARE(question.buttonMode, 2);
    QCOMPARE(serverCount(MessageUnread) + serverCount(MessageRead), 14);
    QCOMPARE(rowsOf(grid("gridLayout_8")).size(), 14);

    h.boxes->answer(1);
    button("pushButton_msg_del")->click();
    QCOMPARE(h.boxes->count(), 2);
    QCOMPARE(serverCount(MessageUnread) + serverCount(MessageRead), 11);
    const QList<Row> after = rowsOf(grid("gridLayout_8"));
    QCOMPARE(after.size(), 11);
    for (const Row &row : after)
        QVERIFY(!ids.contains(messageOf(row)->id));
}

void TestMessagePage::markReadAndMarkAllRead()
{
    openInform();
    button("pushButton_chtab2")->click();
    const QList<Row> rows = rowsOf(grid("gridLayout_7"));
    rows.at(1).check->setChecked(true);
    rows.at(3).check->setChecked(true);
    button("pushButton_msg_read")->click();
    QCOMPARE(serverCount(MessageUnread), 4);
    QCOMPARE(rowsOf(grid("gridLayout_7")).size(), 4);

    // Every row of the tab, ticked or not.
    button("pushButton_msg_allread")->click();
    QCOMPARE(serverCount(MessageUnread), 0);
    QVERIFY(rowsOf(grid("gridLayout_7")).isEmpty());
    button("pushButton_chtab1")->click();
    const QList<Row> all = rowsOf(grid("gridLayout_8"));
    QCOMPARE(all.size(), 14);
    for (const Row &row : all)
        QVERIFY(!isBold(row.title));
    QCOMPARE(h.boxes->count(), 0);
}

void TestMessagePage::failedStateChangeKeepsLists()
{
    openInform();
    button("pushButton_chtab2")->click();
    const QList<Row> rows = rowsOf(grid("gridLayout_7"));
    for (int i = 0; i < 3; ++i)
        rows.at(i).check->setChecked(true);
    Fault refused;
    refused.kind = FaultKind::Custom;
    refused.contentType = "application/json";
    refused.body = R"({"code":3,"message":"消息不存在"})";
    refused.skip = 1;
    refused.times = 1;
    h.service->setFault(kStatePath, refused);

    button("pushButton_msg_read")->click();
    // The other calls went through; the lists stay as they were until the next reload.
    QCOMPARE(h.boxes->contents(), QStringList{QStringLiteral("消息不存在")});
    QCOMPARE(serverCount(MessageUnread), 4);
    const QList<Row> after = rowsOf(grid("gridLayout_7"));
    QCOMPARE(after.size(), 6);
    QCOMPARE(after.first().title, rows.first().title);
}

void TestMessagePage::refreshToastsAndPauses()
{
    openInform();
    Storage &storage = h.service->service().storage();
    const Page<MessageRow> read = storage.messages(h.accountId(), MessageRead, 0, 2);
    for (const MessageRow &m : read.rows)
        QCOMPARE(storage.setMessageState(h.accountId(), m.id, MessageDeleted), 0);

    QPushButton *refresh = button("pushButton_44");
    refresh->click();
    QCOMPARE(h.toastsShown(), QStringList{QStringLiteral("已刷新12条消息")});
    QCOMPARE(rowsOf(grid("gridLayout_8")).size(), 12);
    QVERIFY(!refresh->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), kEventWithinMs);
}

void TestMessagePage::selectAllTicksCurrentTabOnly()
{
    openInform();
    QCheckBox *all = h.widget<QCheckBox>("checkBox_msg_all");
    all->click();
    for (const Row &row : rowsOf(grid("gridLayout_8")))
        QVERIFY(row.check->isChecked());
    for (const Row &row : rowsOf(grid("gridLayout_7")))
        QVERIFY(!row.check->isChecked());
    all->click();
    for (const Row &row : rowsOf(grid("gridLayout_8")))
        QVERIFY(!row.check->isChecked());
}

QTEST_MAIN(TestMessagePage)
#include "tst_messagepage.moc"
