#pragma once

#include "client/RecordChange.h"

#include <QMutex>
#include <QObject>

#include <functional>

class CopyWriter;
class LocalCopy;
class User;
struct Domain;

// Keeps the local copy in step with what User reads and changes: every complete domain list,
// every complete read of a domain's records and every accepted record change or domain
// removal is written, for the account User is signed in with (none without an e-mail). Given
// the copy (open; the keeper does not own it), each is written at once; given a CopyWriter,
// each is handed to its thread in the same order, what it needs of User taken at once.
class CopyKeeper : public QObject
{
    Q_OBJECT
public:
    CopyKeeper(User &user, LocalCopy &copy, QObject *parent = nullptr);
    CopyKeeper(User &user, CopyWriter &writer, QObject *parent = nullptr);
    // With a writer, waits for the writes handed to it: they note their errors here.
    ~CopyKeeper() override;

    // The last write that failed; empty when all went in (with a writer: of those run so far).
    QString lastError() const;

private:
    using Write = std::function<bool(LocalCopy &)>;
    void connectUser();
    // Runs write on the copy once it is on the account signed in now.
    void keep(Write write);
    void note(bool written, const LocalCopy &copy);
    void domainListRead(bool complete);
    void domainRemoved(int domainID);
    void recordsRead(Domain *dm, bool complete);
    void recordChanged(const RecordChange &change);
    QString lineName(int domainID, int lineID) const;

    User &m_user;
    LocalCopy *m_copy = nullptr;
    CopyWriter *m_writer = nullptr;
    mutable QMutex m_errorMutex; // the writer's thread notes errors
    QString m_lastError;
};
