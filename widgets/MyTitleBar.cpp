#include "widgets/MyTitleBar.h"

#include <QMouseEvent>

MyTitleBar::MyTitleBar(QWidget *parent) : QFrame(parent) {}

void MyTitleBar::mousePressEvent(QMouseEvent *event)
{
    // Taken in the parent's coordinates: the bar sits directly in its window.
    dragOffset = mapToParent(event->pos());
}

void MyTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    window()->move(event->globalPos() - dragOffset);
}
