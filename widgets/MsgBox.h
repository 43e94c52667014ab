#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QScopedPointer>
#include <QString>

#include <functional>

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

    // What the count-down reads as the time since exec() began, in ms; the wall clock unless
    // set (tests set their own so that no count-down depends on how busy the machine is).
    void setCountdownClock(std::function<qint64()> elapsedMs);
    // One step of the count-down: shows the seconds left on OK or, once the time is up, presses
    // the focused button. Runs on every timer tick; a test calls it after moving its clock.
    void countdownTick();

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
    qint64 countdownElapsed() const;

    QScopedPointer<Ui::MsgBox> ui;
    QElapsedTimer clock;
    std::function<qint64()> countdownClock;
    int countdownMs = 0;
    int timerId = 0;
    QString savedOkText;
    QString content;
};
