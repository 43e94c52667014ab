#pragma once

#include <QEvent>
#include <QObject>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <utility>

// Every style sheet a widget takes from now on, in order, as it takes it. A flash changes the
// style on its own timers and ends by itself, so a test reads this list instead of looking at
// the widget at some moment the machine's load decides. onChange runs at each new style, while
// the widget has it.
class StyleHistory : public QObject
{
public:
    explicit StyleHistory(QWidget *widget, std::function<void(const QString &)> onChange = {})
        : m_onChange(std::move(onChange))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::StyleChange) {
            const QString style = static_cast<QWidget *>(watched)->styleSheet();
            if (styles.isEmpty() || styles.last() != style) {
                styles.append(style);
                if (m_onChange)
                    m_onChange(style);
            }
        }
        return false;
    }

    QStringList styles;

private:
    std::function<void(const QString &)> m_onChange;
};
