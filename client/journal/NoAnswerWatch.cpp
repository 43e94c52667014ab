#include "client/journal/NoAnswerWatch.h"

void NoAnswerWatch::note(bool answered, int domain)
{
    // Counted across a domain's answered requests: a service that reads but never carries out
    // a change is as stuck as one that says nothing.
    if (answered) {
        m_domainAnswered = true;
        return;
    }
    m_domainUnanswered = true;
    if (!gaveUp() && ++m_inRow >= kNoAnswersToStop)
        m_stoppedAt = domain;
}

void NoAnswerWatch::endDomain()
{
    if (m_domainAnswered && !m_domainUnanswered)
        m_inRow = 0;
    m_domainAnswered = m_domainUnanswered = false;
}

QString NoAnswerWatch::reason(int total) const
{
    return QStringLiteral("服务连续 %1 次无应答，任务在第 %2/%3 个域名处停止")
        .arg(kNoAnswersToStop)
        .arg(m_stoppedAt)
        .arg(total);
}
