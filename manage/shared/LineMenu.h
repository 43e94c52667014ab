#pragma once

#include "client/Types.h"

#include <QMetaType>

class PageShell;
class MyMenu;
class QPushButton;

Q_DECLARE_METATYPE(View)

// The line chooser of a record editor's line button (object name "xlbtn"). The button's
// dynamic property "currview" holds the chosen View and its text shows the line's name; a
// choice in the pop-up menu sets both.

// The line the button holds; an empty line (viewID 0, no name) when none was set.
View chosenLine(const QPushButton *button);
// Makes line the button's choice: "currview" and the text.
void setChosenLine(QPushButton *button, const View &line);

// Attaches a fresh pop-up line menu ("menup", a MyMenu owned by the button) to button,
// replacing an earlier one, and returns it. Its entries are the service's lines for the
// package of record's domain, else of domain, else every line (allLines) or the basic ones
// (see lineTypeFor): lines the package lacks are greyed and refused with a message, lines with
// finer lines open a panel of them ("menusub"), four to a row, and a click on such a parent
// entry chooses the parent itself. For a record, its line (record->view) is looked up again in
// the package's lines; the button's current choice is left to the caller. Fetches the line
// list from the service on first use. window: where the entries register for the hover colour.
MyMenu *buildLineMenu(PageShell &window, QPushButton *button, Record *record, const Domain *domain,
                      bool allLines = false);
