#include "ui/ClientArea.h"

#include <QMouseEvent>

void ClientArea::paintEvent(QPaintEvent* event)
{
    if (onPaint)
        onPaint(event);
}

void ClientArea::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (onMouseDown)
        onMouseDown(event->button(), p.x(), p.y());
}

void ClientArea::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (onMouseMove)
        onMouseMove(p.x(), p.y());
}

void ClientArea::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (onMouseUp)
        onMouseUp(event->button(), p.x(), p.y());
}
