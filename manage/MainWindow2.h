#pragma once

#include <QMainWindow>
#include <QScopedPointer>

namespace Ui {
class MainWindow2;
}

// The management window the user works in after signing in.
class MainWindow2 : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow2(QWidget *parent = nullptr);
    ~MainWindow2() override;

    // The one-time work of the next show (reloading domains and groups) is still to be done.
    bool firstShowPending = true;

private:
    QScopedPointer<Ui::MainWindow2> ui;
};
