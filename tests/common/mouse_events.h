// Synthesised mouse events whose moves can hold a button and whose global position can be given.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace mouse {

// A press carries the button, a move holds it (NoButton: a hover), a release lets it go.
inline void send(QWidget *widget, QEvent::Type type, const QPoint &local, Qt::MouseButton button = Qt::LeftButton,
                 const QPoint *global = nullptr)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, global ? *global : widget->mapToGlobal(local),
                      type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace mouse
