#pragma once

class MainWindow;
class MainWindow2;

// The two windows of the run, set while the sign-in window is built (it owns the management
// window) and cleared when it goes. The crash filter and the sign-in flows reach them here.
MainWindow *&signInWindow();
MainWindow2 *&manageWindow();
