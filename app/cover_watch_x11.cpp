#include "cover_watch.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>

namespace {

class X11CoverWatch : public CoverWatch
{
public:
    X11CoverWatch(xcb_connection_t *connection, xcb_window_t window, Report report)
        : m_connection(connection), m_report(std::move(report)),
          m_notifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read)
    {
        const uint32_t mask = XCB_EVENT_MASK_VISIBILITY_CHANGE;
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
        QObject::connect(&m_notifier, &QSocketNotifier::activated, [this] { readEvents(); });
    }

    ~X11CoverWatch() override
    {
        m_notifier.setEnabled(false);
        xcb_disconnect(m_connection);
    }

private:
    void readEvents()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            if ((event->response_type & 0x7F) == XCB_VISIBILITY_NOTIFY) {
                const auto *visibility = reinterpret_cast<const xcb_visibility_notify_event_t *>(event);
                m_report(visibility->state == XCB_VISIBILITY_FULLY_OBSCURED);
            }
            free(event);
        }
    }

    xcb_connection_t *m_connection;
    Report m_report;
    QSocketNotifier m_notifier;
};

} // namespace

std::unique_ptr<CoverWatch> CoverWatch::forWindow(WId window, Report report)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::make_unique<X11CoverWatch>(connection, static_cast<xcb_window_t>(window), std::move(report));
}
