#pragma once

#include "app/AppGlobals.h"
#include "client/User.h"
#include "manage/shell/MainWindow2.h"
#include "signin/MainWindow.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/OpenedUrls.h"
#include "tests/support/RecordingPresenter.h"
#include "tests/support/RecordingToasts.h"

#include <QAbstractButton>
#include <QList>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// The most a window test waits for an event that takes a round trip to the stand-in service or
// one of the program's own timers of a second or two: generous, as the machine may be busy. A
// passing test never waits it out.
constexpr int kEventWithinMs = 60000;

// The object named name below root. A missing name ends the run with the test, the type and
// the name: the object names of the forms are the contract the window tests rely on.
template <typename T = QWidget>
T *widget(const QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QLatin1String(name));
    if (!found) {
        const char *test = QTest::currentTestFunction();
        qFatal("%s: no %s named \"%s\" in %s", test ? test : "?", T::staticMetaObject.className(),
               name, root.metaObject()->className());
    }
    return found;
}

// Everything a window test stands on, in one place: the stand-in service in this process, a
// recording message-box presenter and toast recorder, a catcher of the addresses the program
// opens in the browser, settings and data in a folder of the test's own,
// the process-wide client signed in, and the management window (or the sign-in window that
// holds it). Suites call init() from init() and cleanup() from cleanup(); the steps between
// are taken as a suite needs them.
class WindowHarness
{
public:
    enum class Show
    {
        Hidden,
        Shown
    };

    WindowHarness();
    ~WindowHarness();
    WindowHarness(const WindowHarness &) = delete;
    WindowHarness &operator=(const WindowHarness &) = delete;

    // The client back to its start state, fresh recorders and a fresh settings folder.
    void init();
    // Closes the windows, stops the service unless keepService() asked otherwise, and resets
    // the client.
    void cleanup();

    // The test's own settings folder (also XDG_CONFIG_HOME while the test runs).
    QString settingsPath() const { return m_settingsDir ? m_settingsDir->path() : QString(); }
    // The test's own data folder (also XDG_DATA_HOME while the test runs): the journal goes
    // there, never to the user's.
    QString dataPath() const { return m_dataDir ? m_dataDir->path() : QString(); }

    // Starts a fresh stand-in service; false with the reason logged.
    bool startService(const LocalServiceFixture::Options &options = LocalServiceFixture::Options());
    // Keeps the service across cleanup(), for a suite that starts it once in initTestCase().
    void keepService(bool keep) { m_keepService = keep; }
    void stopService();

    // Points the client at the service and signs in (the demo account unless given); with
    // fetchDomains, also fetches the account's domains and marks the lists fresh, so that
    // opening a page fetches nothing of its own.
    bool signIn(const QString &account = QString(), bool fetchDomains = true);

    // Opens the management window (replacing one open before) without its first-show loading,
    // which no window test looks at; a valid size is set before showing, and then the window's
    // start-up resize never comes (it would land in the middle of the test, or not, as the
    // machine's load decides). widget() looks in it.
    MainWindow2 &openManagement(Show show = Show::Shown, const QSize &size = QSize());
    // Opens the sign-in window (replacing one open before), with its management window in
    // window. widget() looks in the sign-in window.
    MainWindow &openSignIn(Show show = Show::Hidden);
    void closeWindows();

    // A fresh service, the demo account signed in, and the management window shown with the
    // domain and group lists to be loaded when a page shows them, as after a real sign-in.
    // False on failure.
    bool openAfterSignIn();

    // A fresh service (the demo account, or with seedDomains an account of that many domains
    // besides it), signed in, and the management window on the domain page. False on failure.
    bool openDomainPage(int seedDomains = 0);

    // The process-wide client as the program starts: signed out, nothing cached, the default
    // addresses and limits, then the test limits (short, but generous for a busy machine).
    static void resetUser();

    // Runs the event loop until what is already under way has run its course: posted events,
    // deferred deletions and due timers delivered until a round delivers nothing more. Waits
    // for no clock, so a negative check after it proves that nothing was about to happen.
    static bool settle();

    // The widget named name in the window opened last.
    template <typename T = QWidget>
    T *widget(const char *name) const
    {
        if (!m_root)
            qFatal("%s: no window open", QTest::currentTestFunction());
        return ::widget<T>(*m_root, name);
    }
    QAbstractButton *button(const char *name) const;

    // The addresses handed to the desktop to open since init(), in order.
    QList<QUrl> openedUrls() const { return opened ? opened->urls : QList<QUrl>(); }

    // The notices shown so far, and the latest.
    QStringList toastsShown() const { return toasts ? toasts->shown : QStringList(); }
    QString toast() const { return toasts ? toasts->last() : QString(); }

    // Runs action once the fault set for path has struck count requests, that is while a
    // delayed reply is under way: for a step that must land while the window waits.
    void whenStruck(const QString &path, int count, const std::function<void()> &action);

    // A refusal of the service with this code and message for requests to path.
    void refuse(const QString &path, int code, const QString &message, int skip = 0,
                int times = -1) const;
    // A second client signed in to the same account, to see what the service holds.
    std::unique_ptr<User> probe() const;
    // The records of the domain named name as the service has them now, read by the window's
    // own client (which keeps them as the domain's records).
    QList<Record> records(const QString &name) const;
    // The service's copy of a domain; id 0 when it no longer exists.
    Domain serviceDomain(int id) const;
    // The service's id of the signed-in account.
    qint64 accountId() const;

    // The domain page's table and its rows.
    QTableWidget *table() const;
    QList<int> rowIds() const;
    int rowOf(const QString &name) const;
    // Scrolls row into view, so that it has its widgets.
    bool reveal(int row) const;
    // The lock, pause and delete buttons of a row (0, 1, 2); the name button is 3.
    QPushButton *rowButton(int row, int which) const;
    // The group button of the group column for a group id.
    QAbstractButton *groupButton(int groupId) const;

    std::unique_ptr<RecordingPresenter> boxes;
    std::unique_ptr<RecordingToasts> toasts;
    std::unique_ptr<OpenedUrls> opened;
    std::unique_ptr<LocalServiceFixture> service;
    std::unique_ptr<MainWindow> signInWindow;
    // The management window: one of its own, or the sign-in window's.
    MainWindow2 *window = nullptr;
    QString email;

private:
    std::unique_ptr<MainWindow2> m_ownManagement;
    std::unique_ptr<QTemporaryDir> m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_dataDir;
    QObject *m_root = nullptr;
    QByteArray m_savedConfigHome;
    QByteArray m_savedDataHome;
    bool m_keepService = false;
};
