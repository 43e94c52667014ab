#pragma once

#include <QList>
#include <QObject>

class QLabel;
class QPushButton;
class QWidget;

// The widgets one job page runs its jobs with.
struct JobWidgets
{
    QWidget *overlay = nullptr;  // busy overlay, shown while the job runs
    QLabel *animation = nullptr; // loading animation
    QLabel *progress = nullptr;  // "i / n"
    QPushButton *stop = nullptr; // raises "mustStop"
    QList<QWidget *> locked;     // disabled while the job runs
};

// Runs the jobs of one page on the window's thread: the page's start slot calls start(), asks
// next(i, n) before each item and calls finish() after the loop. Each page owns one runner.
class JobRunner : public QObject
{
    Q_OBJECT
public:
    explicit JobRunner(const JobWidgets &widgets, QObject *parent = nullptr);

    void start();
    // Shows the progress of item i of n; false once the user asked to stop.
    bool next(int i, int n);
    void finish();

    // Flashes the border of an input the user must fill in.
    static void flashInput(QWidget *widget);

private:
    JobWidgets m_widgets;
};
