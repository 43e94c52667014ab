#pragma once

#include <QString>

// When a job gives up on a service that stopped answering: at the kNoAnswersToStop-th request
// in a row without an answer (a network failure or time-out; a refusal is an answer), a domain
// whose every request was answered starting the count anew. Waiting out the time limit of
// every remaining request would take hours. Every job that sends requests counts with it.
class NoAnswerWatch
{
public:
    static constexpr int kNoAnswersToStop = 3;

    // A request of the domain numbered domain (from 1) had an answer or none.
    void note(bool answered, int domain);
    // The current domain is done.
    void endDomain();
    void reset() { *this = NoAnswerWatch(); }

    bool gaveUp() const { return m_stoppedAt > 0; }
    // The domain the job gave up at, from 1; 0 while it goes on.
    int stoppedAt() const { return m_stoppedAt; }
    // "服务连续 3 次无应答，任务在第 2/5 个域名处停止", for a job of total domains; the caller
    // says what became of the rest.
    QString reason(int total) const;

private:
    int m_inRow = 0;
    bool m_domainAnswered = false;
    bool m_domainUnanswered = false;
    int m_stoppedAt = 0;
};
