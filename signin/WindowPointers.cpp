#include "signin/WindowPointers.h"

namespace {
MainWindow *g_signIn = nullptr;
MainWindow2 *g_manage = nullptr;
} // namespace

MainWindow *&signInWindow()
{
    return g_signIn;
}

MainWindow2 *&manageWindow()
{
    return g_manage;
}
