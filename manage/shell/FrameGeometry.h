#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

// Edge bands of the frameless window, shared by the native hit test and the resizer.

// The window edges under pos (window coordinates) for a window of the given size; none when
// pos is not on a resize band. The bands are 6 px wide on the left, top and bottom and 5 px on
// the right; a corner combines the two edges.
Qt::Edges frameHitTest(const QPoint &pos, const QSize &size);

// The window geometry after dragging the given edges of start by delta, never smaller than
// minimum; the opposite edges stay where they were.
QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &delta,
                      const QSize &minimum);
