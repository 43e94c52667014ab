#include "client/User.h"
#include "widgets/MsgBox.h"
#include "widgets/MsgBoxPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <functional>

class TestMsgBox : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void closing_data();
    void closing();
    void input_data();
    void input();
    void countdownAccepts();
    void countdownOnWallClock();
    void countdownStops_data();
    void countdownStops();

private:
    // Runs action, ms after now, on the modal box shown at that moment (if any).
    void atMs(int ms, const std::function<void(MsgBox &)> &action);
    // Runs action on the modal box once its event loop runs.
    void whenShown(const std::function<void(MsgBox &)> &action) { atMs(0, action); }

    // Owns the pending timers of one test, so none of them reaches a later test's box.
    QScopedPointer<QObject> m_scope;
};

static QPushButton *button(QWidget &box, const char *name)
{
    return box.findChild<QPushButton *>(QLatin1String(name));
}

static QString okText(QWidget &box)
{
    return button(box, "pushButton_default")->text();
}

void TestMsgBox::atMs(int ms, const std::function<void(MsgBox &)> &action)
{
    QTimer::singleShot(ms, m_scope.data(), [action] {
        if (auto *box = qobject_cast<MsgBox *>(QApplication::activeModalWidget()))
            action(*box);
    });
}

void TestMsgBox::init()
{
    m_scope.reset(new QObject);
    // A box that a failing test leaves open must not hang the suite.
    atMs(10000, [](MsgBox &box) { box.reject(); });
}

void TestMsgBox::cleanup()
{
    m_scope.reset();
    User::setMsgPresenter(nullptr);
}

void TestMsgBox::layout_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<int>("okX");
    QTest::addColumn<bool>("cancelShown");

    QTest::newRow("notice, no title") << 1 << QString() << QStringLiteral("提示") << 112 << false;
    QTest::newRow("question, titled")
        << 2 << QStringLiteral("确认退出") << QStringLiteral("确认退出") << 34 << true;
}

void TestMsgBox::layout()
{
    QFETCH(int, mode);
    QFETCH(QString, title);
    QFETCH(QString, shownTitle);
    QFETCH(int, okX);
    QFETCH(bool, cancelShown);

    MsgBox box(nullptr, title, QStringLiteral("确定要退出吗？"), mode, -1);
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(box.windowTitle(), title);
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("label_title"))->text(), shownTitle);
    QCOMPARE(box.findChild<QLabel *>(QStringLiteral("label"))->text(),
             QStringLiteral("确定要退出吗？"));
    QCOMPARE(box.size(), QSize(360, 240));

    QPushButton *ok = button(box, "pushButton_default");
    QCOMPARE(ok->geometry(), QRect(okX, 194, 136, 36));
    QCOMPARE(box.focusWidget(), ok);
    QCOMPARE(!button(box, "pushButton_2")->isHidden(), cancelShown);
    QCOMPARE(button(box, "pushButton_2")->geometry(), QRect(190, 194, 136, 36));

    box.open(); // modal use only: open() shows nothing
    QVERIFY(!box.isVisible());
}

void TestMsgBox::closing_data()
{
    QTest::addColumn<QString>("okText");
    QTest::addColumn<QString>("cancelText");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("shownOk");
    QTest::addColumn<QString>("shownCancel");
    QTest::addColumn<int>("result");

    const QString ok = QStringLiteral("确定");
    const QString cancel = QStringLiteral("取消");
    const QString yes = QStringLiteral("是");
    const QString no = QStringLiteral("否");
    QTest::newRow("default texts, OK") << QString() << QString() << "ok" << ok << cancel << 1;
    QTest::newRow("cancel text alone ignored, Cancel")
        << QString() << no << "cancel" << ok << cancel << 0;
    QTest::newRow("own texts, close button") << yes << no << "close" << yes << no << 0;
    QTest::newRow("Escape") << yes << no << "escape" << yes << no << 0;
    QTest::newRow("Enter") << yes << no << "enter" << yes << no << 1;
}

// Goes through the installed presenter, as every caller does.
void TestMsgBox::closing()
{
    QFETCH(QString, okText);
    QFETCH(QString, cancelText);
    QFETCH(QString, action);
    QFETCH(QString, shownOk);
    QFETCH(QString, shownCancel);
    QFETCH(int, result);

    MsgBoxPresenter presenter;
    User::setMsgPresenter(&presenter);
    QString seenOk, seenCancel;
    atMs(0, [&](MsgBox &box) {
        seenOk = ::okText(box);
        seenCancel = button(box, "pushButton_2")->text();
        if (action == QLatin1String("ok"))
            button(box, "pushButton_default")->click();
        else if (action == QLatin1String("cancel"))
            button(box, "pushButton_2")->click();
        else if (action == QLatin1String("close"))
            button(box, "pushButton_close")->click();
        else if (action == QLatin1String("escape"))
            QTest::keyClick(&box, Qt::Key_Escape);
        else
            QTest::keyClick(&box, Qt::Key_Return);
    });
    QCOMPARE(User::showMsgBox(QStringLiteral("是否前往下载更新？"), QString(), 2, -1, false,
                              QString(), nullptr, okText, cancelText),
             result);
    QCOMPARE(seenOk, shownOk);
    QCOMPARE(seenCancel, shownCancel);
}

void TestMsgBox::input_data()
{
    QTest::addColumn<bool>("hasInput");
    QTest::addColumn<bool>("withOut");
    QTest::addColumn<QString>("out");

    QTest::newRow("edited line copied") << true << true << QStringLiteral("E1002x");
    QTest::newRow("no output string") << true << false << QStringLiteral("keep");
    QTest::newRow("no input line") << false << true << QStringLiteral("keep");
}

void TestMsgBox::input()
{
    QFETCH(bool, hasInput);
    QFETCH(bool, withOut);
    QFETCH(QString, out);

    QString written = QStringLiteral("keep");
    MsgBox box(nullptr, QString(), QStringLiteral("请将以下错误代码反馈给我们:"), 1, -1);
    box.hasInput = hasInput;
    box.inputText = QStringLiteral("E1002");
    box.out = withOut ? &written : nullptr;

    QString shownText;
    QSize maxSize;
    atMs(0, [&](MsgBox &shown) {
        auto *line = shown.findChild<QLineEdit *>(QStringLiteral("lineEdit"));
        shownText = line->text();
        maxSize = line->maximumSize();
        QTest::keyClicks(line, QStringLiteral("x"));
        button(shown, "pushButton_default")->click();
    });
    QCOMPARE(box.exec(), 1);
    QCOMPARE(written, out);
    QCOMPARE(shownText, hasInput ? QStringLiteral("E1002") : QString());
    QCOMPARE(maxSize, hasInput ? QSize(9999, 9999) : QSize(0, 0));
}

// The count-down runs on the test's clock: each tick shows what is left at that moment, and the
// box's own tick presses OK once the clock reaches the end.
void TestMsgBox::countdownAccepts()
{
    MsgBox box(nullptr, QString(), QStringLiteral("c"), 2, 3000);
    qint64 now = 0;
    box.setCountdownClock([&now] { return now; });
    QStringList texts;
    bool openAtLastMs = false;
    whenShown([&](MsgBox &shown) {
        for (qint64 ms : {0, 999, 1000, 1500, 2500, 2999}) {
            now = ms;
            shown.countdownTick();
            texts << okText(shown);
        }
        openAtLastMs = shown.isVisible();
        now = 3000;
    });
    QCOMPARE(box.exec(), 1);
    QVERIFY(openAtLastMs);
    QCOMPARE(texts, QStringList({QStringLiteral("确定(3)"), QStringLiteral("确定(2)"),
                                 QStringLiteral("确定(2)"), QStringLiteral("确定(1)"),
                                 QStringLiteral("确定(0)"), QStringLiteral("确定(0)")}));
}

// Without a clock of its own the box counts on the wall clock; any delay past 1 ms ends it.
void TestMsgBox::countdownOnWallClock()
{
    MsgBox box(nullptr, QString(), QStringLiteral("c"), 2, 1);
    QCOMPARE(box.exec(), 1);
}

void TestMsgBox::countdownStops_data()
{
    QTest::addColumn<QString>("interaction");
    QTest::addColumn<int>("atMs");
    QTest::addColumn<bool>("stops");

    for (const char *interaction : {"move", "key", "enter"}) {
        const QString name = QLatin1String(interaction);
        QTest::addRow("%s within the first 500 ms", interaction) << name << 100 << false;
        QTest::addRow("%s after 500 ms", interaction) << name << 600 << true;
    }
    QTest::newRow("move at 500 ms") << "move" << 500 << false;
    QTest::newRow("move at 501 ms") << "move" << 501 << true;
}

// A user action stops the count-down, leaving OK's own text and the box waiting for the user,
// unless it comes in the first 500 ms.
void TestMsgBox::countdownStops()
{
    QFETCH(QString, interaction);
    QFETCH(int, atMs);
    QFETCH(bool, stops);
    const auto interact = [interaction](MsgBox &box) {
        if (interaction == QLatin1String("move")) {
            const QPoint pos(50, 100);
            QMouseEvent move(QEvent::MouseMove, pos, box.mapToGlobal(pos), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(&box, &move);
        } else if (interaction == QLatin1String("key")) {
            QTest::keyRelease(&box, Qt::Key_Shift);
        } else {
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(&box, &enter);
        }
    };

    MsgBox box(nullptr, QString(), QStringLiteral("c"), 2, 1000);
    qint64 now = 0;
    box.setCountdownClock([&now] { return now; });
    QString afterAction, afterTime;
    whenShown([&](MsgBox &shown) {
        now = atMs;
        shown.countdownTick();
        interact(shown);
        afterAction = okText(shown);
        now = 1300;
        shown.countdownTick(); // presses OK unless stopped
        afterTime = okText(shown);
        if (shown.isVisible())
            button(shown, "pushButton_2")->click();
    });
    QCOMPARE(box.exec(), stops ? 0 : 1);
    QCOMPARE(afterAction, stops ? QStringLiteral("确定") : QStringLiteral("确定(0)"));
    QCOMPARE(afterTime, afterAction);
}

QTEST_MAIN(TestMsgBox)
#include "tst_msgbox.moc"
