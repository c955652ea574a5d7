#include "window_sight.h"

#include "cover_watch.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

WindowSight::WindowSight(QWidget *window, QObject *parent) : QObject(parent), m_window(window), m_seen(seen())
{
    m_window->installEventFilter(this);
}

WindowSight::~WindowSight() = default;

bool WindowSight::seen() const
{
    return !m_window->isMinimized() && m_exposed && !m_covered;
}

bool WindowSight::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
        watchNativeWindow();
        recheck();
        break;
    case QEvent::WindowStateChange:
        recheck();
        break;
    case QEvent::Expose:
        if (watched == m_window->windowHandle()) {
            m_exposed = m_window->windowHandle()->isExposed();
            recheck();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// The native window exists once the widget is shown, and is made anew when
// its flags change; the one shown is watched.
void WindowSight::watchNativeWindow()
{
    QWindow *handle = m_window->windowHandle();
    if (!handle || handle->winId() == m_watched)
        return;
    m_watched = handle->winId();
    m_covered = false;
    handle->installEventFilter(this);
    m_coverWatch = CoverWatch::forWindow(m_watched, [this](bool covered) { setCovered(covered); });
}

void WindowSight::setCovered(bool covered)
{
    m_covered = covered;
    recheck();
}

void WindowSight::recheck()
{
    const bool now = seen();
    if (now == m_seen)
        return;
    m_seen = now;
    emit seenChanged(now);
}
