#pragma once

class QApplication;
class User;
class MainWindow;
class MainWindow2;
class LocalCopy;

// The process-wide objects. The User lives from static initialisation to process exit; the
// window pointers are set while the sign-in window is built and stay valid for the run.
User &theUser();
QApplication *&theApp();
MainWindow *&signInWindow();
MainWindow2 *&manageWindow();
// The local copy of the signed-in account behind the account-wide search; set by main for the
// run (open or not: LocalCopy::isOpen, LocalCopy::notice).
LocalCopy *&localCopy();
