#pragma once
// WheelFocusFilter: the mouse wheel turns a scroll bar or combo box only while that control
// has the keyboard focus, as on the classic desktop the window was designed for. Over an
// unfocused control the wheel is ignored and goes on to the parents, which do nothing with
// it, so a stray notch over a size bar cannot change the lattice size and reset the film.
// The wheel never gives a control the focus either.
#include <QObject>

class QWidget;

class WheelFocusFilter : public QObject {
    Q_OBJECT
public:
    explicit WheelFocusFilter(QObject* parent = nullptr) : QObject(parent) {}

    // Puts `control` under the rule for as long as the filter lives.
    void watch(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
