#include "MsgBox.h"

MsgBox::MsgBox(QWidget *parent, const QString &title, const QString &, int, int) : QDialog(parent)
{
    setWindowTitle(title);
}

void MsgBox::setButtonTexts(const QString &, const QString &) {}
