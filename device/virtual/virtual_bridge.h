// Control interface of the virtual bridge backend: FTDI bridges emulated in
// the process, each with the panel controller behind it. The D2XX functions
// of device/d2xx.h are implemented over this testbed.
#ifndef VISTREL_DEVICE_VIRTUAL_VIRTUAL_BRIDGE_H
#define VISTREL_DEVICE_VIRTUAL_VIRTUAL_BRIDGE_H

#include "d2xx.h"
#include "d2xx_backend.h"
#include "stream_decoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::virt {

enum class D2xxCall {
    CreateDeviceInfoList, GetDeviceInfoList, OpenEx, ResetDevice, Purge, SetBitMode,
    SetUSBParameters, SetFlowControl, SetTimeouts, Write, Close,
};

// What the emulated panel controller made of the bytes it received.
struct PanelState {
    bool linkOpen = false;      // toggled by each OpenCloseWord
    bool showing = false;       // set by DisplayStartWord, cleared by DisplayStopWord
    std::uint64_t framesReceived = 0;
    std::uint64_t bytesReceived = 0;
    std::uint64_t protocolErrors = 0;
    std::optional<protocol::DisplayFrame> lastFrame;
    std::optional<protocol::DriveSettings> lastDrive;
    std::optional<protocol::ScanTiming> lastScan;
};

class Testbed {
public:
    // The first call also makes the virtual bridges the active backend.
    static Testbed &instance();

    // Back to the start state: the bridges named by VISTREL_VIRTUAL_DEVICES
    // (default "VPANEL01") plugged in, all closed, captures, call histories,
    // failures and link-speed emulation cleared, the capture and history
    // limits at their defaults, listeners removed.
    void reset();

    // Plug order is list order. An empty serial is allowed (a bridge whose
    // serial string is blank). Plugging a serial that is present does nothing.
    void plug(const std::string &serial);
    bool unplug(const std::string &serial);
    std::vector<std::string> pluggedSerials() const;
    std::string nextFreeSerial() const;  // VPANEL01, VPANEL02, ... first not plugged

    // After `after` more calls of `call` succeed, the next `count` fail with
    // `status` and do nothing else.
    void failNext(D2xxCall call, int count, FT_STATUS status, int after = 0);

    // The newest bytes each bridge accepted, in order (also kept after
    // unplugging): at most the capture limit, older bytes are dropped.
    std::vector<std::uint8_t> captured(const std::string &serial) const;
    void clearCaptured(const std::string &serial);
    // Whether a handle holds the bridge open (a lost handle does not count).
    bool isOpen(const std::string &serial) const;
    // Driver calls that reached this bridge, in order, as the function name
    // followed by its decimal arguments: "FT_OpenEx", "FT_ResetDevice",
    // "FT_Purge 3", "FT_SetBitMode 0 64", "FT_SetUSBParameters 36000 36000",
    // "FT_SetFlowControl 256 0 0", "FT_SetTimeouts 500 0", "FT_Write 4",
    // "FT_Close". Failed calls are listed with " failed" appended. Only the
    // newest calls, up to the history limit, are kept.
    std::vector<std::string> callHistory(const std::string &serial) const;
    PanelState panel(const std::string &serial) const;

    // How much each bridge keeps, for every bridge now and later until the
    // next reset: bytes of capture (default 64 MiB, 0 keeps none) and call
    // history entries (default 4096). Lowering a limit drops the oldest.
    // The panel state never depends on them.
    void setCaptureLimit(std::size_t bytes);
    void setHistoryLimit(std::size_t entries);

    // Link-speed emulation: a write of n bytes takes n / rate seconds.
    // 0 (the default) switches it off.
    void setLinkRate(double bytesPerSecond);

    // Called, on the writing thread, for every decoded packet and for every
    // plug or unplug; the virtual panel window forwards them to its thread.
    using PacketListener = std::function<void(const std::string &serial, const protocol::DecodedPacket &)>;
    using PlugListener = std::function<void()>;
    int addPacketListener(PacketListener listener);
    int addPlugListener(PlugListener listener);
    void removeListener(int id);

private:
    Testbed();
};

// The D2XX functions over this testbed's bridges; hand it to
// device::useBackend to make FT_* reach them.
const device::D2xxBackend &backend();

} // namespace vistrel::virt

#endif
