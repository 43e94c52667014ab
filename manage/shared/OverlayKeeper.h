#pragma once

#include <QObject>
#include <QPointer>

class QMovie;
class QWidget;

// Keeps an overlay (a loading or editor panel that is not part of any layout) laid exactly over
// its target while the target moves or resizes, and on top of its siblings whenever it is shown.
// The target is either the overlay's parent (the overlay covers all of it) or a sibling.
// An optional animation plays only while the overlay is shown.
class OverlayKeeper : public QObject
{
    Q_OBJECT
public:
    OverlayKeeper(QWidget *overlay, QWidget *target, QMovie *movie = nullptr);

    // The geometry that lays overlay over target, in the overlay's parent's coordinates.
    static void fit(QWidget *overlay, const QWidget *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_overlay;
    QPointer<QWidget> m_target;
    QPointer<QMovie> m_movie;
};
