#pragma once

#include <QDialog>

// The one modal message and confirmation box (placeholder until the form lands).
class MsgBox : public QDialog
{
    Q_OBJECT
public:
    MsgBox(QWidget *parent, const QString &title, const QString &content, int buttonMode,
           int countdownMs);

    bool hasInput = false;
    QString *out = nullptr;
    QString inputText;

    void setButtonTexts(const QString &okText, const QString &cancelText);
};
