#pragma once

#include "client/plan/ChangePlan.h"

#include <QList>
#include <QString>

class User;
struct Domain;

// What every plan preview shares: begin() reads the domain list, each runNext() plans one
// domain on the caller's thread (the client's own event loop keeps a window live in between),
// plan() gathers the domains' plans with their warnings. Changes nothing. A preview says how
// many domains it plans and how one is planned.
class DomainPreview
{
public:
    virtual ~DomainPreview() = default;
    bool atEnd() const { return m_next >= total(); }
    int position() const { return m_next; }
    virtual int total() const = 0;
    void runNext();
    virtual ChangePlan plan() const;
    QString errorText() const { return m_error; }
    // Whether a read had no answer (the plan then has problem steps for those domains).
    bool networkFailed() const { return m_networkFailed; }
    // Whether reading stopped after three reads in a row had no answer: the domains after
    // them are problem steps that say so, planned without waiting out a time limit each.
    bool gaveUp() const { return m_noAnswersInRow >= kNoAnswersToStop; }
    static constexpr int kNoAnswersToStop = 3;

protected:
    // colon follows a reason's lead-in in the texts shown (the command line's ": ", the
    // windows' "：").
    DomainPreview(User &user, const QString &colon);
    // Forgets what was planned, so runNext() starts from the first domain again.
    void restart();
    // Reads the domain list; false with the reason.
    bool readDomains();
    virtual DomainPlan planDomain(int index) = 0;
    // Reads dm's records into live and finds dm again (the list may have been reloaded while
    // the request waited; dm is null when the domain is gone). False when they cannot be read.
    bool readLive(Domain *&dm, QList<Record> &live);
    // The plan of a domain whose records could not be read, with the reason of the last read.
    DomainPlan unreadable(const QString &name, int domainID) const;
    const QList<DomainPlan> &domains() const { return m_domains; }

    User &m_user;
    QString m_error;
    bool m_networkFailed = false;

private:
    QString m_colon;
    QString m_readError; // why the last read failed
    int m_noAnswersInRow = 0;
    int m_next = 0;
    QList<DomainPlan> m_domains;
};
