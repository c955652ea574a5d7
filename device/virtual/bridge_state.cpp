#if defined(_WIN32) && !defined(_CRT_SECURE_NO_WARNINGS)
#define _CRT_SECURE_NO_WARNINGS  // plain getenv reads the variable once per reset
#endif

#include "bridge_state.h"

#include <algorithm>
#include <cstdlib>

namespace vistrel::virt::detail {

namespace {

std::string trimmed(const std::string &text)
{
    const char *blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

std::string normalizedSerial(const std::string &serial)
{
    return serial.substr(0, std::min(serial.size(), kMaxSerialLength));
}

std::vector<std::string> parseDeviceList(const char *value)
{
    if (!value)
        return {kDefaultSerial};
    std::vector<std::string> serials;
    std::string text(value);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string serial = normalizedSerial(trimmed(text.substr(start, comma - start)));
        if (!serial.empty() && std::find(serials.begin(), serials.end(), serial) == serials.end())
            serials.push_back(serial);
        start = comma + 1;
    }
    return serials;
}

std::vector<std::string> devicesFromEnvironment()
{
    return parseDeviceList(std::getenv("VISTREL_VIRTUAL_DEVICES"));
}

void Registry::restart()
{
    // Open handles die with their bridges: later calls through them find no
    // entry and report an invalid handle. lastHandle is kept on purpose.
    handles.clear();
    bridges.clear();
    plugged.clear();
    snapshot.clear();
    failures.clear();
    linkRate = 0.0;
    captureLimit = kDefaultCaptureLimit;
    historyLimit = kDefaultHistoryLimit;
    packetListeners.clear();
    plugListeners.clear();
    listPacketListeners();
    nextLocId = 0x1001;
    for (const std::string &serial : devicesFromEnvironment())
        plug(serial);
    initialised = true;
}

BridgePtr Registry::findPlugged(const std::string &serial) const
{
    for (const BridgePtr &bridge : plugged) {
        if (bridge->serial == serial)
            return bridge;
    }
    return nullptr;
}

BridgePtr Registry::findKnown(const std::string &serial) const
{
    auto it = bridges.find(normalizedSerial(serial));
    return it == bridges.end() ? nullptr : it->second;
}

bool Registry::plug(const std::string &rawSerial)
{
    const std::string serial = normalizedSerial(rawSerial);
    if (findPlugged(serial))
        return false;
    BridgePtr &bridge = bridges[serial];
    if (!bridge) {
        bridge = std::make_shared<Bridge>(serial, nextLocId++, captureLimit, historyLimit);
    } else {
        // Plugged in again: the controller powers up blank, as a real one
        // does, so the console must send its settings again.
        std::lock_guard<std::mutex> data(bridge->data);
        bridge->panel.lastFrame.reset();
        bridge->panel.lastDrive.reset();
        bridge->panel.lastScan.reset();
    }
    plugged.push_back(bridge);
    return true;
}

bool Registry::unplug(const std::string &rawSerial)
{
    const BridgePtr bridge = findPlugged(normalizedSerial(rawSerial));
    if (!bridge)
        return false;
    plugged.erase(std::find(plugged.begin(), plugged.end(), bridge));
    // A handle open on the bridge now points at a device that is gone; it
    // can still be closed, and a bridge plugged in again opens afresh.
    for (auto &entry : handles) {
        if (entry.second.bridge == bridge)
            entry.second.lost = true;
    }
    bridge->openHandle = 0;
    std::lock_guard<std::mutex> data(bridge->data);
    bridge->isOpen = false;
    // The controller behind the bridge goes dark with it: a replugged panel
    // starts closed and showing nothing, and a packet cut by the pull is lost.
    // Its counters, last frame and settings stay for whoever looks back,
    // until it is plugged in again.
    bridge->panel.linkOpen = false;
    bridge->panel.showing = false;
    bridge->decoder.reset();
    return true;
}

std::optional<FT_STATUS> Registry::takeFailure(D2xxCall call)
{
    auto it = failures.find(call);
    if (it == failures.end())
        return std::nullopt;
    if (it->second.passing > 0) {
        --it->second.passing;
        return std::nullopt;
    }
    const FT_STATUS status = it->second.status;
    if (--it->second.remaining <= 0)
        failures.erase(it);
    return status;
}

void Registry::listPacketListeners()
{
    auto list = std::make_shared<std::vector<Testbed::PacketListener>>();
    for (const auto &entry : packetListeners) {
        if (entry.second)
            list->push_back(entry.second);
    }
    packetListenerList = std::move(list);
}

std::uintptr_t Registry::newHandle()
{
    lastHandle += 0x10;
    return lastHandle;
}

Registry &lockedRegistry(std::unique_lock<std::mutex> &lock)
{
    // Leaked on purpose: a writer thread may outlive static destruction.
    static Registry *registry = new Registry;
    lock = std::unique_lock<std::mutex>(registry->mutex);
    if (!registry->initialised)
        registry->restart();
    return *registry;
}

std::string historyEntry(const char *function, std::initializer_list<unsigned long long> args,
                         bool failed)
{
    std::string entry(function);
    for (unsigned long long arg : args)
        entry += ' ' + std::to_string(arg);
    if (failed)
        entry += " failed";
    return entry;
}

void Bridge::remember(std::string entry)
{
    history.push_back(std::move(entry));
    if (history.size() > historyLimit)
        history.pop_front();
}

void Bridge::setHistoryLimit(std::size_t limit)
{
    historyLimit = limit;
    while (history.size() > historyLimit)
        history.pop_front();
}

void record(Bridge &bridge, std::string entry)
{
    std::lock_guard<std::mutex> data(bridge.data);
    bridge.remember(std::move(entry));
}

} // namespace vistrel::virt::detail
