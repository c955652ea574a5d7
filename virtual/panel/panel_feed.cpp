#include "panel_feed.h"

#include "virtual_bridge.h"

namespace vistrel::virt {

PanelFeed::PanelFeed() : m_inbox(std::make_shared<Inbox>())
{
    Testbed &testbed = Testbed::instance();
    const std::shared_ptr<Inbox> inbox = m_inbox;
    m_packetListener = testbed.addPacketListener(
        [inbox](const std::string &serial, const protocol::DecodedPacket &packet) {
            const auto now = FrameRateMeter::Clock::now();
            std::lock_guard<std::mutex> lock(inbox->mutex);
            inbox->changes.packets = true;
            inbox->changes.anyWrite = true;
            inbox->changes.lastWritten = serial;
            if (packet.kind == protocol::DecodedPacket::Frame)
                inbox->meters[serial].addFrame(now);
        });
    m_plugListener = testbed.addPlugListener([inbox] {
        std::lock_guard<std::mutex> lock(inbox->mutex);
        inbox->changes.plugs = true;
    });
}

PanelFeed::~PanelFeed()
{
    Testbed &testbed = Testbed::instance();
    testbed.removeListener(m_packetListener);
    testbed.removeListener(m_plugListener);
}

PanelFeed::Changes PanelFeed::takeChanges()
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    Changes taken = m_inbox->changes;
    m_inbox->changes = Changes{};
    return taken;
}

double PanelFeed::frameRate(const std::string &serial, FrameRateMeter::Clock::time_point now) const
{
    std::lock_guard<std::mutex> lock(m_inbox->mutex);
    const auto meter = m_inbox->meters.find(serial);
    return meter == m_inbox->meters.end() ? 0.0 : meter->second.rate(now);
}

} // namespace vistrel::virt
