#pragma once

class QApplication;
class User;
class MainWindow;
class MainWindow2;

// The process-wide objects. The User lives from static initialisation to process exit; the
// window pointers are set while the sign-in window is built and stay valid for the run.
User &theUser();
QApplication *&theApp();
MainWindow *&signInWindow();
MainWindow2 *&manageWindow();
