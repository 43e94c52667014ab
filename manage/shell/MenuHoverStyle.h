#pragma once

#include <QString>

// Text colour of a line-menu entry under the mouse, kept as one marked rule at the end of the
// entry's style sheet.

// The style sheet with the hover colour rule as its only marked rule.
QString menuHoverStyle(const QString &sheet);

// The style sheet without empty lines and marked rules, followed by the resting colour rule.
QString menuRestStyle(const QString &sheet);
