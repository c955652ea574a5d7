#include "virtual_bridge.h"

#include "bridge_state.h"
#include "wire_log.h"

#include <cstdio>
#include <utility>

namespace vistrel::virt {

using detail::BridgePtr;
using detail::Registry;

namespace {

// Runs the plug listeners on the calling thread, after the lock is released.
void notifyPlugListeners(std::unique_lock<std::mutex> &lock, const Registry &registry)
{
    std::vector<Testbed::PlugListener> listeners;
    for (const auto &entry : registry.plugListeners) {
        if (entry.second)
            listeners.push_back(entry.second);
    }
    lock.unlock();
    for (const auto &listener : listeners)
        listener();
}

BridgePtr knownBridge(const std::string &serial)
{
    std::unique_lock<std::mutex> lock;
    return detail::lockedRegistry(lock).findKnown(serial);
}

// What a bridge recorded, as `read` copies it; empty for a serial never plugged.
template <typename Read>
auto recorded(const std::string &serial, Read read) -> decltype(read(std::declval<detail::Bridge &>()))
{
    const BridgePtr bridge = knownBridge(serial);
    if (!bridge)
        return {};
    std::lock_guard<std::mutex> data(bridge->data);
    return read(*bridge);
}

// Applies a new limit to the registry (for bridges plugged later) and to
// every bridge already known.
template <typename Apply>
void applyToAllBridges(std::size_t Registry::*limit, std::size_t value, Apply apply)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    registry.*limit = value;
    for (const auto &entry : registry.bridges) {
        std::lock_guard<std::mutex> data(entry.second->data);
        apply(*entry.second, value);
    }
}

} // namespace

// Whoever drives virtual bridges (the demo, the tests) wants FT_* to reach
// them, so the testbed's existence selects its backend.
Testbed::Testbed()
{
    device::useBackend(backend());
}

Testbed &Testbed::instance()
{
    static Testbed testbed;
    return testbed;
}

void Testbed::reset()
{
    std::unique_lock<std::mutex> lock;
    detail::lockedRegistry(lock).restart();
    lock.unlock();
    wireLogReset();
}

void Testbed::plug(const std::string &serial)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    if (registry.plug(serial))
        notifyPlugListeners(lock, registry);
}

bool Testbed::unplug(const std::string &serial)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    if (!registry.unplug(serial))
        return false;
    notifyPlugListeners(lock, registry);
    return true;
}

std::vector<std::string> Testbed::pluggedSerials() const
{
    std::unique_lock<std::mutex> lock;
    std::vector<std::string> serials;
    for (const BridgePtr &bridge : detail::lockedRegistry(lock).plugged)
        serials.push_back(bridge->serial);
    return serials;
}

std::string Testbed::nextFreeSerial() const
{
    std::unique_lock<std::mutex> lock;
    const Registry &registry = detail::lockedRegistry(lock);
    for (int number = 1;; ++number) {
        char serial[24];
        std::snprintf(serial, sizeof serial, "VPANEL%02d", number);
        if (!registry.findPlugged(serial))
            return serial;
    }
}

void Testbed::failNext(D2xxCall call, int count, FT_STATUS status, int after)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    if (count <= 0)
        registry.failures.erase(call);
    else
        registry.failures[call] = detail::Failure{count, status, after};
}

std::vector<std::uint8_t> Testbed::captured(const std::string &serial) const
{
    return recorded(serial, [](const detail::Bridge &bridge) { return bridge.captured.contents(); });
}

void Testbed::clearCaptured(const std::string &serial)
{
    if (const BridgePtr bridge = knownBridge(serial)) {
        std::lock_guard<std::mutex> data(bridge->data);
        bridge->captured.clear();
    }
}

bool Testbed::isOpen(const std::string &serial) const
{
    return recorded(serial, [](const detail::Bridge &bridge) { return bridge.isOpen; });
}

std::vector<std::string> Testbed::callHistory(const std::string &serial) const
{
    return recorded(serial, [](const detail::Bridge &bridge) {
        return std::vector<std::string>(bridge.history.begin(), bridge.history.end());
    });
}

PanelState Testbed::panel(const std::string &serial) const
{
    return recorded(serial, [](const detail::Bridge &bridge) { return bridge.panel; });
}

void Testbed::setCaptureLimit(std::size_t bytes)
{
    applyToAllBridges(&Registry::captureLimit, bytes,
                      [](detail::Bridge &bridge, std::size_t limit) { bridge.captured.setCapacity(limit); });
}

void Testbed::setHistoryLimit(std::size_t entries)
{
    applyToAllBridges(&Registry::historyLimit, entries,
                      [](detail::Bridge &bridge, std::size_t limit) { bridge.setHistoryLimit(limit); });
}

void Testbed::setLinkRate(double bytesPerSecond)
{
    std::unique_lock<std::mutex> lock;
    detail::lockedRegistry(lock).linkRate = bytesPerSecond > 0.0 ? bytesPerSecond : 0.0;
}

namespace {
// Both kinds of listener share one id sequence, so removeListener needs no kind.
template <typename Listener>
int addListener(std::map<int, Listener> Registry::*listeners, Listener listener)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    const int id = ++registry.lastListenerId;
    (registry.*listeners)[id] = std::move(listener);
    return id;
}
} // namespace

int Testbed::addPacketListener(PacketListener listener)
{
    const int id = addListener(&Registry::packetListeners, std::move(listener));
    std::unique_lock<std::mutex> lock;
    detail::lockedRegistry(lock).listPacketListeners();
    return id;
}

int Testbed::addPlugListener(PlugListener listener)
{
    return addListener(&Registry::plugListeners, std::move(listener));
}

void Testbed::removeListener(int id)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = detail::lockedRegistry(lock);
    if (registry.packetListeners.erase(id))
        registry.listPacketListeners();
    registry.plugListeners.erase(id);
}

} // namespace vistrel::virt
