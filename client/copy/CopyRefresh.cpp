#include "client/copy/CopyRefresh.h"

#include "client/User.h"
#include "client/copy/CopyReader.h"
#include "client/copy/LocalCopy.h"

#include <QTimer>

#include <climits>

namespace {

// resultCode before a request: stays so unless an answer with a code arrived.
constexpr int kNoCode = INT_MIN;

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

void CopyRefresh::finish()
{
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
        m_user.resultCode = kNoCode;
        if (!readAllDomains(m_user, read, complete)) {
            m_outcome.error = m_user.errorText;
            m_outcome.networkFailure = m_user.resultCode == kNoCode;
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
    QList<Record> records;
    m_user.resultCode = kNoCode;
    if (readAllRecords(m_user, dm, records)) {
        m_networkFailuresInRow = 0;
        if (!m_copy.storeRecords(dm.id, records, QDateTime::currentDateTimeUtc())) {
            m_outcome.error = m_copy.errorText();
            ++m_outcome.done;
            ++m_outcome.failed;
            return false;
        }
    } else {
        ++m_outcome.failed;
        m_outcome.error = QStringLiteral("%1：%2").arg(dm.name, m_user.errorText);
        m_outcome.networkFailure = m_user.resultCode == kNoCode;
        m_networkFailuresInRow = m_outcome.networkFailure ? m_networkFailuresInRow + 1 : 0;
        m_copy.storeReadError(dm.id, m_user.errorText);
    }
    ++m_outcome.done;
    emit progress(m_outcome.done, m_outcome.total, dm.name);
    if (m_networkFailuresInRow >= kNetworkFailuresToStop) {
        m_outcome.stopped = true;
        return false;
    }
    return !m_queue.isEmpty();
}
