// The eleven D2XX functions over the bridges of the virtual testbed.
#include "bridge_state.h"
#include "d2xx_backend.h"
#include "wire_log.h"

#include <chrono>
#include <cstring>
#include <thread>

using namespace vistrel::virt;
using namespace vistrel::virt::detail;
using vistrel::protocol::DecodedPacket;

namespace {

// What a driver call on a handle learns from the registry in one look.
struct HandleCall {
    BridgePtr bridge;                  // null: not a handle that is open
    std::optional<FT_STATUS> injected; // a failure queued by Testbed::failNext
    bool lost = false;                 // the bridge was unplugged meanwhile
    double linkRate = 0.0;
};

HandleCall beginHandleCall(D2xxCall call, FT_HANDLE handle)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = lockedRegistry(lock);
    HandleCall result;
    result.injected = registry.takeFailure(call);
    result.linkRate = registry.linkRate;
    auto it = registry.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it != registry.handles.end()) {
        result.bridge = it->second.bridge;
        result.lost = it->second.lost;
    }
    return result;
}

// Shared body of the calls that only configure the chip: the emulated
// controller needs none of it, so they are only checked and remembered.
FT_STATUS configure(D2xxCall call, FT_HANDLE handle, std::string entry)
{
    const HandleCall c = beginHandleCall(call, handle);
    if (!c.bridge)
        return c.injected.value_or(FT_INVALID_HANDLE);
    std::lock_guard<std::mutex> data(c.bridge->data);
    if (c.injected || c.lost) {
        c.bridge->remember(entry + " failed");
        return c.injected.value_or(FT_IO_ERROR);
    }
    c.bridge->remember(std::move(entry));
    return FT_OK;
}

FT_DEVICE_LIST_INFO_NODE describe(const Bridge &bridge)
{
    FT_DEVICE_LIST_INFO_NODE node;
    std::memset(&node, 0, sizeof node);
    node.Flags = bridge.openHandle ? 1u : 0u;
    node.Type = kBridgeType;
    node.ID = kBridgeId;
    node.LocId = bridge.locId;
    std::memcpy(node.SerialNumber, bridge.serial.data(), bridge.serial.size());
    std::strncpy(node.Description, kBridgeDescription, sizeof node.Description - 1);
    node.ftHandle = reinterpret_cast<FT_HANDLE>(bridge.openHandle);
    return node;
}

// A serial link: the writer holds the bridge's link while its bytes travel.
void paceLink(double bytesPerSecond, FT_DWORD size)
{
    if (bytesPerSecond <= 0.0 || size == 0)
        return;
    std::this_thread::sleep_for(std::chrono::duration<double>(size / bytesPerSecond));
}

void applyToPanel(PanelState &panel, const DecodedPacket &packet)
{
    switch (packet.kind) {
    case DecodedPacket::OpenClose:
        panel.linkOpen = !panel.linkOpen;
        break;
    case DecodedPacket::DisplayStart:
        panel.showing = true;
        break;
    case DecodedPacket::DisplayStop:
        panel.showing = false;
        break;
    case DecodedPacket::Drive:
        panel.lastDrive = packet.drive;
        break;
    case DecodedPacket::Scan:
        panel.lastScan = packet.scan;
        break;
    case DecodedPacket::Frame:
        ++panel.framesReceived;
        panel.lastFrame = packet.frame;
        break;
    }
}

// Records an accepted write: history, capture, wire log, the panel's view.
std::vector<DecodedPacket> absorb(Bridge &bridge, const std::uint8_t *bytes, FT_DWORD size,
                                  std::string entry)
{
    std::lock_guard<std::mutex> data(bridge.data);
    bridge.remember(std::move(entry));
    bridge.captured.append(bytes, size);
    vistrel::wireLogAppend(bytes, size);
    std::vector<DecodedPacket> packets = bridge.decoder.feed(bytes, size);
    bridge.panel.bytesReceived += size;
    for (const DecodedPacket &packet : packets)
        applyToPanel(bridge.panel, packet);
    bridge.panel.protocolErrors = bridge.decoder.protocolErrors();
    return packets;
}

void notifyPacketListeners(const std::string &serial, const std::vector<DecodedPacket> &packets)
{
    if (packets.empty())
        return;
    std::shared_ptr<const std::vector<Testbed::PacketListener>> listeners;
    {
        std::unique_lock<std::mutex> lock;
        listeners = lockedRegistry(lock).packetListenerList;
    }
    for (const DecodedPacket &packet : packets) {
        for (const auto &listener : *listeners)
            listener(serial, packet);
    }
}

FT_STATUS openBySerial(Registry &registry, const std::string &serial, FT_HANDLE *handle,
                       std::optional<FT_STATUS> injected)
{
    const BridgePtr bridge = registry.findPlugged(serial);
    if (injected) {
        if (const BridgePtr known = registry.findKnown(serial))
            record(*known, historyEntry("FT_OpenEx", {}, true));
        return *injected;
    }
    if (!bridge)
        return FT_DEVICE_NOT_FOUND;
    if (bridge->openHandle) {
        record(*bridge, historyEntry("FT_OpenEx", {}, true));
        return FT_DEVICE_NOT_OPENED;
    }
    const std::uintptr_t value = registry.newHandle();
    registry.handles[value] = HandleEntry{bridge, false};
    bridge->openHandle = value;
    {
        std::lock_guard<std::mutex> data(bridge->data);
        bridge->isOpen = true;
        bridge->remember(historyEntry("FT_OpenEx", {}));
    }
    *handle = reinterpret_cast<FT_HANDLE>(value);
    return FT_OK;
}

} // namespace

namespace {

FT_STATUS virtualCreateDeviceInfoList(FT_DWORD *lpdwNumDevs)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = lockedRegistry(lock);
    if (auto injected = registry.takeFailure(D2xxCall::CreateDeviceInfoList))
        return *injected;
    if (!lpdwNumDevs)
        return FT_INVALID_PARAMETER;
    registry.snapshot.clear();
    for (const BridgePtr &bridge : registry.plugged)
        registry.snapshot.push_back(describe(*bridge));
    *lpdwNumDevs = static_cast<FT_DWORD>(registry.snapshot.size());
    return FT_OK;
}

FT_STATUS virtualGetDeviceInfoList(FT_DEVICE_LIST_INFO_NODE *pDest, FT_DWORD *lpdwNumDevs)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = lockedRegistry(lock);
    if (auto injected = registry.takeFailure(D2xxCall::GetDeviceInfoList))
        return *injected;
    if (!lpdwNumDevs || (!pDest && !registry.snapshot.empty()))
        return FT_INVALID_PARAMETER;
    // The list as of the last FT_CreateDeviceInfoList, as the real driver does.
    if (!registry.snapshot.empty())
        std::memcpy(pDest, registry.snapshot.data(), registry.snapshot.size() * sizeof *pDest);
    *lpdwNumDevs = static_cast<FT_DWORD>(registry.snapshot.size());
    return FT_OK;
}

FT_STATUS virtualOpenEx(void *pArg1, FT_DWORD Flags, FT_HANDLE *pHandle)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = lockedRegistry(lock);
    const std::optional<FT_STATUS> injected = registry.takeFailure(D2xxCall::OpenEx);
    if (!injected && (!pArg1 || !pHandle || Flags != FT_OPEN_BY_SERIAL_NUMBER))
        return FT_INVALID_PARAMETER;
    const std::string serial = pArg1 ? static_cast<const char *>(pArg1) : "";
    return openBySerial(registry, serial, pHandle, injected);
}

FT_STATUS virtualResetDevice(FT_HANDLE ftHandle)
{
    return configure(D2xxCall::ResetDevice, ftHandle, historyEntry("FT_ResetDevice", {}));
}

FT_STATUS virtualPurge(FT_HANDLE ftHandle, FT_DWORD Mask)
{
    return configure(D2xxCall::Purge, ftHandle, historyEntry("FT_Purge", {Mask}));
}

FT_STATUS virtualSetBitMode(FT_HANDLE ftHandle, uint8_t ucMask, uint8_t ucEnable)
{
    return configure(D2xxCall::SetBitMode, ftHandle, historyEntry("FT_SetBitMode", {ucMask, ucEnable}));
}

FT_STATUS virtualSetUSBParameters(FT_HANDLE ftHandle, FT_DWORD ulInTransferSize,
                                  FT_DWORD ulOutTransferSize)
{
    return configure(D2xxCall::SetUSBParameters, ftHandle,
                     historyEntry("FT_SetUSBParameters", {ulInTransferSize, ulOutTransferSize}));
}

FT_STATUS virtualSetFlowControl(FT_HANDLE ftHandle, uint16_t FlowControl, uint8_t XonChar,
                                uint8_t XoffChar)
{
    return configure(D2xxCall::SetFlowControl, ftHandle,
                     historyEntry("FT_SetFlowControl", {FlowControl, XonChar, XoffChar}));
}

FT_STATUS virtualSetTimeouts(FT_HANDLE ftHandle, FT_DWORD ReadTimeout, FT_DWORD WriteTimeout)
{
    return configure(D2xxCall::SetTimeouts, ftHandle, historyEntry("FT_SetTimeouts", {ReadTimeout, WriteTimeout}));
}

FT_STATUS virtualWrite(FT_HANDLE ftHandle, void *lpBuffer, FT_DWORD dwBytesToWrite,
                       FT_DWORD *lpBytesWritten)
{
    const HandleCall c = beginHandleCall(D2xxCall::Write, ftHandle);
    if (lpBytesWritten)
        *lpBytesWritten = 0;
    if (!c.bridge)
        return c.injected.value_or(FT_INVALID_HANDLE);
    std::string entry = historyEntry("FT_Write", {dwBytesToWrite});
    const bool badArguments = !lpBytesWritten || (!lpBuffer && dwBytesToWrite > 0);
    if (c.injected || c.lost || badArguments) {
        record(*c.bridge, entry + " failed");
        if (c.injected)
            return *c.injected;
        return badArguments ? FT_INVALID_PARAMETER : FT_IO_ERROR;
    }
    // Whole writes, one at a time, in the order the link accepts them.
    std::lock_guard<std::mutex> link(c.bridge->link);
    paceLink(c.linkRate, dwBytesToWrite);
    const auto packets = absorb(*c.bridge, static_cast<const std::uint8_t *>(lpBuffer), dwBytesToWrite,
                                std::move(entry));
    *lpBytesWritten = dwBytesToWrite;
    notifyPacketListeners(c.bridge->serial, packets);
    return FT_OK;
}

FT_STATUS virtualClose(FT_HANDLE ftHandle)
{
    std::unique_lock<std::mutex> lock;
    Registry &registry = lockedRegistry(lock);
    const std::optional<FT_STATUS> injected = registry.takeFailure(D2xxCall::Close);
    auto it = registry.handles.find(reinterpret_cast<std::uintptr_t>(ftHandle));
    if (it == registry.handles.end())
        return injected.value_or(FT_INVALID_HANDLE);
    const HandleEntry entry = it->second;
    if (injected) {
        record(*entry.bridge, historyEntry("FT_Close", {}, true));
        return *injected;
    }
    registry.handles.erase(it);
    // A lost handle no longer owns the bridge, which may be open again.
    if (!entry.lost)
        entry.bridge->openHandle = 0;
    std::lock_guard<std::mutex> data(entry.bridge->data);
    if (!entry.lost)
        entry.bridge->isOpen = false;
    entry.bridge->remember(historyEntry("FT_Close", {}));
    return FT_OK;
}

} // namespace

const vistrel::device::D2xxBackend &vistrel::virt::backend()
{
    static const device::D2xxBackend table{
        "virtual",
        virtualCreateDeviceInfoList, virtualGetDeviceInfoList, virtualOpenEx, virtualResetDevice,
        virtualPurge, virtualSetBitMode, virtualSetUSBParameters, virtualSetFlowControl,
        virtualSetTimeouts, virtualWrite, virtualClose,
    };
    return table;
}
