// The virtual panel window's ear on the testbed. Listeners run on whichever
// thread writes or plugs (the GUI thread, the video worker); they only note
// what happened under a small lock and return, so a writer is never held up
// by the window. The first note after the window last collected also wakes
// the window through a queued signal; later notes ride on that wake-up until
// the window collects again, so a 60 fps stream posts no flood of events.
#ifndef VISTREL_APP_VIRTUAL_PANEL_PANEL_FEED_H
#define VISTREL_APP_VIRTUAL_PANEL_PANEL_FEED_H

#include "panel_readout.h"

#include <QObject>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vistrel::virt {

// Emits changed() on the writer's thread: connect it with Qt::QueuedConnection.
class PanelFeedSignal : public QObject
{
    Q_OBJECT

signals:
    void changed();
};

class PanelFeed {
public:
    struct Changes {
        bool packets = false;        // some bridge decoded a packet
        bool plugs = false;          // a bridge was plugged or unplugged
        bool anyWrite = false;       // lastWritten is meaningful
        std::string lastWritten;     // serial of the bridge written to last
    };

    PanelFeed();   // starts listening
    ~PanelFeed();  // stops listening
    PanelFeed(const PanelFeed &) = delete;
    PanelFeed &operator=(const PanelFeed &) = delete;

    using Clock = FrameRateMeter::Clock;

    // changed() follows the first note after each takeChanges().
    const PanelFeedSignal *signaller() const { return &m_inbox->signaller; }
    // When the note that posted the pending changed() was taken, on the
    // writer's clock: a paced stream's wakes are a frame apart here even when
    // the window gets to them unevenly.
    Clock::time_point wakeNoted() const;
    // What happened since the last call; clears the notes and re-arms changed().
    Changes takeChanges();
    // Frames per second the bridge received over the last second.
    double frameRate(const std::string &serial, FrameRateMeter::Clock::time_point now) const;

private:
    // Shared with the listeners, which may still run (on a writer's thread)
    // for a moment after the feed is gone; so is the signaller they emit
    // through, which therefore outlives every emission.
    struct Inbox {
        mutable std::mutex mutex;
        Changes changes;
        bool wakePosted = false;  // changed() emitted and not yet collected
        Clock::time_point wakeNoted;
        std::map<std::string, FrameRateMeter> meters;
        PanelFeedSignal signaller;
    };

    std::shared_ptr<Inbox> m_inbox;
    int m_packetListener = 0;
    int m_plugListener = 0;
};

} // namespace vistrel::virt

#endif
