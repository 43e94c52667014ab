#pragma once

#include <QList>

class QLineEdit;
class QPushButton;
class QWidget;

// The keyboard of the pages' forms, alike everywhere.

// A field that takes digits only (TTL, MX priority): anything else typed is refused at once.
void acceptDigitsOnly(QLineEdit *edit);

// An in-place editor: Enter in any of fields presses save, Escape presses cancel (each only
// while enabled, so that a save under way is not pressed twice).
void bindEditorKeys(const QList<QLineEdit *> &fields, QPushButton *save, QPushButton *cancel);

// Tab moves through widgets in the order given: the order of the row on screen, not the order
// the widgets were made in.
void chainTabOrder(const QList<QWidget *> &widgets);
