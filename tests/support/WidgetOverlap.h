#pragma once

#include <QStringList>

class QWidget;

// Pairs of visible sibling widgets under root whose rectangles overlap, as
// "parent: a [x,y wxh] / b [x,y wxh]". Widgets that stand over their siblings on purpose
// (panels laid over a page) are named in overlays: they may cover siblings, and what they hold
// is checked like the rest.
QStringList overlappingSiblings(const QWidget *root, const QStringList &overlays = {});
