#pragma once

#include <QString>

class QPushButton;

// Shows text on button cut to the button's width with an ellipsis ("halvik-demo.co…"), cut
// again whenever the button is resized. The whole text stays readable: fullText() gives it,
// and the window's hover tip of a name button shows it.
void setElidedText(QPushButton *button, const QString &text);
// The whole text of a button given by setElidedText, else its text.
QString fullText(const QPushButton *button);
