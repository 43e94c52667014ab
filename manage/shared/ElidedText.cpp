#include "manage/shared/ElidedText.h"

#include <QEvent>
#include <QPushButton>
#include <QVariant>

namespace {

const char kFullText[] = "fullText";
// Room the button's style takes beside its text.
constexpr int kTextMargin = 12;

void elide(QPushButton *button)
{
    const QString text = fullText(button);
    const QString shown = button->fontMetrics().elidedText(text, Qt::ElideRight,
                                                           qMax(0, button->width() - kTextMargin));
    if (shown != button->text())
        button->setText(shown);
}

// Cuts a button's text again when its width changes.
class Elider : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            elide(static_cast<QPushButton *>(watched));
        return false;
    }
};

} // namespace

void setElidedText(QPushButton *button, const QString &text)
{
    button->setProperty(kFullText, text);
    // Laid out by the width it is given, not by the length of its text.
    button->setMinimumWidth(0);
    button->setSizePolicy(QSizePolicy::Ignored, button->sizePolicy().verticalPolicy());
    if (!button->findChild<Elider *>(QString(), Qt::FindDirectChildrenOnly))
        button->installEventFilter(new Elider(button));
    elide(button);
}

QString fullText(const QPushButton *button)
{
    const QVariant text = button->property(kFullText);
    return text.isValid() ? text.toString() : button->text();
}
