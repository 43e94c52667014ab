#include "client/ProcessObjects.h"

#include "client/User.h"

namespace {
// Built before main runs and torn down after it returns, like every process-wide object.
User g_user;
QCoreApplication *g_app = nullptr;
LocalCopy *g_localCopy = nullptr;
} // namespace

User &theUser()
{
    return g_user;
}

QCoreApplication *&theApp()
{
    return g_app;
}

LocalCopy *&localCopy()
{
    return g_localCopy;
}
