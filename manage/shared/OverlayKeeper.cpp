#include "manage/shared/OverlayKeeper.h"

#include <QEvent>
#include <QMovie>
#include <QWidget>

OverlayKeeper::OverlayKeeper(QWidget *overlay, QWidget *target, QMovie *movie)
    : QObject(overlay), m_overlay(overlay), m_target(target), m_movie(movie)
{
    overlay->installEventFilter(this);
    target->installEventFilter(this);
    fit(overlay, target);
}

void OverlayKeeper::fit(QWidget *overlay, const QWidget *target)
{
    if (target == overlay->parentWidget())
        overlay->setGeometry(target->rect());
    else
        overlay->setGeometry(target->geometry());
}

bool OverlayKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_overlay || !m_target)
        return false;
    const QEvent::Type type = event->type();
    if (watched == m_target && (type == QEvent::Resize || type == QEvent::Move)) {
        fit(m_overlay, m_target);
    } else if (watched == m_overlay && type == QEvent::Show) {
        fit(m_overlay, m_target);
        m_overlay->raise();
        if (m_movie)
            m_movie->start();
    } else if (watched == m_overlay && type == QEvent::Hide) {
        if (m_movie)
            m_movie->stop();
    }
    return false;
}
