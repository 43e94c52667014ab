#pragma once

#include <QMainWindow>

// The first window of the program (placeholder until the sign-in form lands).
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
};
