#include "ui/WheelFocusFilter.h"

#include <QEvent>
#include <QWidget>

void WheelFocusFilter::watch(QWidget* control)
{
    // Combo boxes take the focus from the wheel by default; then every wheel would find its
    // control focused.
    if (control->focusPolicy() == Qt::WheelFocus)
        control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(this);
}

bool WheelFocusFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel)
        return false;
    const auto* control = qobject_cast<QWidget*>(watched);
    if (!control || control->hasFocus())
        return false;
    // Not for this control: withheld from it and left unaccepted, so it travels on to the
    // parents like any wheel nobody wants.
    event->ignore();
    return true;
}
