#pragma once

#include "client/RecordChange.h"

#include <QObject>

class LocalCopy;
class User;
struct Domain;

// Keeps the local copy in step with what User reads and changes: every complete domain list,
// every complete read of a domain's records and every accepted record change or domain
// removal is written at once, for the account User is signed in with (none without an
// e-mail). The copy must be open; the keeper does not own it.
class CopyKeeper : public QObject
{
    Q_OBJECT
public:
    CopyKeeper(User &user, LocalCopy &copy, QObject *parent = nullptr);

    // The last write that failed; empty when all went in.
    QString lastError() const { return m_lastError; }

private:
    bool onAccount();
    void note(bool written);
    void domainListRead(bool complete);
    void domainRemoved(int domainID);
    void recordsRead(Domain *dm, bool complete);
    void recordChanged(const RecordChange &change);
    QString lineName(int domainID, int lineID) const;

    User &m_user;
    LocalCopy &m_copy;
    QString m_lastError;
};
