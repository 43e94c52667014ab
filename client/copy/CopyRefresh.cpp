#include "client/copy/CopyRefresh.h"

#include "client/User.h"
#include "client/copy/CopyReader.h"
#include "client/copy/LocalCopy.h"

#include <QTimer>

namespace {

// A service that does not answer three domains in a row is not there: stop rather than wait
// out the time limit of every remaining domain.
constexpr int kNetworkFailuresToStop = 3;

} // namespace

CopyRefresh::CopyRefresh(User &user, LocalCopy &copy, QObject *parent)
    : QObject(parent), m_user(user), m_copy(copy)
{}

void CopyRefresh::begin()
{
    m_running = true;
    m_stopRequested = false;
    m_listDone = false;
    m_networkFailuresInRow = 0;
    m_storeFailed = false;
    m_queue.clear();
    m_outcome = Outcome();
}

bool CopyRefresh::start()
{
    if (m_running)
        return false;
    begin();
    stepLater();
    return true;
}

CopyRefresh::Outcome CopyRefresh::run()
{
    if (m_running)
        return m_outcome;
    begin();
    while (step()) {
    }
    finish();
    return m_outcome;
}

void CopyRefresh::stepLater()
{
    QTimer::singleShot(0, this, [this] {
        if (step())
            stepLater();
        else
            finish();
    });
}

void CopyRefresh::noteStored(bool stored)
{
    if (stored || m_storeFailed)
        return;
    // The copy cannot take more: the refresh ends with its error.
    m_storeFailed = true;
    ++m_outcome.failed;
    m_outcome.error = m_copy.errorText();
}

void CopyRefresh::finish()
{
    // Nothing read is left unstored, whatever ended the refresh.
    noteStored(m_copy.flushDeferred());
    m_running = false;
    m_queue.clear();
    emit finished();
}

bool CopyRefresh::step()
{
    if (m_stopRequested) {
        m_outcome.stopped = true;
        return false;
    }
    if (!m_listDone) {
        m_listDone = true;
        QList<Domain> read;
        bool complete = false;
        if (!readAllDomains(m_user, read, complete)) {
            m_outcome.error = m_user.errorText;
            m_outcome.networkFailure = !m_user.answered;
            return false;
        }
        m_outcome.listRead = true;
        m_outcome.listComplete = complete;
        QList<CopyDomain> listed;
        QHash<int, Domain> byId;
        for (Domain &dm : read) {
            listed.append(CopyDomain{dm.id, dm.name, {}, {}});
            byId.insert(dm.id, std::move(dm));
        }
        if (!m_copy.storeDomains(listed, complete)) {
            m_outcome.error = m_copy.errorText();
            return false;
        }
        // Stalest first; a domain the list did not bring this time (a partial list) is still
        // read, on no lines.
        for (const CopyDomain &d : m_copy.stalestFirst()) {
            Domain dm = byId.value(d.id);
            dm.id = d.id;
            dm.name = d.name;
            m_queue.append(dm);
        }
        m_outcome.total = m_queue.size();
        emit progress(0, m_outcome.total, QString());
        return !m_queue.isEmpty();
    }

    const Domain dm = m_queue.takeFirst();
    // The domain read last is stored while this domain's request is on its way: the request
    // runs on the network thread and this thread waits for it in User's event loop, which
    // runs the queued store. The store stays on this thread, on the copy's one connection, and
    // the copy keeps it ahead of any later write (a change the user makes meanwhile).
    if (m_copy.hasDeferred())
        QTimer::singleShot(0, this, [this] { noteStored(m_copy.flushDeferred()); });
    QList<Record> records;
    const bool read = readAllRecords(m_user, dm, records);
    noteStored(m_copy.flushDeferred()); // when the answer came before the wait got to it
    if (read) {
        m_networkFailuresInRow = 0;
        m_copy.storeRecordsLater(dm.id, std::move(records), QDateTime::currentDateTimeUtc());
    } else {
        ++m_outcome.failed;
        m_outcome.error = QStringLiteral("%1：%2").arg(dm.name, m_user.errorText);
        m_outcome.networkFailure = !m_user.answered;
        m_networkFailuresInRow = m_outcome.networkFailure ? m_networkFailuresInRow + 1 : 0;
        m_copy.storeReadError(dm.id, m_user.errorText);
    }
    ++m_outcome.done;
    emit progress(m_outcome.done, m_outcome.total, dm.name);
    if (m_storeFailed)
        return false;
    if (m_networkFailuresInRow >= kNetworkFailuresToStop) {
        m_outcome.stopped = true;
        return false;
    }
    return !m_queue.isEmpty();
}
