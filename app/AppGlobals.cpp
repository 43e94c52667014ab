#include "app/AppGlobals.h"

#include "client/User.h"

namespace {
// Built before main runs and torn down after it returns, like every process-wide object.
User g_user;
QApplication *g_app = nullptr;
MainWindow *g_signIn = nullptr;
MainWindow2 *g_manage = nullptr;
LocalCopy *g_localCopy = nullptr;
} // namespace

User &theUser()
{
    return g_user;
}

QApplication *&theApp()
{
    return g_app;
}

MainWindow *&signInWindow()
{
    return g_signIn;
}

MainWindow2 *&manageWindow()
{
    return g_manage;
}

LocalCopy *&localCopy()
{
    return g_localCopy;
}
