#pragma once

#include <QFrame>
#include <QPoint>

// The draggable top strip of a frameless window: dragging it moves the whole window.
class MyTitleBar : public QFrame
{
    Q_OBJECT
public:
    explicit MyTitleBar(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QPoint dragOffset;
};
