// The virtual panel window's ear on the testbed. Listeners run on whichever
// thread writes or plugs (the GUI thread, the video worker); they only note
// what happened under a small lock and return, so a writer is never held up
// by the window. The window collects the notes on its own thread.
#ifndef VISTREL_VIRTUAL_PANEL_PANEL_FEED_H
#define VISTREL_VIRTUAL_PANEL_PANEL_FEED_H

#include "panel_readout.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vistrel::virt {

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

    // What happened since the last call; clears the notes.
    Changes takeChanges();
    // Frames per second the bridge received over the last second.
    double frameRate(const std::string &serial, FrameRateMeter::Clock::time_point now) const;

private:
    // Shared with the listeners, which may still run (on a writer's thread)
    // for a moment after the feed is gone.
    struct Inbox {
        mutable std::mutex mutex;
        Changes changes;
        std::map<std::string, FrameRateMeter> meters;
    };

    std::shared_ptr<Inbox> m_inbox;
    int m_packetListener = 0;
    int m_plugListener = 0;
};

} // namespace vistrel::virt

#endif
