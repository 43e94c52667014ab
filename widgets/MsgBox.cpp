#include "widgets/MsgBox.h"

#include "ui_MsgBox.h"

#include <QAbstractButton>
#include <QPainter>
#include <QStyleOption>

#include <utility>

namespace {

// Within this time after the box opens, user actions do not stop the count-down: a stray
// movement of a mouse that happened to lie over the box should not cancel it.
constexpr int countdownGraceMs = 500;
constexpr int countdownTickMs = 17;

} // namespace

MsgBox::MsgBox(QWidget *parent, const QString &title, const QString &text, int buttonMode,
               int countdown)
    : QDialog(parent), ui(new Ui::MsgBox), countdownMs(countdown), content(text)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowTitle(title);

    if (buttonMode == 1) {
        ui->pushButton_2->hide();
        QPushButton *ok = ui->pushButton_default;
        ok->move((width() - ok->width()) / 2, ok->y());
    }
    ui->pushButton_default->setFocus();

    ui->label_title->setText(title.isEmpty() ? QStringLiteral("提示") : title);
    ui->label->setText(text);
}

MsgBox::~MsgBox() = default;

void MsgBox::setButtonTexts(const QString &okText, const QString &cancelText)
{
    ui->pushButton_default->setText(okText);
    ui->pushButton_2->setText(cancelText);
}

int MsgBox::exec()
{
    savedOkText = ui->pushButton_default->text();
    if (hasInput) {
        ui->lineEdit->setMaximumSize(9999, 9999);
        ui->lineEdit->setText(inputText);
    }
    clock.start();
    if (countdownMs > 0 && timerId == 0) {
        timerId = startTimer(countdownTickMs, Qt::CoarseTimer);
        setMouseTracking(true);
    }
    return QDialog::exec();
}

void MsgBox::open() {}

void MsgBox::setCountdownClock(std::function<qint64()> elapsedMs)
{
    countdownClock = std::move(elapsedMs);
}

qint64 MsgBox::countdownElapsed() const
{
    return countdownClock ? countdownClock() : clock.elapsed();
}

void MsgBox::on_pushButton_default_clicked()
{
    if (hasInput && out)
        *out = ui->lineEdit->text();
    accept();
}

void MsgBox::on_pushButton_2_clicked()
{
    reject();
}

void MsgBox::on_pushButton_close_clicked()
{
    close();
}

void MsgBox::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId || timerId == 0) {
        QDialog::timerEvent(event);
        return;
    }
    countdownTick();
}

void MsgBox::countdownTick()
{
    // Not started, or stopped by the user.
    if (timerId == 0)
        return;
    const qint64 elapsed = countdownElapsed();
    if (elapsed < countdownMs) {
        const int secondsLeft = int((countdownMs - elapsed) / 1000);
        ui->pushButton_default->setText(
            QString::asprintf("%s(%d)", savedOkText.toUtf8().constData(), secondsLeft));
        return;
    }
    // Time is up: act as if the user pressed whatever button has the focus. Once the box
    // has closed, later ticks must not click again.
    if (!isVisible())
        return;
    if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()))
        button->click();
}

void MsgBox::stopCountdownOnUserAction()
{
    if (timerId == 0 || countdownElapsed() <= countdownGraceMs)
        return;
    killTimer(timerId);
    timerId = 0;
    ui->pushButton_default->setText(savedOkText);
}

void MsgBox::keyReleaseEvent(QKeyEvent *event)
{
    stopCountdownOnUserAction();
    QDialog::keyReleaseEvent(event);
}

void MsgBox::mouseMoveEvent(QMouseEvent *event)
{
    stopCountdownOnUserAction();
    QDialog::mouseMoveEvent(event);
}

void MsgBox::enterEvent(QEvent *event)
{
    stopCountdownOnUserAction();
    QDialog::enterEvent(event);
}

void MsgBox::paintEvent(QPaintEvent *)
{
    // Lets the style sheet draw the border of the frameless box, not just its background.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
