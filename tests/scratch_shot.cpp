#include "AppGlobals.h"
#include "LocalServiceFixture.h"
#include "MainWindow2.h"
#include "RecordPage.h"
#include "RecordingPresenter.h"
#include "Startup.h"
#include "User.h"
#include <QApplication>
#include <QTableWidget>
#include <QPushButton>
#include <QMenu>
#include <QTimer>
#include <QtTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    initResources();
    QFont f(QStringLiteral("Noto Sans CJK SC")); f.setPixelSize(14); app.setFont(f);
    RecordingPresenter boxes;
    LocalServiceFixture fx; fx.start();
    User &u = theUser(); fx.loginDemo(u); u.getDomain();
    u.needDomainReload = false; u.needGroupReload = false;
    MainWindow2 w; w.firstShowPending = false; w.resize(1026, 675); w.show();
    QTest::qWait(200);
    w.recordPage().showDomain(u.domains.sharedOf(u.domain2ptr(QStringLiteral("halvik-demo.com"))));
    QTest::qWait(300);
    w.grab().save(QStringLiteral("/tmp/rec1.png"));
    auto *t = w.findChild<QTableWidget*>(QStringLiteral("tableR"));
    w.activateRowAdd();
    qobject_cast<QPushButton*>(t->cellWidget(3, 2))->click();
    QTest::qWait(300);
    w.grab().save(QStringLiteral("/tmp/rec2.png"));
    auto *line = qobject_cast<QPushButton*>(t->cellWidget(3, 3));
    QMenu *m = line->menu();
    m->popup(line->mapToGlobal(QPoint(0, line->height())));
    QTest::qWait(300);
    m->grab().save(QStringLiteral("/tmp/rec3.png"));
    for (QAction *a : m->actions()) if (a->text() == QStringLiteral("电信")) { m->setActiveAction(a); a->menu()->popup(m->mapToGlobal(m->actionGeometry(a).topRight())); QTest::qWait(300); a->menu()->grab().save(QStringLiteral("/tmp/rec4.png")); }
    // basic package greyed
    m->hide();
    w.recordPage().showDomain(u.domains.sharedOf(u.domain2ptr(QStringLiteral("harbor-demo.com"))));
    QTest::qWait(200);
    qobject_cast<QPushButton*>(t->cellWidget(0, 2))->click();
    line = qobject_cast<QPushButton*>(t->cellWidget(0, 3));
    m = line->menu();
    m->popup(line->mapToGlobal(QPoint(0, line->height())));
    QTest::qWait(300);
    m->grab().save(QStringLiteral("/tmp/rec5.png"));
    w.grab().save(QStringLiteral("/tmp/rec6.png"));
    return 0;
}
