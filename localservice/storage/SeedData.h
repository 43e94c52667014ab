#pragma once

#include "localservice/storage/StorageTypes.h"

// The demo account and what a newcomer sees in it.
namespace demo {
inline QString email()
{
    return QStringLiteral("demo@example.com");
}
inline QString password()
{
    return QStringLiteral("halvik-demo");
}
inline QString noKeyEmail()
{
    return QStringLiteral("nokey@example.com");
}
// The WeChat user the simulated phone signs in as.
inline QString wxOpenId()
{
    return QStringLiteral("wx-demo-user");
}
} // namespace demo

// Demo data: the demo account (about 120 domains in 4 groups, one locked, one paused, records
// of every type on default, carrier, province and SEO lines, unread and read messages), the
// account without an API key, news and notices with HTML bodies, and the app's version.
SeedSet demoSeed(qint64 now);

// An account with count domains for load tests: "bulk<count>@example.com", demo password.
QString loadAccountEmail(int count);
SeedSet loadSeed(int count, qint64 now);
