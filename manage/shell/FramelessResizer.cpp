#include "manage/shell/FramelessResizer.h"

#include "manage/shell/FrameGeometry.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace {
Qt::CursorShape cursorFor(Qt::Edges edges)
{
    const bool left = edges & Qt::LeftEdge;
    const bool right = edges & Qt::RightEdge;
    const bool top = edges & Qt::TopEdge;
    const bool bottom = edges & Qt::BottomEdge;
    if ((left && top) || (right && bottom))
        return Qt::SizeFDiagCursor;
    if ((right && top) || (left && bottom))
        return Qt::SizeBDiagCursor;
    if (left || right)
        return Qt::SizeHorCursor;
    return Qt::SizeVerCursor;
}
} // namespace

FramelessResizer::FramelessResizer(QWidget *window, QWidget *titleBar)
    : QObject(window), m_window(window), m_titleBar(titleBar)
{
    // The native window exists from the first show on; the bands are watched on it because
    // the child widgets that cover the edges would otherwise take the mouse.
    window->installEventFilter(this);
    titleBar->installEventFilter(this);
    attach();
}

FramelessResizer::~FramelessResizer()
{
    setHoverEdges({});
}

void FramelessResizer::attach()
{
    QWindow *handle = m_window->windowHandle();
    if (!handle || handle == m_handle)
        return;
    if (m_handle)
        m_handle->removeEventFilter(this);
    m_handle = handle;
    m_handle->installEventFilter(this);
}

bool FramelessResizer::resizable() const
{
    return !(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
           m_window->minimumSize() != m_window->maximumSize();
}

void FramelessResizer::setHoverEdges(Qt::Edges edges)
{
    if (edges == m_hoverEdges)
        return;
    m_hoverEdges = edges;
    if (!edges) {
        if (m_cursorOverridden)
            QGuiApplication::restoreOverrideCursor();
        m_cursorOverridden = false;
    } else if (m_cursorOverridden) {
        QGuiApplication::changeOverrideCursor(cursorFor(edges));
    } else {
        QGuiApplication::setOverrideCursor(cursorFor(edges));
        m_cursorOverridden = true;
    }
}

bool FramelessResizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show || event->type() == QEvent::WinIdChange)
            attach();
        return false;
    }
    if (watched == m_titleBar) {
        // Moving by the window manager keeps snapping and multi-screen rules; the title bar
        // moves the window itself when the platform cannot.
        if (event->type() == QEvent::MouseButtonPress && m_handle &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            return m_handle->startSystemMove();
        return false;
    }
    if (watched == m_handle) {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            return windowMouseEvent(static_cast<QMouseEvent *>(event));
        case QEvent::Leave:
            if (!m_dragEdges)
                setHoverEdges({});
            return false;
        default:
            return false;
        }
    }
    return false;
}

bool FramelessResizer::windowMouseEvent(QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    switch (event->type()) {
    case QEvent::MouseMove:
        if (m_dragEdges) {
            m_window->setGeometry(resizedGeometry(m_startGeometry, m_dragEdges,
                                                  event->globalPos() - m_pressGlobal,
                                                  m_window->minimumSize()));
            return true;
        }
        if (event->buttons() == Qt::NoButton)
            setHoverEdges(resizable() ? frameHitTest(pos, m_window->size()) : Qt::Edges());
        return false;
    case QEvent::MouseButtonPress: {
        if (event->button() != Qt::LeftButton || !resizable())
            return false;
        const Qt::Edges edges = frameHitTest(pos, m_window->size());
        if (!edges)
            return false;
        if (!m_handle->startSystemResize(edges)) {
            m_dragEdges = edges;
            m_pressGlobal = event->globalPos();
            m_startGeometry = m_window->geometry();
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!m_dragEdges)
            return false;
        m_dragEdges = {};
        setHoverEdges(frameHitTest(pos, m_window->size()));
        return true;
    default:
        return false;
    }
}
