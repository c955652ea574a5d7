#include "panel_feed.h"

#include "virtual_bridge.h"

namespace vistrel::virt {

namespace {

// Under the inbox lock: whether this note is the first since the window last
// collected, and so has to wake it.
template <typename Inbox>
bool firstNote(Inbox &inbox, FrameRateMeter::Clock::time_point now)
{
    const bool first = !inbox.wakePosted;
    inbox.wakePosted = true;
    if (first)
        inbox.wakeNoted = now;
    return first;
}

} // namespace

PanelFeed::PanelFeed() : m_inbox(std::make_shared<Inbox>())
{
    Testbed &testbed = Testbed::instance();
    const std::shared_ptr<Inbox> inbox = m_inbox;
    m_packetListener = testbed.addPacketListener(
        [inbox](const std::string &serial, const protocol::DecodedPacket &packet) {
            const auto now = FrameRateMeter::Clock::now();
            bool wake = false;
            {
                std::lock_guard<std::mutex> lock(inbox->mutex);
                inbox->changes.packets = true;
                inbox->changes.anyWrite = true;
                inbox->changes.lastWritten = serial;
                if (packet.kind == protocol::DecodedPacket::Frame)
                    inbox->meters[serial].addFrame(now);
                wake = firstNote(*inbox, now);
            }
            if (wake)  // queued: posts an event to the window and returns
                emit inbox->signaller.changed();
        });
    m_plugListener = testbed.addPlugListener([inbox] {
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->changes.plugs = true;
            wake = firstNote(*inbox, FrameRateMeter::Clock::now());
        }
        if (wake)
            emit inbox->signaller.changed();
    });
}

PanelFeed::~PanelFeed()
{
    Testbed &testbed = Testbed::instance();
    testbed.removeListener(m_packetListener);
    testbed.removeListener(m_plugListener);
    // A listener still running on a writer's thread may emit once more; with
    // nobody connected that reaches no one.
    QObject::disconnect(&m_inbox->signaller, nullptr, nullptr, nullptr);
}

PanelFeed::Changes PanelFeed::takeChanges()
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    Changes taken = m_inbox->changes;
    m_inbox->changes = Changes{};
    m_inbox->wakePosted = false;
    return taken;
}

PanelFeed::Clock::time_point PanelFeed::wakeNoted() const
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    return m_inbox->wakeNoted;
}

double PanelFeed::frameRate(const std::string &serial, FrameRateMeter::Clock::time_point now) const
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    const auto meter = m_inbox->meters.find(serial);
    return meter == m_inbox->meters.end() ? 0.0 : meter->second.rate(now);
}

} // namespace vistrel::virt
