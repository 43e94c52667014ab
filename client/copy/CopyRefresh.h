#pragma once

#include "client/Types.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class LocalCopy;
class User;

// Reads the account's domain list and then the records of every domain, stalest first, one
// request at a time, into the local copy. Each domain is stored in its own transaction while
// the next one is read, and whatever ends the refresh, what it read is stored before
// finished() (or run()) comes, so a refresh stopped or cut off keeps what it read. The copy
// must be open on the account.
//
// In a window: connect progress() and finished(), call start(), and stop() to end it early;
// every domain runs in its own turn of the event loop, and its requests wait in User's local
// event loop, so the window stays responsive. Do not delete the object while it runs.
class CopyRefresh : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        bool listRead = false; // the domain list arrived (at least its first page)
        bool listComplete = false;
        bool stopped = false;        // by stop(), or after repeated network failures
        bool networkFailure = false; // the last failure had no answer from the service
        int total = 0;               // domains to read
        int done = 0;                // domains tried
        int failed = 0;              // domains whose records could not be read
        QString error;               // the last failure's text
        // Why the copy could not take what was read (the refresh then ends); empty when it
        // could. Not a failure to read: the domains read before it are stored.
        QString storeError;
    };

    CopyRefresh(User &user, LocalCopy &copy, QObject *parent = nullptr);

    // Starts in the background; false when already running.
    bool start();
    // Runs to the end before returning; for halvik-cli.
    Outcome run();
    // Ends the refresh before the next domain.
    void stop() { m_stopRequested = true; }
    bool isRunning() const { return m_running; }
    Outcome outcome() const { return m_outcome; }

signals:
    // After the domain list (done 0) and after each domain; domain is the one just read.
    void progress(int done, int total, const QString &domain);
    void finished();

private:
    void begin();
    // One step: the domain list first, then one domain. False when nothing is left.
    bool step();
    void stepLater();
    void finish();
    // A store of the copy ended: the first failure ends the refresh with the copy's error.
    void noteStored(bool stored);

    User &m_user;
    LocalCopy &m_copy;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_listDone = false;
    bool m_storeFailed = false;
    int m_networkFailuresInRow = 0;
    QList<Domain> m_queue;
    Outcome m_outcome;
};
