#pragma once
// ClientArea: the window's client area under the menu bar (window client coordinates, pixels).
// It carries the controls and hands its paint and mouse events to the window that owns it.
#include <QWidget>

#include <functional>

class ClientArea : public QWidget {
    Q_OBJECT
public:
    explicit ClientArea(QWidget* parent = nullptr) : QWidget(parent) {}

    std::function<void(QPaintEvent*)> onPaint;
    std::function<void(Qt::MouseButton, int x, int y)> onMouseDown;
    std::function<void(int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton, int x, int y)> onMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
