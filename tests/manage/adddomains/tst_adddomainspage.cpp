#include "app/AppGlobals.h"
#include "client/User.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/StyleHistory.h"
#include "tests/support/WindowHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

const QString kGroupPath = QStringLiteral("/api/domain/editdomaingroup/");

} // namespace

// The add-domains page against the stand-in service: input checks, one call per name with its
// outcome, the group choice, and the page's buttons.
class TestAddDomainsPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void blankInputAsksAndFlashes();
    void eachNameAddedWithItsOutcome();
    void chosenGroupApplied_data();
    void chosenGroupApplied();
    void testDataShortcutAndButtons();

private:
    QStringList lines(const char *name)
    {
        return h.widget<QTextEdit>(name)->toPlainText().split('\n');
    }
    void start(const QString &text);
    int domainGroup(const QString &name);

    WindowHarness h;
};

void TestAddDomainsPage::init()
{
    h.init();
    QVERIFY(h.startService());
    QVERIFY(h.signIn());
    h.openManagement(WindowHarness::Show::Hidden);
}

void TestAddDomainsPage::cleanup()
{
    h.cleanup();
}

void TestAddDomainsPage::start(const QString &text)
{
    h.widget<QPlainTextEdit>("plainTextEdit")->setPlainText(text);
    h.widget<QPushButton>("pushButton_50")->click();
}

int TestAddDomainsPage::domainGroup(const QString &name)
{
    User &user = theUser();
    user.getDomain();
    const Domain *dm = user.domain2ptr(name);
    return dm ? dm->groupID : -1;
}

void TestAddDomainsPage::blankInputAsksAndFlashes()
{
    const int before = theUser().domains.size();
    auto *edit = h.widget<QPlainTextEdit>("plainTextEdit");
    StyleHistory editStyles(edit);
    start(QStringLiteral("   \n\n\t \n   "));

    QCOMPARE(h.boxes->count(), 1);
    QCOMPARE(h.boxes->shown.first().content, QStringLiteral("请输入欲添加的域名"));
    QCOMPARE(h.boxes->shown.first().title, QString());
    QCOMPARE(h.boxes->shown.first().buttonMode, 1);
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget_add")->currentWidget(),
             h.widget<QWidget>("page_p_add1"));
    QTRY_VERIFY(editStyles.styles.contains(QStringLiteral("border:2px solid #f00")));
    // Nothing was sent.
    QCOMPARE(theUser().getDomain(), before);
}

void TestAddDomainsPage::eachNameAddedWithItsOutcome()
{
    User &user = theUser();
    start(QStringLiteral("  fresh-one.com\nfresh-one.com  \n\n halvik-demo.com\nfresh-two.cn  "));

    QCOMPARE(lines("textEdit_3"), (QStringList{"开始批量添加域名...", "  fresh-one.com\t成功",
                                               "fresh-two.cn  \t成功", "处理结束。"}));
    // Only the blanks at the very start and end stay. The same name twice is sent twice; the
    // service refuses the second.
    QCOMPARE(lines("textEdit_5"), (QStringList{"fresh-one.com\t失败\t您已经添加过该域名",
                                               "halvik-demo.com\t失败\t您已经添加过该域名"}));
    QCOMPARE(h.widget<QLabel>("label_68")->text(), QStringLiteral("4 / 4"));
    QVERIFY(h.widget<QWidget>("frame_bat_2")->isHidden());
    QVERIFY(h.widget<QPushButton>("pushButton_52")->isEnabled());
    QVERIFY(h.widget<QPushButton>("pushButton_53")->isEnabled());
    QVERIFY(user.needDomainReload);
    QCOMPARE(h.boxes->count(), 0);
    // Added names keep the service's default group when none is chosen.
    QCOMPARE(domainGroup(QStringLiteral("fresh-one.com")), 0);
    QCOMPARE(domainGroup(QStringLiteral("fresh-two.cn")), 0);
}

void TestAddDomainsPage::chosenGroupApplied_data()
{
    QTest::addColumn<bool>("moveRefused");
    QTest::newRow("moved") << false;
    QTest::newRow("move refused") << true;
}

void TestAddDomainsPage::chosenGroupApplied()
{
    QFETCH(bool, moveRefused);
    // Opening the page refreshes its group choice from the service.
    h.widget<QPushButton>("pushButton_14")->click();
    auto *groups = h.widget<QComboBox>("comboBox_18");
    QCOMPARE(groups->count(), 5);
    QCOMPARE(groups->itemText(0), QStringLiteral("分组选择"));
    const int index = groups->findText(QStringLiteral("测试环境"));
    QVERIFY(index > 0);
    groups->setCurrentIndex(index);
    const int groupId = groups->itemData(index).toInt();
    QVERIFY(groupId > 0);

    if (moveRefused) {
        Fault refusal;
        refusal.kind = FaultKind::Custom;
        refusal.contentType = "application/json";
        refusal.body = QStringLiteral("{\"code\":2017,\"message\":\"分组不可用\"}").toUtf8();
        h.service->setFault(kGroupPath, refusal);
    }
    theUser().needGroupReload = false;
    start(QStringLiteral("grouped.com"));

    if (moveRefused) {
        QCOMPARE(lines("textEdit_3").at(1),
                 QStringLiteral("grouped.com\t成功\t移入分组失败\t分组不可用"));
        QCOMPARE(domainGroup(QStringLiteral("grouped.com")), 0);
    } else {
        QCOMPARE(lines("textEdit_3").at(1), QStringLiteral("grouped.com\t成功"));
        QCOMPARE(domainGroup(QStringLiteral("grouped.com")), groupId);
        QVERIFY(theUser().needGroupReload);
    }
    QCOMPARE(h.widget<QTextEdit>("textEdit_5")->toPlainText(), QString());
    // The move is quiet: its failure is on the line, not in a box.
    QCOMPARE(h.boxes->count(), 0);
}

void TestAddDomainsPage::testDataShortcutAndButtons()
{
    auto *edit = h.widget<QPlainTextEdit>("plainTextEdit");
    edit->setPlainText(QStringLiteral("`gr10"));
    const QStringList names = edit->toPlainText().split('\n');
    QCOMPARE(names.size(), 10);
    const QRegularExpression shape(QStringLiteral("^[a-z]{4}\\.com$"));
    for (const QString &name : names)
        QVERIFY2(shape.match(name).hasMatch(), qPrintable(name));
    edit->setPlainText(QStringLiteral("`gr9"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("`gr9"));

    start(QStringLiteral("continue.com"));
    auto *stack = h.widget<QStackedWidget>("stackedWidget_add");
    QCOMPARE(stack->currentWidget(), h.widget<QWidget>("page_p_add2"));
    auto *groups = h.widget<QComboBox>("comboBox_18");
    groups->clear();
    h.widget<QPushButton>("pushButton_53")->click();
    QCOMPARE(stack->currentWidget(), h.widget<QWidget>("page_p_add1"));
    QVERIFY(edit->toPlainText().isEmpty());
    QCOMPARE(groups->count(), 5);

    h.widget<QPushButton>("pushButton_52")->click();
    QCOMPARE(h.widget<QStackedWidget>("stackedWidget")->currentWidget(),
             h.widget<QWidget>("page_domain"));
}

QTEST_MAIN(TestAddDomainsPage)
#include "tst_adddomainspage.moc"
