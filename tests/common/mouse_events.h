// Synthesised mouse events with explicit buttons and global positions.
// QTest's widget overloads cannot hold a button down during a move, and
// window code that works in screen coordinates needs the global position
// under the test's control.
#ifndef VISTREL_TESTS_MOUSE_EVENTS_H
#define VISTREL_TESTS_MOUSE_EVENTS_H

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace mouse {

// Sends one event; global defaults to the widget's own mapping of local.
inline bool send(QWidget *widget, QEvent::Type type, const QPoint &local,
                 Qt::MouseButton button, Qt::MouseButtons buttons,
                 const QPoint *global = nullptr)
{
    const QPoint screenPos = global ? *global : widget->mapToGlobal(local);
    QMouseEvent event(type, local, screenPos, button, buttons, Qt::NoModifier);
    return QApplication::sendEvent(widget, &event);
}

inline void press(QWidget *widget, const QPoint &local, Qt::MouseButton button = Qt::LeftButton)
{
    send(widget, QEvent::MouseButtonPress, local, button, button);
}

// A move with the given buttons held (none: a hover-style move).
inline void move(QWidget *widget, const QPoint &local, Qt::MouseButtons held = Qt::LeftButton)
{
    send(widget, QEvent::MouseMove, local, Qt::NoButton, held);
}

inline void release(QWidget *widget, const QPoint &local, Qt::MouseButton button = Qt::LeftButton)
{
    send(widget, QEvent::MouseButtonRelease, local, button, Qt::NoButton);
}

} // namespace mouse

#endif
