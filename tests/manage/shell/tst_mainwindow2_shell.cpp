#include "app/AppGlobals.h"
#include "client/User.h"
#include "manage/shared/Toast.h"
#include "manage/shell/FrameGeometry.h"
#include "manage/shell/MainWindow2.h"
#include "manage/shell/MenuHoverStyle.h"
#include "tests/support/WindowHarness.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QHoverEvent>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWindow>
#include <QtTest>

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(text);
}

// An account whose cached lists are fresh, so opening the domain page fetches nothing.
void freshAccount()
{
    User &user = theUser();
    user.domains.clear();
    Domain domain;
    domain.id = 7;
    domain.name = QStringLiteral("example.com");
    user.domains.append(domain);
    user.needDomainReload = false;
    user.needGroupReload = false;
}

} // namespace

// The management window's shell: its form, navigation, notice strip, quit confirmation and
// frameless resizing.
class TestMainWindow2Shell : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase();

    void toastDuration_data();
    void toastDuration();
    void toastTimerHidesAfterEightyPercent_data();
    void toastTimerHidesAfterEightyPercent();
    void toastPlacement();
    void toastShowsAndHidesItself();
    void staleToastHiddenByPeriodicJob();

    void hitTest_data();
    void hitTest();
    void resizeGeometry_data();
    void resizeGeometry();
    void dragOnLeftBandResizesWithoutWindowManager();
    void hoverOnBandShowsResizeCursor();

    void formContract_data();
    void formContract();
    void pagesSitInTheirStacks_data();
    void pagesSitInTheirStacks();
    void everyByNameSlotConnects();
    void constructionPreparesWidgets();

    void navigation_data();
    void navigation();
    void addDomainButtonPassesThroughAddPages_data();
    void addDomainButtonPassesThroughAddPages();
    void domainPageFetchesStaleLists();
    void firstShowSeedsBatchRowsAndLoads();

    void quitConfirmation_data();
    void quitConfirmation();
    void maximiseTwiceRestoresGeometry();
    void minimumSize();

    void menuHoverStyleStaysBounded();
    void menuButtonHoverColour();

    void shellImagesExist_data();
    void shellImagesExist();

private:
    // One window for the read-only checks of the form.
    MainWindow2 &sharedWindow();

    WindowHarness h;
    MainWindow2 *m_shared = nullptr;
};

void TestMainWindow2Shell::cleanupTestCase()
{
    delete m_shared;
}

MainWindow2 &TestMainWindow2Shell::sharedWindow()
{
    if (!m_shared)
        m_shared = new MainWindow2;
    return *m_shared;
}

void TestMainWindow2Shell::init()
{
    h.init();
    freshAccount();
}

void TestMainWindow2Shell::cleanup()
{
    h.cleanup();
}

// --- Notice strip ------------------------------------------------------------------------------

void TestMainWindow2Shell::toastDuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms");
    QTest::newRow("empty") << QString() << 1000;
    QTest::newRow("two characters") << QStringLiteral("成功") << 500;
    QTest::newRow("four characters") << QStringLiteral("暂停成功") << 1000;
    QTest::newRow("59 characters") << QString(59, QLatin1Char('x')) << 14750;
    QTest::newRow("60 characters reach the cap") << QString(60, QLatin1Char('x')) << 15000;
    QTest::newRow("100 characters") << QString(100, QLatin1Char('x')) << 15000;
}

void TestMainWindow2Shell::toastDuration()
{
    QFETCH(QString, text);
    QFETCH(int, ms);
    QCOMPARE(toastDurationMs(text), ms);
}

void TestMainWindow2Shell::toastTimerHidesAfterEightyPercent_data()
{
    QTest::addColumn<qint64>("elapsed");
    QTest::addColumn<int>("duration");
    QTest::addColumn<bool>("hides");
    QTest::newRow("own timer, on time") << qint64(1000) << 1000 << true;
    QTest::newRow("coarse timer 5 % early") << qint64(1900) << 2000 << true;
    QTest::newRow("exactly 80 %") << qint64(800) << 1000 << true;
    QTest::newRow("just under 80 %") << qint64(799) << 1000 << false;
    // Two four-character toasts 300 ms apart: the first timer finds the second stamp 700 ms old.
    QTest::newRow("second toast 300 ms later, first timer") << qint64(1000 - 300) << 1000 << false;
    QTest::newRow("second toast 300 ms later, its own timer") << qint64(1000) << 1000 << true;
}

void TestMainWindow2Shell::toastTimerHidesAfterEightyPercent()
{
    QFETCH(qint64, elapsed);
    QFETCH(int, duration);
    QFETCH(bool, hides);
    QCOMPARE(toastShouldHide(elapsed, duration), hides);
}

void TestMainWindow2Shell::toastPlacement()
{
    // Centred over the pages, moved right by half the group column; halves truncate.
    QCOMPARE(toastTopLeft(QSize(100, 40), QRect(150, 51, 876, 623), 140), QPoint(608, 342));
    QCOMPARE(toastTopLeft(QSize(101, 41), QRect(150, 51, 876, 623), 141), QPoint(607, 342));
}

void TestMainWindow2Shell::toastShowsAndHidesItself()
{
    MainWindow2 w;
    auto *strip = widget<QWidget>(w, "frame_msgtt");
    auto *label = widget<QLabel>(w, "label_msgtt");
    w.showToast(QStringLiteral("成功"));
    QCOMPARE(h.toastsShown(), QStringList{QStringLiteral("成功")});
    QVERIFY(!strip->isHidden());
    QCOMPARE(label->text(), QStringLiteral("成功"));
    QCOMPARE(strip->size(), label->size());
    const QRect stack = widget<QWidget>(w, "stackedWidget")->geometry();
    QCOMPARE(strip->pos(),
             toastTopLeft(label->size(), stack, widget<QWidget>(w, "widget_3")->width()));
    QTRY_VERIFY_WITH_TIMEOUT(strip->isHidden(), kEventWithinMs);
}

void TestMainWindow2Shell::staleToastHiddenByPeriodicJob()
{
    MainWindow2 w;
    auto *strip = widget<QWidget>(w, "frame_msgtt");
    w.showToast(QString(100, QLatin1Char('x')));
    w.slot_scro();
    QVERIFY(!strip->isHidden());
    strip->setProperty("vtime", toastClockMs() - 16001);
    w.slot_scro();
    QVERIFY(strip->isHidden());
    QVERIFY(!toastIsStale(16000));
}

// --- Frame -------------------------------------------------------------------------------------

void TestMainWindow2Shell::hitTest_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("edges");
    const int W = 900;
    const int H = 620;
    const int none = 0;
    QTest::newRow("x = 0") << QPoint(0, 300) << int(Qt::LeftEdge);
    QTest::newRow("x = 5 left band") << QPoint(5, 300) << int(Qt::LeftEdge);
    QTest::newRow("x = 6 inside") << QPoint(6, 300) << none;
    QTest::newRow("x = W-5 inside") << QPoint(W - 5, 300) << none;
    QTest::newRow("x = W-4 right band") << QPoint(W - 4, 300) << int(Qt::RightEdge);
    QTest::newRow("x = W") << QPoint(W, 300) << int(Qt::RightEdge);
    QTest::newRow("y = 0 top") << QPoint(450, 0) << int(Qt::TopEdge);
    QTest::newRow("y = 5 top") << QPoint(450, 5) << int(Qt::TopEdge);
    QTest::newRow("y = 6 inside") << QPoint(450, 6) << none;
    QTest::newRow("y = H-6 inside") << QPoint(450, H - 6) << none;
    QTest::newRow("y = H-5 bottom") << QPoint(450, H - 5) << int(Qt::BottomEdge);
    QTest::newRow("y = H bottom") << QPoint(450, H) << int(Qt::BottomEdge);
    QTest::newRow("top-left") << QPoint(5, 5) << int(Qt::TopEdge | Qt::LeftEdge);
    QTest::newRow("top-right") << QPoint(W - 1, 0) << int(Qt::TopEdge | Qt::RightEdge);
    QTest::newRow("bottom-left") << QPoint(0, H - 1) << int(Qt::BottomEdge | Qt::LeftEdge);
    QTest::newRow("bottom-right") << QPoint(W - 2, H - 2) << int(Qt::BottomEdge | Qt::RightEdge);
    QTest::newRow("left of the window") << QPoint(-1, 300) << none;
    QTest::newRow("above the window") << QPoint(450, -1) << none;
}

void TestMainWindow2Shell::hitTest()
{
    QFETCH(QPoint, pos);
    QFETCH(int, edges);
    QCOMPARE(int(frameHitTest(pos, QSize(900, 620))), edges);
}

void TestMainWindow2Shell::resizeGeometry_data()
{
    QTest::addColumn<int>("edges");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected");
    const QRect start(100, 100, 1000, 700);
    QTest::newRow("left outwards")
        << int(Qt::LeftEdge) << QPoint(-50, 9) << QRect(50, 100, 1050, 700);
    QTest::newRow("left past the minimum")
        << int(Qt::LeftEdge) << QPoint(300, 0) << QRect(200, 100, 900, 700);
    QTest::newRow("right inwards")
        << int(Qt::RightEdge) << QPoint(-60, 0) << QRect(100, 100, 940, 700);
    QTest::newRow("right past the minimum")
        << int(Qt::RightEdge) << QPoint(-500, 0) << QRect(100, 100, 900, 700);
    QTest::newRow("top-left corner")
        << int(Qt::TopEdge | Qt::LeftEdge) << QPoint(-10, -20) << QRect(90, 80, 1010, 720);
    QTest::newRow("bottom past the minimum")
        << int(Qt::BottomEdge) << QPoint(0, -200) << QRect(100, 100, 1000, 620);
}

void TestMainWindow2Shell::resizeGeometry()
{
    QFETCH(int, edges);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);
    QCOMPARE(resizedGeometry(QRect(100, 100, 1000, 700), Qt::Edges(edges), delta, QSize(900, 620)),
             expected);
}

void TestMainWindow2Shell::dragOnLeftBandResizesWithoutWindowManager()
{
    // Sized here, so the start-up resize cannot land in the middle of the drag.
    MainWindow2 &w = h.openManagement(WindowHarness::Show::Hidden, QSize(1000, 700));
    w.setGeometry(100, 100, 1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QWindow *window = w.windowHandle();
    const QRect start = w.geometry();

    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(2, 300));
    QTest::mouseMove(window, QPoint(-48, 300));
    QTRY_COMPARE(w.geometry(),
                 resizedGeometry(start, Qt::LeftEdge, QPoint(-50, 0), w.minimumSize()));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(2, 300));

    // Far past the minimum: the right edge stays, the width stops at 900.
    const QRect second = w.geometry();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(2, 300));
    QTest::mouseMove(window, QPoint(400, 300));
    QTRY_COMPARE(w.width(), 900);
    QCOMPARE(w.geometry().right(), second.right());
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(2, 300));
}

void TestMainWindow2Shell::hoverOnBandShowsResizeCursor()
{
    MainWindow2 &w = h.openManagement();
    QTest::mouseMove(w.windowHandle(), QPoint(300, 2));
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::SizeVerCursor);
    QTest::mouseMove(w.windowHandle(), QPoint(300, 300));
    QVERIFY(!QGuiApplication::overrideCursor());
}

// --- Form --------------------------------------------------------------------------------------

void TestMainWindow2Shell::formContract_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const char *cls, const QString &text = QString()) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << text;
    };
    const auto s = [](const char *utf8) { return QString::fromUtf8(utf8); };

    // Shell.
    row("widget", "MyTitleBar");
    row("centralwidget", "QWidget");
    row("stackedWidget", "QStackedWidget");
    row("commandLinkButton", "QCommandLinkButton", s(" 域名管理  "));
    row("commandLinkButton_2", "QCommandLinkButton", s(" 批量作业  "));
    row("commandLinkButton_6", "QCommandLinkButton", s(" 消息中心  "));
    row("commandLinkButton_opt", "QCommandLinkButton", s(" 设置"));
    row("commandLinkButton_help", "QCommandLinkButton", s(" 关于"));
    row("commandLinkButton_5", "QCommandLinkButton", s(" 我的账户  "));
    row("commandLinkButton_3", "QCommandLinkButton", s(" 添加域名  "));
    row("pushButton_user", "QPushButton");
    row("label", "QLabel");
    row("pushButton_3", "QPushButton");
    row("pushButton_24", "QPushButton");
    row("pushButton_2", "QPushButton");
    row("frame_msgtt", "QFrame");
    row("label_msgtt", "QLabel");

    // Domain list.
    row("page_domain", "QWidget");
    row("widget_3", "QWidget");
    row("stacked_3", "QStackedWidget");
    row("page_dmdm", "QWidget");
    row("tableWidget", "QTableWidget");
    row("label_domain_g_n", "QLabel");
    row("pushButton_17", "QPushButton", s("全部域名"));
    row("buttonGroup_groups", "QButtonGroup");
    row("scrollArea_5", "QScrollArea");
    row("layout_groups", "QGridLayout");
    row("lineEdit_search", "QLineEdit");
    row("checkBox", "QCheckBox", s("全选"));
    row("pushButton_delS", "QPushButton", s("删除"));
    row("comboBox_8", "QComboBox");
    row("comboBox_9", "QComboBox");
    row("comboBox_group", "QComboBox");
    row("pushButton_refDomain", "QPushButton", s("刷新"));
    row("pushButton_25", "QPushButton", s("批量作业"));
    row("pushButton_14", "QPushButton", s("添加域名"));
    row("frame_dm", "QFrame");
    row("label_dmLoading", "QLabel");
    row("frame_loadingchdg", "QFrame");
    row("label_f_loading_chdg", "QLabel");
    row("label_fp_loading_chdg", "QLabel");
    row("pushButton_f_loading_chdg", "QPushButton", s("停止"));
    row("page_flist", "QWidget");
    row("textEdit_succ", "QTextEdit");
    row("textEdit_fail", "QTextEdit");
    row("pushButton_58", "QPushButton", s("返回"));

    // Groups.
    row("pushButton_Gedit", "QPushButton", s("分组管理"));
    row("widget_5", "QWidget");
    row("widget_8", "QWidget");
    row("scrollArea_6", "QScrollArea");
    row("gridLayout_3", "QGridLayout");
    row("gridLayout_11", "QGridLayout");
    row("frame_zdgedit", "QFrame");
    row("pushButton_zdgedit", "QPushButton");

    // Records.
    row("page_record", "QWidget");
    row("tableR", "QTableWidget");
    row("label_domain", "QLabel");
    row("pushButton_15", "QPushButton", s("添加解析"));
    row("pushButton_30", "QPushButton", s("刷新"));
    row("pushButton_31", "QPushButton", s("后退"));
    row("checkBoxR", "QCheckBox", s("全选"));
    row("btnDelR", "QPushButton", s("删除"));
    row("cbRcsPause", "QComboBox");
    row("pushButton_Rbat", "QPushButton");

    // Adding domains.
    row("page_addDomain2", "QWidget");
    row("label_59", "QLabel", s("添加域名"));
    row("stackedWidget_add", "QStackedWidget");
    row("page_p_add1", "QWidget");
    row("pushButton_51", "QPushButton", s("返回"));
    row("plainTextEdit", "QPlainTextEdit");
    row("comboBox_18", "QComboBox");
    row("pushButton_50", "QPushButton", s("确定"));
    row("page_p_add2", "QWidget");
    row("label_63", "QLabel", s("成功列表"));
    row("textEdit_3", "QTextEdit");
    row("label_65", "QLabel", s("失败列表"));
    row("textEdit_5", "QTextEdit");
    row("pushButton_52", "QPushButton", s("取消"));
    row("pushButton_53", "QPushButton", s("继续添加"));
    row("frame_bat_2", "QFrame");
    row("label_batLoading_2", "QLabel", s("Loading"));
    row("label_68", "QLabel", s("1/2"));
    row("pushButton_57", "QPushButton", s("停止"));

    // Batch record jobs.
    row("page_bat3", "QWidget");
    row("plainTextEdit_2", "QPlainTextEdit");
    row("pushButton_42", "QPushButton", s("清空域名"));
    row("tabWidget_bat", "QTabWidget");
    row("tab_batadd", "QWidget");
    row("stackedWidget_batadd", "QStackedWidget");
    row("page_batadd1", "QWidget");
    row("page_batadd2", "QWidget");
    row("gridLayout_4", "QGridLayout");
    row("pushButton_bataddnew", "QPushButton", s("新增解析"));
    row("pushButton_dobatadd", "QPushButton", s("开始添加"));
    row("textEdit_6", "QTextEdit");
    row("textEdit_7", "QTextEdit");
    row("pushButton_43", "QPushButton", s("返回继续"));
    row("frame_loading1", "QFrame");
    row("label_f_loading1", "QLabel", s("Loading"));
    row("label_fp_loading1", "QLabel", s("1/2"));
    row("pushButton_f_loading1", "QPushButton", s("停止"));
    row("tab_batedit", "QWidget");
    row("stackedWidget_batedit", "QStackedWidget");
    row("page_batedit1", "QWidget");
    row("page_batedit2", "QWidget");
    row("gridLayout_5", "QGridLayout");
    row("pushButton_bateditnew", "QPushButton", s("新增修改"));
    row("pushButton_dobatedit", "QPushButton", s("开始修改"));
    row("textEdit_8", "QTextEdit");
    row("textEdit_9", "QTextEdit");
    row("pushButton_46", "QPushButton", s("返回继续"));
    row("frame_loading2", "QFrame");
    row("label_f_loading2", "QLabel", s("Loading"));
    row("label_fp_loading2", "QLabel", s("1/2"));
    row("pushButton_f_loading2", "QPushButton", s("停止"));
    row("tab_batdel", "QWidget");
    row("stackedWidget_batdel", "QStackedWidget");
    row("page_batdel1", "QWidget");
    row("page_batdel2", "QWidget");
    row("gridLayout_6", "QGridLayout");
    row("pushButton_batdelnew", "QPushButton", s("新增删除"));
    row("pushButton_dobatdel", "QPushButton", s("开始删除"));
    row("textEdit_10", "QTextEdit");
    row("textEdit_11", "QTextEdit");
    row("pushButton_59", "QPushButton", s("返回继续"));
    row("frame_loading3", "QFrame");
    row("label_f_loading3", "QLabel", s("Loading"));
    row("label_fp_loading3", "QLabel", s("1/2"));
    row("pushButton_f_loading3", "QPushButton", s("停止"));

    // Message centre.
    row("page_news", "QWidget");
    row("pushButton_36", "QPushButton", s("新闻"));
    row("pushButton_37", "QPushButton", s("公告"));
    row("pushButton_38", "QPushButton", s("通知"));
    row("stackedWidget_msg", "QStackedWidget");
    row("page_msg_news", "QWidget");
    row("pushButton_22", "QPushButton", s("新闻"));
    row("gridLayout_9", "QGridLayout");
    row("page_msg_notice", "QWidget");
    row("pushButton_19", "QPushButton", s("公告"));
    row("gridLayout_10", "QGridLayout");
    row("page_msg_inform", "QWidget");
    row("pushButton_16", "QPushButton", s("通知"));
    row("tabWidget", "QTabWidget");
    row("tab_unread", "QWidget");
    row("gridLayout_7", "QGridLayout");
    row("tab_all", "QWidget");
    row("gridLayout_8", "QGridLayout");
    row("pushButton_chtab1", "QPushButton");
    row("pushButton_chtab2", "QPushButton");
    row("widget_26", "QWidget");
    row("checkBox_msg_all", "QCheckBox", s("全选"));
    row("pushButton_msg_read", "QPushButton", s("设为已读"));
    row("pushButton_msg_allread", "QPushButton", s("全设已读"));
    row("pushButton_msg_del", "QPushButton", s("删除"));
    row("pushButton_44", "QPushButton", s("刷新"));
    row("page_detail", "QWidget");
    row("lineEdit_title", "QLineEdit");
    row("lineEdit_date", "QLineEdit");
    row("textBrowser_msg", "QTextBrowser");
    row("widget_28", "QWidget");
    row("webView", "QWebView");
    row("pushButton_39", "QPushButton", s("返回"));
    row("frame_loading4", "QFrame");
    row("groupBox_10", "QGroupBox");
    row("label_f_loading4", "QLabel");
    row("label_fp_loading4", "QLabel");
    row("pushButton_f_loading4", "QPushButton");

    // Settings and help.
    row("page_accOpt", "QWidget");
    row("label_35", "QLabel", s("设置"));
    row("label_36", "QLabel", s("当前账户"));
    row("label_37", "QLabel");
    row("label_39", "QLabel", s("记住密码"));
    row("pushButton_34", "QPushButton");
    row("label_38", "QLabel", s("开机自启动"));
    row("pushButton_21", "QPushButton");
    row("pushButton_18", "QPushButton", s("注销"));
    row("page_help", "QWidget");
    row("pushButton_35", "QPushButton", QString());
    row("label_67", "QLabel", s("R1.31"));
    row("pushButton_chkV", "QPushButton", s("检查更新"));
    row("label_30", "QLabel");
    row("label_31", "QLabel");
    row("label_32", "QLabel");
}

void TestMainWindow2Shell::formContract()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);
    const QList<QObject *> found = sharedWindow().findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    if (!text.isNull()) {
        const QVariant shown = found.first()->property("text");
        QVERIFY(shown.isValid());
        QCOMPARE(shown.toString(), text);
    }
}

void TestMainWindow2Shell::pagesSitInTheirStacks_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("stack");
    QTest::addColumn<int>("index");
    const auto row = [](const char *page, const char *stack, int index) {
        QTest::newRow(page) << QString::fromLatin1(page) << QString::fromLatin1(stack) << index;
    };
    row("page_domain", "stackedWidget", -1);
    row("page_addDomain2", "stackedWidget", -1);
    row("page_bat3", "stackedWidget", -1);
    row("page_news", "stackedWidget", -1);
    row("page_accOpt", "stackedWidget", -1);
    row("page_help", "stackedWidget", -1);
    row("page_flist", "stackedWidget", -1);
    row("page_dmdm", "stacked_3", 0);
    row("page_record", "stacked_3", 1); // appended by the window
    row("page_p_add1", "stackedWidget_add", 0);
    row("page_p_add2", "stackedWidget_add", 1);
    row("page_batadd1", "stackedWidget_batadd", 0);
    row("page_batadd2", "stackedWidget_batadd", 1);
    row("page_batedit1", "stackedWidget_batedit", 0);
    row("page_batedit2", "stackedWidget_batedit", 1);
    row("page_batdel1", "stackedWidget_batdel", 0);
    row("page_batdel2", "stackedWidget_batdel", 1);
    row("page_msg_news", "stackedWidget_msg", 0);
    row("page_msg_notice", "stackedWidget_msg", 1);
    row("page_msg_inform", "stackedWidget_msg", 2);
    row("page_detail", "stackedWidget_msg", 3);
}

void TestMainWindow2Shell::pagesSitInTheirStacks()
{
    QFETCH(QString, page);
    QFETCH(QString, stack);
    QFETCH(int, index);
    auto *s = sharedWindow().findChild<QStackedWidget *>(stack);
    auto *p = sharedWindow().findChild<QWidget *>(page);
    QVERIFY(s && p);
    QVERIFY(s->indexOf(p) >= 0);
    if (index >= 0)
        QCOMPARE(s->indexOf(p), index);
}

void TestMainWindow2Shell::everyByNameSlotConnects()
{
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    {
        MainWindow2 w;
    }
    qInstallMessageHandler(previous);
    QCOMPARE(g_warnings, QStringList());
}

void TestMainWindow2Shell::constructionPreparesWidgets()
{
    MainWindow2 w;
    for (const char *name : {"frame_dm", "commandLinkButton_5", "commandLinkButton_3", "widget_5",
                             "frame_zdgedit", "frame_loadingchdg", "frame_loading4",
                             "pushButton_f_loading4", "frame_msgtt", "pushButton_msg_del"})
        QVERIFY2(widget<QWidget>(w, name)->isHidden(), name);

    QCOMPARE(widget<QStackedWidget>(w, "stackedWidget")->currentWidget(),
             widget<QWidget>(w, "page_domain"));
    QCOMPARE(widget<QStackedWidget>(w, "stacked_3")->currentWidget(),
             widget<QWidget>(w, "page_dmdm"));
    QVERIFY(widget<QPushButton>(w, "pushButton_17")->isChecked());
    QCOMPARE(widget<QButtonGroup>(w, "buttonGroup_groups")->buttons(),
             QList<QAbstractButton *>{widget<QPushButton>(w, "pushButton_17")});
    QVERIFY(widget<QWidget>(w, "tabWidget")
                ->styleSheet()
                .endsWith(
                    QStringLiteral(".QTabWidget QTabBar::tab{border:none;width:0px;height:0px;}")));
    for (const char *name : {"comboBox_8", "comboBox_9", "comboBox_group", "cbRcsPause"})
        QVERIFY2(qobject_cast<QListView *>(widget<QComboBox>(w, name)->view()), name);
    QCOMPARE(widget<QComboBox>(w, "comboBox_8")->itemText(1), QStringLiteral("        启用"));
    QCOMPARE(widget<QComboBox>(w, "comboBox_9")->itemText(0), QStringLiteral("        锁定"));
    QCOMPARE(widget<QComboBox>(w, "comboBox_18")->itemText(0), QStringLiteral("分组选择"));
    QCOMPARE(widget<QPlainTextEdit>(w, "plainTextEdit")->placeholderText(),
             QStringLiteral("请分行输入您需要添加的域名，按回车换行"));
    QCOMPARE(widget<QPlainTextEdit>(w, "plainTextEdit_2")->placeholderText(),
             QStringLiteral("请分行输入域名"));
    QCOMPARE(w.versionNumber, 1.31);
    QVERIFY(w.firstShowPending);
    QVERIFY(!w.currentDomain);
    QCOMPARE(w.rowColorOdd, QColor(250, 250, 252));
    QCOMPARE(w.rowColorHover, QColor(225, 239, 250));
}

// --- Navigation --------------------------------------------------------------------------------

void TestMainWindow2Shell::navigation_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("page");
    QTest::newRow("domains") << "commandLinkButton"
                             << "page_domain";
    QTest::newRow("batch jobs") << "commandLinkButton_2"
                                << "page_bat3";
    QTest::newRow("messages") << "commandLinkButton_6"
                              << "page_news";
    QTest::newRow("settings") << "commandLinkButton_opt"
                              << "page_accOpt";
    QTest::newRow("account button") << "pushButton_user"
                                    << "page_accOpt";
    QTest::newRow("about") << "commandLinkButton_help"
                           << "page_help";
    QTest::newRow("add domains") << "pushButton_14"
                                 << "page_addDomain2";
}

void TestMainWindow2Shell::navigation()
{
    QFETCH(QString, button);
    QFETCH(QString, page);
    MainWindow2 w;
    auto *stack = widget<QStackedWidget>(w, "stackedWidget");
    // Start somewhere else, inside the record list for the domain page.
    stack->setCurrentWidget(widget<QWidget>(w, "page_flist"));
    widget<QStackedWidget>(w, "stacked_3")->setCurrentWidget(widget<QWidget>(w, "page_record"));

    w.findChild<QAbstractButton *>(button)->click();
    QCOMPARE(stack->currentWidget()->objectName(), page);
    if (page == QLatin1String("page_domain")) {
        QCOMPARE(widget<QStackedWidget>(w, "stacked_3")->currentWidget(),
                 widget<QWidget>(w, "page_dmdm"));
        QVERIFY(widget<QWidget>(w, "frame_dm")->isHidden());
    }
    QCOMPARE(h.boxes->shown.size(), 0);
}

void TestMainWindow2Shell::addDomainButtonPassesThroughAddPages_data()
{
    QTest::addColumn<int>("shown");
    QTest::newRow("input page shown") << 0;
    QTest::newRow("results page shown") << 1;
}

void TestMainWindow2Shell::addDomainButtonPassesThroughAddPages()
{
    QFETCH(int, shown);
    MainWindow2 w;
    auto *add = widget<QStackedWidget>(w, "stackedWidget_add");
    add->setCurrentIndex(shown);
    widget<QPlainTextEdit>(w, "plainTextEdit")->setPlainText(QStringLiteral("a.com\nb.com"));
    QSignalSpy changes(add, &QStackedWidget::currentChanged);

    widget<QPushButton>(w, "pushButton_14")->click();
    QVERIFY(widget<QPlainTextEdit>(w, "plainTextEdit")->toPlainText().isEmpty());
    QCOMPARE(add->currentIndex(), shown);
    // The input page became current once on the way, which refreshes its group choice.
    int inputPageVisits = 0;
    for (const QList<QVariant> &change : qAsConst(changes))
        inputPageVisits += change.at(0).toInt() == 0;
    QCOMPARE(inputPageVisits, 1);
}

void TestMainWindow2Shell::domainPageFetchesStaleLists()
{
    theUser().needDomainReload = true;
    theUser().needGroupReload = true;
    MainWindow2 w;
    widget<QPushButton>(w, "pushButton_14")->setEnabled(false);
    widget<QPushButton>(w, "commandLinkButton")->click();
    // The fetch ran (and failed against the refused port): flags cleared, overlay gone.
    QVERIFY(!theUser().needDomainReload);
    QVERIFY(!theUser().needGroupReload);
    QVERIFY(widget<QWidget>(w, "frame_dm")->isHidden());
    QVERIFY(widget<QPushButton>(w, "pushButton_14")->isEnabled());
    QVERIFY(!h.boxes->shown.isEmpty());
}

void TestMainWindow2Shell::firstShowSeedsBatchRowsAndLoads()
{
    theUser().email = QStringLiteral("owner@example.com");
    MainWindow2 w;
    QSignalSpy addRow(widget<QPushButton>(w, "pushButton_bataddnew"), &QPushButton::clicked);
    QSignalSpy editRow(widget<QPushButton>(w, "pushButton_bateditnew"), &QPushButton::clicked);
    QSignalSpy deleteRow(widget<QPushButton>(w, "pushButton_batdelnew"), &QPushButton::clicked);
    QSignalSpy domainPage(widget<QPushButton>(w, "commandLinkButton"), &QPushButton::clicked);
    QSignalSpy inform(widget<QPushButton>(w, "pushButton_38"), &QPushButton::clicked);
    widget<QStackedWidget>(w, "stackedWidget_add")->setCurrentIndex(1);

    w.show();
    QCOMPARE(addRow.count(), 1);
    QCOMPARE(editRow.count(), 1);
    QCOMPARE(deleteRow.count(), 1);
    QVERIFY(!w.firstShowPending);
    QVERIFY(theUser().needDomainReload);
    QVERIFY(theUser().needGroupReload);

    QTRY_COMPARE_WITH_TIMEOUT(domainPage.count(), 1, kEventWithinMs);
    QTRY_COMPARE_WITH_TIMEOUT(inform.count(), 1, kEventWithinMs);
    QCOMPARE(widget<QLabel>(w, "label_37")->text(), QStringLiteral("owner@example.com"));
    QCOMPARE(widget<QStackedWidget>(w, "stackedWidget_add")->currentIndex(), 0);
    QCOMPARE(widget<QTabWidget>(w, "tabWidget_bat")->currentIndex(), 0);

    // Showing again seeds nothing more and leaves the lists alone.
    theUser().needDomainReload = false;
    w.hide();
    w.show();
    QCOMPARE(addRow.count(), 1);
    QVERIFY(!theUser().needDomainReload);
}

// --- Window ------------------------------------------------------------------------------------

void TestMainWindow2Shell::quitConfirmation_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("cancel keeps the window") << 0 << true;
    QTest::newRow("OK closes it") << 1 << false;
}

void TestMainWindow2Shell::quitConfirmation()
{
    QFETCH(int, answer);
    QFETCH(bool, staysOpen);
    MainWindow2 &w = h.openManagement();
    const QRect before = w.geometry();
    h.boxes->setQuestionDefault(answer);

    widget<QPushButton>(w, "pushButton_2")->click();
    QCOMPARE(h.boxes->shown.size(), 1);
    const RecordedMsgBox asked = h.boxes->shown.first();
    QCOMPARE(asked.content, QStringLiteral("确定要退出吗？"));
    QCOMPARE(asked.title, QStringLiteral("确认退出"));
    QCOMPARE(asked.buttonMode, 2);
    QVERIFY(asked.okText.isEmpty());
    QCOMPARE(w.isVisible(), staysOpen);
    if (staysOpen)
        QCOMPARE(w.geometry(), before);
}

void TestMainWindow2Shell::maximiseTwiceRestoresGeometry()
{
    MainWindow2 &w = h.openManagement();
    // Let the start-up resize happen first; it would otherwise land in the middle.
    QTRY_COMPARE_WITH_TIMEOUT(w.size(), QSize(900, 620), kEventWithinMs);
    w.move(40, 30);
    QTRY_COMPARE(w.pos(), QPoint(40, 30));
    const QRect before = w.geometry();

    auto *maximise = widget<QPushButton>(w, "pushButton_24");
    maximise->click();
    QTRY_VERIFY(w.isMaximized());
    maximise->click();
    QTRY_VERIFY(!w.isMaximized());
    QTRY_COMPARE(w.geometry(), before);
}

void TestMainWindow2Shell::minimumSize()
{
    MainWindow2 w;
    QCOMPARE(w.minimumSize(), QSize(900, 620));
    w.resize(300, 200);
    QCOMPARE(w.size(), QSize(900, 620));
}

// --- Hover -------------------------------------------------------------------------------------

void TestMainWindow2Shell::menuHoverStyleStaysBounded()
{
    const QString base = QStringLiteral("QPushButton{color:#323232;}");
    const QString hover = QStringLiteral("\nQPushButton{color:#1eb6f6;}/*oqsscolor*/\n");
    const QString rest = QStringLiteral("\nQPushButton{color:#323232;}/*oqsscolor*/\n");
    QString sheet = menuHoverStyle(base);
    QCOMPARE(sheet, base + hover);
    QCOMPARE(menuHoverStyle(menuHoverStyle(sheet)), sheet);
    sheet = menuRestStyle(sheet);
    QCOMPARE(sheet, base + rest);
    QCOMPARE(menuRestStyle(sheet), sheet);
    QCOMPARE(menuRestStyle(QStringLiteral("a\n\n\nb\n")), QStringLiteral("a\nb") + rest);
}

void TestMainWindow2Shell::menuButtonHoverColour()
{
    MainWindow2 w;
    auto *entry = new QPushButton(QStringLiteral("电信"), &w);
    entry->setStyleSheet(QStringLiteral("QPushButton{color:#323232;}"));
    w.addMenuButton(entry);
    QCOMPARE(w.menuButtons.size(), 1);

    QHoverEvent enter(QEvent::HoverEnter, QPointF(3, 3), QPointF(-1, -1));
    QCoreApplication::sendEvent(entry, &enter);
    QVERIFY(entry->styleSheet().endsWith(QStringLiteral("{color:#1eb6f6;}/*oqsscolor*/\n")));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(entry, &leave);
    QVERIFY(entry->styleSheet().endsWith(QStringLiteral("{color:#323232;}/*oqsscolor*/\n")));

    delete entry;
    w.slot_scro();
    QVERIFY(w.menuButtons.isEmpty());
}

// --- Artwork -----------------------------------------------------------------------------------

void TestMainWindow2Shell::shellImagesExist_data()
{
    QTest::addColumn<QString>("path");
    const QString icons = QStringLiteral(":/image3/image3/a2/qietu/");
    QTest::newRow("loading animation") << QStringLiteral(":/image/image/712.GIF");
    QTest::newRow("window icon") << QStringLiteral(":/image/image/100.ico");
    for (const char *name :
         {"logo.png", "touxiang.png", "zuixiaohua.png", "zuidahua.png", "huanyuan.png",
          "guanbi.png", "900600_06.png", "900600_10.png", "yuming.png", "yuming_h.png",
          "piliang.png", "piliang_h.png", "xiaoxi.png", "xiaoxi_h.png", "shezhi.png",
          "shezhi_h.png", "guanyu.png", "guanyu_h.png"})
        QTest::newRow(name) << icons + QLatin1String(name);
}

void TestMainWindow2Shell::shellImagesExist()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));
}

QTEST_MAIN(TestMainWindow2Shell)
#include "tst_mainwindow2_shell.moc"
