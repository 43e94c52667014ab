#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QMouseEvent;
class QWidget;
class QWindow;

// Resizing and moving of a frameless top-level window where the platform gives no native hit
// testing: resize cursors over the edge bands, a press on a band resizes and a press on the
// title bar moves. The window manager does the work when it offers it
// (QWindow::startSystemResize / startSystemMove); otherwise the window follows the mouse.
class FramelessResizer : public QObject
{
    Q_OBJECT
public:
    FramelessResizer(QWidget *window, QWidget *titleBar);
    ~FramelessResizer() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void attach();
    bool windowMouseEvent(QMouseEvent *event);
    bool resizable() const;
    void setHoverEdges(Qt::Edges edges);

    QWidget *m_window;
    QWidget *m_titleBar;
    QPointer<QWindow> m_handle;
    Qt::Edges m_hoverEdges;
    bool m_cursorOverridden = false;
    Qt::Edges m_dragEdges;
    QPoint m_pressGlobal;
    QRect m_startGeometry;
};
