#pragma once

#include "client/Types.h"

class PageShell;
class QPushButton;
class QWidget;

// The line button of a batch row: the record editors' line chooser, offering every line (a row
// applies to domains of any package), with the default line chosen to begin with.
QPushButton *newBatchLineButton(PageShell &window, QWidget *parent);

// The line the button holds ("currview") and its text.
View batchRowLine(const QPushButton *button);
void setBatchRowLine(QPushButton *button, const View &line);
