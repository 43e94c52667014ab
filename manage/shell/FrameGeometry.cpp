#include "manage/shell/FrameGeometry.h"

#include <algorithm>

Qt::Edges frameHitTest(const QPoint &pos, const QSize &size)
{
    const int x = pos.x();
    const int y = pos.y();
    const int w = size.width();
    const int h = size.height();

    Qt::Edges edges;
    if (x >= 0 && x <= 5)
        edges = Qt::LeftEdge;
    else if (x > w - 5 && x <= w)
        edges = Qt::RightEdge;

    if (y >= 0 && y < 6)
        edges |= Qt::TopEdge;
    else if (y >= h - 5 && y <= h)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &delta,
                      const QSize &minimum)
{
    QRect r = start;
    if (edges & Qt::LeftEdge)
        r.setLeft(std::min(start.left() + delta.x(), start.right() - minimum.width() + 1));
    else if (edges & Qt::RightEdge)
        r.setRight(std::max(start.right() + delta.x(), start.left() + minimum.width() - 1));
    if (edges & Qt::TopEdge)
        r.setTop(std::min(start.top() + delta.y(), start.bottom() - minimum.height() + 1));
    else if (edges & Qt::BottomEdge)
        r.setBottom(std::max(start.bottom() + delta.y(), start.top() + minimum.height() - 1));
    return r;
}
