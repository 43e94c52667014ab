#include "BatchLineButton.h"

#include "MainWindow2.h"

#include <QMetaType>
#include <QPushButton>

// TEMPORARY until the record editors' line chooser lands: the button holds its line but has
// no menu yet.
Q_DECLARE_METATYPE(View)

QPushButton *newBatchLineButton(MainWindow2 &, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("xlbtn"));
    button->setStyleSheet(
        QStringLiteral("#xlbtn{color:#292929;text-align:center;border:1px solid #E1E1E1;}"));
    button->setFixedWidth(90);
    button->setCursor(Qt::PointingHandCursor);
    View defaultLine;
    defaultLine.viewName = QStringLiteral("默认");
    setBatchRowLine(button, defaultLine);
    return button;
}

View batchRowLine(const QPushButton *button)
{
    const QVariant line = button->property("currview");
    return line.canConvert<View>() ? line.value<View>() : View();
}

void setBatchRowLine(QPushButton *button, const View &line)
{
    button->setProperty("currview", QVariant::fromValue(line));
    button->setText(line.viewName);
}
