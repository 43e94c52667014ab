#include "MainWindow.h"

#include "AppGlobals.h"
#include "User.h"

#include <QLabel>

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    signInWindow() = this;
    setWindowTitle(QStringLiteral("halvik"));
    resize(900, 600);
    auto *label = new QLabel(QStringLiteral("halvik — %1").arg(theUser().baseUrl), this);
    label->setAlignment(Qt::AlignCenter);
    setCentralWidget(label);
}
