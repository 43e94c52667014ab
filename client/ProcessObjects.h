#pragma once

class QCoreApplication;
class User;

// The process-wide objects every front end of the window program shares. The User lives from
// static initialisation to process exit; the application pointer is set by the entry point
// right after the application object is made and held for the run.
User &theUser();
QCoreApplication *&theApp();
