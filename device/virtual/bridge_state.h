// Internal state of the virtual bridge backend, shared by the Testbed control
// interface and the D2XX entry points. Not part of the public interface.
//
// Locking: `Registry::mutex` (the global lock) guards the registry; each
// bridge's `data` mutex guards what it recorded; each bridge's `link` mutex
// serialises its writes end to end. Order: link, then global, then data.
// Nothing is called back (listeners) and nobody sleeps with the global or a
// data lock held.
#ifndef VISTREL_DEVICE_VIRTUAL_BRIDGE_STATE_H
#define VISTREL_DEVICE_VIRTUAL_BRIDGE_STATE_H

#include "byte_ring.h"
#include "virtual_bridge.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::virt::detail {

// A bridge's EEPROM holds at most 15 characters of serial number.
constexpr std::size_t kMaxSerialLength = 15;
constexpr std::uint32_t kBridgeType = 8;          // FT232H
constexpr std::uint32_t kBridgeId = 0x04036014;   // vendor 0403, product 6014
constexpr const char *kBridgeDescription = "Vistrel virtual bridge";
constexpr const char *kDefaultSerial = "VPANEL01";

// What a bridge keeps for the tests by default: room for every test's
// traffic, yet a bound, so a long session in vistrel-virtual stays flat.
constexpr std::size_t kDefaultCaptureLimit = std::size_t{64} << 20;
constexpr std::size_t kDefaultHistoryLimit = 4096;

std::string normalizedSerial(const std::string &serial);

// VISTREL_VIRTUAL_DEVICES: unset gives the default bridge, empty gives none,
// otherwise the comma-separated serials, trimmed, blanks skipped.
std::vector<std::string> parseDeviceList(const char *value);
std::vector<std::string> devicesFromEnvironment();

struct Bridge {
    Bridge(std::string serialNumber, std::uint32_t location, std::size_t captureLimit,
           std::size_t historyLimit)
        : serial(std::move(serialNumber)), locId(location), captured(captureLimit),
          historyLimit(historyLimit) {}

    const std::string serial;
    const std::uint32_t locId;
    std::uintptr_t openHandle = 0;  // guarded by the global lock; 0 when closed

    std::mutex link;
    mutable std::mutex data;
    bool isOpen = false;  // as the driver calls left it; a lost handle counts as closed
    std::deque<std::string> history;  // the newest historyLimit entries
    ByteRing captured;
    std::size_t historyLimit;
    protocol::StreamDecoder decoder;
    PanelState panel;

    // Both expect the data lock to be held.
    void remember(std::string entry);
    void setHistoryLimit(std::size_t limit);
};
using BridgePtr = std::shared_ptr<Bridge>;

struct HandleEntry {
    BridgePtr bridge;
    bool lost = false;  // the bridge was unplugged while this handle was open
};

struct Failure {
    int remaining = 0;
    FT_STATUS status = FT_OK;
    int passing = 0;  // calls that still succeed before the failures begin
};

struct Registry {
    std::mutex mutex;
    bool initialised = false;
    std::map<std::string, BridgePtr> bridges;  // every bridge seen since the reset
    std::vector<BridgePtr> plugged;            // in plug order
    std::map<std::uintptr_t, HandleEntry> handles;
    std::uintptr_t lastHandle = 0x5EED0000;    // never reset: handles are never reused
    std::uint32_t nextLocId = 0x1001;
    std::vector<FT_DEVICE_LIST_INFO_NODE> snapshot;
    std::map<D2xxCall, Failure> failures;
    double linkRate = 0.0;
    std::size_t captureLimit = kDefaultCaptureLimit;
    std::size_t historyLimit = kDefaultHistoryLimit;
    int lastListenerId = 0;
    std::map<int, Testbed::PacketListener> packetListeners;
    std::map<int, Testbed::PlugListener> plugListeners;
    // The packet listeners as a writer calls them, made again whenever they
    // change: a write only copies this pointer.
    std::shared_ptr<const std::vector<Testbed::PacketListener>> packetListenerList;

    // Everything below expects the global lock to be held.
    void restart();
    BridgePtr findPlugged(const std::string &serial) const;
    BridgePtr findKnown(const std::string &serial) const;
    bool plug(const std::string &serial);
    bool unplug(const std::string &serial);
    std::optional<FT_STATUS> takeFailure(D2xxCall call);
    std::uintptr_t newHandle();
    void listPacketListeners();
};

// The one registry, initialised from the environment on first use.
// Returns with the global lock held by `lock`.
Registry &lockedRegistry(std::unique_lock<std::mutex> &lock);

std::string historyEntry(const char *function, std::initializer_list<unsigned long long> args,
                         bool failed = false);
// Takes the bridge's data lock.
void record(Bridge &bridge, std::string entry);

} // namespace vistrel::virt::detail

#endif
