#pragma once

#include "client/live/LiveSubnets.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// One question for one name server.
struct DnsQuestion
{
    QString name;   // absolute, in ASCII, without the final dot
    int type = 1;   // an RR type number (1 = A)
    QString server; // the address to ask
    quint16 port = 53;
    LineSubnet subnet;      // when it has a cidr: sent as an EDNS Client Subnet option
    bool recursive = false; // asks a resolver (RD) rather than an authoritative server
};

// A record of a reply, in the service's terms (see serviceValueOf).
struct ServedRecord
{
    QString owner; // without the final dot
    int type = 0;
    QString typeName;
    quint32 ttl = 0;
    QString value;
    int mx = 0;
};

struct DnsReply
{
    enum Outcome
    {
        Pending,
        Answered,
        NoAnswer, // nothing usable came back in time, after every attempt
        Stopped
    };
    Outcome outcome = Pending;
    int rcode = -1;
    bool authoritative = false;
    bool overTcp = false;
    QList<ServedRecord> answer;    // records of the answer section owned by the name asked
    QList<ServedRecord> authority; // NS records of the authority section (a delegation)
    QString error;                 // NoAnswer: why, for people
};

// Sends questions with ldns, many at a time over UDP (TCP for a truncated reply), and collects
// the replies. The waits are socket notifiers and timers on the caller's event loop: nothing
// spins and nothing blocks, except a TCP connect (bounded by the time-out). A question that is
// not answered in time is asked again, up to the attempts allowed. A reply is taken only from
// the address asked, with the question's id, name and type.
class DnsQueries : public QObject
{
    Q_OBJECT
public:
    struct Limits
    {
        int timeoutMs = 1500; // per attempt
        int attempts = 3;
        int inFlight = 200; // questions waiting for a reply at once (each holds a socket)
    };

    explicit DnsQueries(QObject *parent = nullptr);
    ~DnsQueries() override;
    DnsQueries(const DnsQueries &) = delete;
    DnsQueries &operator=(const DnsQueries &) = delete;

    void setLimits(const Limits &limits) { m_limits = limits; }
    // Before start(): the question's index.
    int add(const DnsQuestion &question);
    // Sends the questions; finished() follows when every one has a reply or gave up (at once
    // when there are none).
    void start();
    // Closes every socket; questions without a reply become Stopped; finished() follows.
    void stop();
    bool isRunning() const { return m_running; }

    int count() const { return m_questions.size(); }
    const DnsQuestion &question(int index) const { return m_questions.at(index); }
    const DnsReply &reply(int index) const { return m_replies.at(index); }

signals:
    // A question has its reply (or gave up); progress() follows.
    void settled(int index);
    void progress(int done, int total);
    void finished();

private:
    struct Flight;
    void sendNext();
    void send(int index, int attempt, bool tcp);
    void readable(Flight *flight);
    void timedOut(Flight *flight);
    // Reads the reply of a flight; false when what came is not its reply.
    bool takeReply(Flight *flight, const QByteArray &wire);
    void settle(Flight *flight, DnsReply::Outcome outcome, const QString &error = QString());
    void end(Flight *flight);

    Limits m_limits;
    QList<DnsQuestion> m_questions;
    QList<DnsReply> m_replies;
    QList<QByteArray> m_wire; // each question's packet, built when first sent
    QHash<int, Flight *> m_flights;
    int m_next = 0;
    int m_done = 0;
    bool m_running = false;
};
