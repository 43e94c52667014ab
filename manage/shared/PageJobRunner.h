#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>

class QLabel;
class QMovie;
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
    // Under the overlay: not repainted while it covers them (a result list that grows by a
    // line per item would otherwise be redrawn behind it for every item).
    QList<QWidget *> covered;
};

// Runs the jobs of one page on the window's thread: the page's start slot calls start(), asks
// next(i, n) before each item and calls finish() after the loop. The service calls of an item
// wait in the client's own event loop, so the window repaints and takes the stop click while
// the job runs. Each page owns one runner. (Named apart from the journal's JobRunner: two
// classes of one name in one program would share their implicit members, such as the
// destructor.)
class PageJobRunner : public QObject
{
    Q_OBJECT
public:
    explicit PageJobRunner(const JobWidgets &widgets, QObject *parent = nullptr);

    void start();
    // False once the user asked to stop: item i (from 0) of n is then not to be processed and
    // the progress still shows the item before it. Otherwise shows "i+1 / n": at once for the
    // first and the last item, for the others at most once a frame (a label changed for every
    // item repainted the page for every request), and by finish() at the latest.
    bool next(int i, int n);
    void finish();

    bool isRunning() const { return m_running; }
    // How often the stop handler ran: once per click, however many jobs the page ran.
    int stopRequests() const { return m_stopRequests; }

    // Flashes the border of an input the user must fill in: red six times over 1.8 s, then the
    // widget's own style again.
    static void flashInput(QWidget *widget);

private:
    void prepareFirstUse();
    void requestStop();
    void showProgress(const QString &text);

    JobWidgets m_widgets;
    QPointer<QMovie> m_animation;
    bool m_firstUseDone = false;
    bool m_running = false;
    int m_stopRequests = 0;
    QElapsedTimer m_shownAt;
    QString m_unshownProgress; // the latest "i / n" not on the label yet
};
