#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "client/User.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>
#include <QtTest>

#include <memory>

namespace {

template <typename T>
T *child(QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

const QString kGroupPath = QStringLiteral("/api/domain/editdomaingroup/");

} // namespace

// The add-domains page against the stand-in service: input checks, one call per name with its
// outcome, the group choice, and the page's buttons.
class TestAddDomainsPage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
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
        return child<QTextEdit>(*m_window, name)->toPlainText().split('\n');
    }
    void start(const QString &text);
    int domainGroup(const QString &name);

    std::unique_ptr<LocalServiceFixture> m_service;
    std::unique_ptr<RecordingPresenter> m_boxes;
    std::unique_ptr<MainWindow2> m_window;
};

void TestAddDomainsPage::initTestCase()
{
    initResources();
}

void TestAddDomainsPage::init()
{
    m_boxes = std::make_unique<RecordingPresenter>();
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    User &user = theUser();
    user.idleLimitMs = 5000;
    user.totalLimitMs = 8000;
    QVERIFY(m_service->loginDemo(user));
    QVERIFY(user.getDomain() > 0);
    user.needDomainReload = false;
    user.needGroupReload = false;
    m_window = std::make_unique<MainWindow2>();
}

void TestAddDomainsPage::cleanup()
{
    m_window.reset();
    m_service.reset();
    m_boxes.reset();
    theUser().domains.clear();
    theUser().groups.clear();
    theUser().loggedIn = false;
}

void TestAddDomainsPage::start(const QString &text)
{
    child<QPlainTextEdit>(*m_window, "plainTextEdit")->setPlainText(text);
    child<QPushButton>(*m_window, "pushButton_50")->click();
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
    auto *edit = child<QPlainTextEdit>(*m_window, "plainTextEdit");
    start(QStringLiteral("   \n\n\t \n   "));

    QCOMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->shown.first().content, QStringLiteral("请输入欲添加的域名"));
    QCOMPARE(m_boxes->shown.first().title, QString());
    QCOMPARE(m_boxes->shown.first().buttonMode, 1);
    QCOMPARE(child<QStackedWidget>(*m_window, "stackedWidget_add")->currentWidget(),
             child<QWidget>(*m_window, "page_p_add1"));
    QTRY_COMPARE(edit->styleSheet(), QStringLiteral("border:2px solid #f00"));
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
    QCOMPARE(child<QLabel>(*m_window, "label_68")->text(), QStringLiteral("4 / 4"));
    QVERIFY(child<QWidget>(*m_window, "frame_bat_2")->isHidden());
    QVERIFY(child<QPushButton>(*m_window, "pushButton_52")->isEnabled());
    QVERIFY(child<QPushButton>(*m_window, "pushButton_53")->isEnabled());
    QVERIFY(user.needDomainReload);
    QCOMPARE(m_boxes->count(), 0);
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
    child<QPushButton>(*m_window, "pushButton_14")->click();
    auto *groups = child<QComboBox>(*m_window, "comboBox_18");
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
        m_service->setFault(kGroupPath, refusal);
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
    QCOMPARE(child<QTextEdit>(*m_window, "textEdit_5")->toPlainText(), QString());
    // The move is quiet: its failure is on the line, not in a box.
    QCOMPARE(m_boxes->count(), 0);
}

void TestAddDomainsPage::testDataShortcutAndButtons()
{
    auto *edit = child<QPlainTextEdit>(*m_window, "plainTextEdit");
    edit->setPlainText(QStringLiteral("`gr10"));
    const QStringList names = edit->toPlainText().split('\n');
    QCOMPARE(names.size(), 10);
    const QRegularExpression shape(QStringLiteral("^[a-z]{4}\\.com$"));
    for (const QString &name : names)
        QVERIFY2(shape.match(name).hasMatch(), qPrintable(name));
    edit->setPlainText(QStringLiteral("`gr9"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("`gr9"));

    start(QStringLiteral("continue.com"));
    auto *stack = child<QStackedWidget>(*m_window, "stackedWidget_add");
    QCOMPARE(stack->currentWidget(), child<QWidget>(*m_window, "page_p_add2"));
    auto *groups = child<QComboBox>(*m_window, "comboBox_18");
    groups->clear();
    child<QPushButton>(*m_window, "pushButton_53")->click();
    QCOMPARE(stack->currentWidget(), child<QWidget>(*m_window, "page_p_add1"));
    QVERIFY(edit->toPlainText().isEmpty());
    QCOMPARE(groups->count(), 5);

    child<QPushButton>(*m_window, "pushButton_52")->click();
    QCOMPARE(child<QStackedWidget>(*m_window, "stackedWidget")->currentWidget(),
             child<QWidget>(*m_window, "page_domain"));
}

QTEST_MAIN(TestAddDomainsPage)
#include "tst_adddomainspage.moc"
