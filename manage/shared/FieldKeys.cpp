#include "manage/shared/FieldKeys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {

void press(const QPointer<QPushButton> &button)
{
    if (button && button->isEnabled())
        button->click();
}

// Escape in a field of the editor cancels it; the field itself has no use for the key.
class EscapeCancels : public QObject
{
public:
    EscapeCancels(QObject *parent, QPushButton *cancel) : QObject(parent), m_cancel(cancel) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            press(m_cancel);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QPushButton> m_cancel;
};

} // namespace

void acceptDigitsOnly(QLineEdit *edit)
{
    // Nine digits at most: a TTL or priority beyond that is no number the service takes.
    static const QRegularExpression digits(QStringLiteral("[0-9]{0,9}"));
    edit->setValidator(new QRegularExpressionValidator(digits, edit));
}

void bindEditorKeys(const QList<QLineEdit *> &fields, QPushButton *save, QPushButton *cancel)
{
    const QPointer<QPushButton> saving(save);
    for (QLineEdit *field : fields) {
        QObject::connect(field, &QLineEdit::returnPressed, field, [saving] { press(saving); });
        field->installEventFilter(new EscapeCancels(field, cancel));
    }
}

void chainTabOrder(const QList<QWidget *> &widgets)
{
    for (int i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets.at(i - 1), widgets.at(i));
}
