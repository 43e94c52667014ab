#pragma once

class QCoreApplication;
class LocalCopy;
class User;

// The process-wide objects every front end of the window program shares. The User lives from
// static initialisation to process exit; the application pointer is set by the entry point
// right after the application object is made and held for the run.
User &theUser();
QCoreApplication *&theApp();
// The local copy of the signed-in account behind the account-wide search; set by the window
// program's entry point for the run (open or not: LocalCopy::isOpen, LocalCopy::notice).
LocalCopy *&localCopy();
