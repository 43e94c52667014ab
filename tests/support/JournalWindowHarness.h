#pragma once

// A signed-in management window over the stand-in service, with the journal in a folder of its
// own: the tests never touch the real user's journal.

#include "app/AppGlobals.h"
#include "app/Startup.h"
#include "client/User.h"
#include "client/journal/Journal.h"
#include "manage/shell/MainWindow2.h"
#include "tests/support/LocalServiceFixture.h"
#include "tests/support/RecordingPresenter.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class JournalWindowHarness
{
public:
    // Call from init(); false (with the reason in errorText) when the service does not start.
    bool start()
    {
        m_data = std::make_unique<QTemporaryDir>();
        if (!m_data->isValid())
            return fail(QStringLiteral("no temporary folder"));
        // The journal's folder comes from here on every call.
        qputenv("XDG_DATA_HOME", m_data->path().toUtf8());
        boxes = std::make_unique<RecordingPresenter>();
        service = std::make_unique<LocalServiceFixture>();
        if (!service->start())
            return fail(service->errorText());
        User &user = theUser();
        user.idleLimitMs = 5000;
        user.totalLimitMs = 8000;
        if (!service->loginDemo(user) || user.getDomain() <= 0)
            return fail(QStringLiteral("demo sign-in failed"));
        window = std::make_unique<MainWindow2>();
        window->firstShowPending = false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) ||
               fail(QStringLiteral("window not shown"));
    }

    // Call from cleanup().
    void stop()
    {
        window.reset();
        service.reset();
        boxes.reset();
        theUser().domains.clear();
        theUser().loggedIn = false;
        m_data.reset();
    }

    QString errorText() const { return m_error; }
    QString dataPath() const { return m_data->path(); }

    template <typename T>
    T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }

    // The domain's records as the service has them now.
    QList<Record> records(const QString &domain) const
    {
        User &user = theUser();
        Domain *dm = user.domain2ptr(domain);
        if (!dm)
            return {};
        user.getRecord(dm);
        QList<Record> list;
        for (const Record &r : dm->records)
            list.append(r);
        return list;
    }

    std::unique_ptr<LocalServiceFixture> service;
    std::unique_ptr<RecordingPresenter> boxes;
    std::unique_ptr<MainWindow2> window;

private:
    bool fail(const QString &why)
    {
        m_error = why;
        return false;
    }

    std::unique_ptr<QTemporaryDir> m_data;
    QString m_error;
};
