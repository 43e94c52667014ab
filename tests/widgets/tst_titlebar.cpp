#include "widgets/MyMenu.h"
#include "widgets/MyTitleBar.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

class TestTitleBarMenu : public QObject
{
    Q_OBJECT
private slots:
    void dragKeepsCursorOffset_data();
    void dragKeepsCursorOffset();
    void menuRelease_data();
    void menuRelease();
};

static void sendMouse(QWidget *target, QEvent::Type type, QPoint local, QPoint global,
                      Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void TestTitleBarMenu::dragKeepsCursorOffset_data()
{
    QTest::addColumn<bool>("ownedDialog");
    QTest::newRow("top-level window") << false;
    // A box with an owner window: the box moves, its owner stays.
    QTest::newRow("dialog with an owner") << true;
}

void TestTitleBarMenu::dragKeepsCursorOffset()
{
    QFETCH(bool, ownedDialog);

    QWidget owner;
    owner.setGeometry(400, 300, 500, 400);
    QDialog dialog(ownedDialog ? &owner : nullptr);
    dialog.setWindowFlags(dialog.windowFlags() | Qt::FramelessWindowHint);
    dialog.setGeometry(100, 100, 300, 200);
    auto *bar = new MyTitleBar(&dialog);
    bar->setGeometry(0, 0, 300, 40);
    if (ownedDialog)
        owner.show();
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint ownerPos = owner.pos();

    // Pressed 30 px right of the left edge, 10 px down.
    const QPoint grip(30, 10);
    sendMouse(bar, QEvent::MouseButtonPress, grip, dialog.pos() + grip, Qt::LeftButton);
    for (const QPoint cursor : {QPoint(250, 300), QPoint(40, 15), QPoint(-20, 600)}) {
        sendMouse(bar, QEvent::MouseMove, bar->mapFromGlobal(cursor), cursor, Qt::LeftButton);
        QCOMPARE(dialog.pos(), cursor - grip);
    }
    QCOMPARE(owner.pos(), ownerPos);
}

void TestTitleBarMenu::menuRelease_data()
{
    QTest::addColumn<bool>("onSubMenuEntry");
    QTest::addColumn<int>("mouseButton"); // Qt::MouseButton
    QTest::addColumn<int>("triggered");

    QTest::newRow("sub-menu entry, left") << true << int(Qt::LeftButton) << 1;
    QTest::newRow("sub-menu entry, right") << true << int(Qt::RightButton) << 0;
    QTest::newRow("plain entry, left: once, as in any menu") << false << int(Qt::LeftButton) << 1;
}

void TestTitleBarMenu::menuRelease()
{
    QFETCH(bool, onSubMenuEntry);
    QFETCH(int, mouseButton);
    QFETCH(int, triggered);

    MyMenu menu;
    QAction *plain = menu.addAction(QStringLiteral("默认"));
    QMenu *sub = menu.addMenu(QStringLiteral("电信"));
    sub->addAction(QStringLiteral("北京电信"));
    QAction *entry = onSubMenuEntry ? sub->menuAction() : plain;
    menu.installEventFilter(&menu);

    menu.popup(QPoint(100, 100));
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QSignalSpy spy(entry, &QAction::triggered);
    QTest::mouseClick(&menu, Qt::MouseButton(mouseButton), Qt::NoModifier,
                      menu.actionGeometry(entry).center());
    QCOMPARE(spy.count(), triggered);
}

QTEST_MAIN(TestTitleBarMenu)
#include "tst_titlebar.moc"
