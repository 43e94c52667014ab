#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QScopedPointer>
#include <QString>

namespace Ui {
class MsgBox;
}

// The one modal message and confirmation box: frameless, one or two buttons, an optional
// input line and an optional count-down that presses the focused button when it runs out.
class MsgBox : public QDialog
{
    Q_OBJECT
public:
    // buttonMode 1 shows OK alone (centred); any other mode shows OK and Cancel.
    // countdownMs > 0 starts a count-down on OK when exec() runs.
    MsgBox(QWidget *parent, const QString &title, const QString &content, int buttonMode,
           int countdownMs);
    ~MsgBox() override;

    // Set between construction and exec().
    bool hasInput = false;
    QString *out = nullptr; // receives the input line's text on OK; may stay null
    QString inputText;

    void setButtonTexts(const QString &okText, const QString &cancelText);

    // 1 when accepted (OK), 0 when rejected (Cancel, close button, Escape).
    int exec() override;
    // The box is only ever run modally through exec().
    void open() override;

private slots:
    void on_pushButton_default_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_close_clicked();

protected:
    void timerEvent(QTimerEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void stopCountdownOnUserAction();

    QScopedPointer<Ui::MsgBox> ui;
    QElapsedTimer clock;
    int countdownMs = 0;
    int timerId = 0;
    QString savedOkText;
    QString content;
};
