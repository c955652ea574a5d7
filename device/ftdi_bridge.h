// Opened bridges and their handles. A handle is a token, never the address of
// a libftdi context: a stale handle (closed, or never valid) is looked up,
// not dereferenced, and gets FT_INVALID_HANDLE. Each bridge serves one call
// at a time; a call in flight keeps the context alive while a close waits.
#ifndef VISTREL_DEVICE_FTDI_BRIDGE_H
#define VISTREL_DEVICE_FTDI_BRIDGE_H

#include "d2xx.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

struct ftdi_context;

namespace vistrel::ftdi {

// D2XX reads a timeout of 0 as "wait for ever". On this backend 0 means one
// second: a panel that stops taking data must never freeze the console,
// while a whole 36004-byte display frame needs a few milliseconds on a
// high-speed bus and about 40 ms even on a full-speed one.
constexpr int kZeroTimeoutMs = 1000;
int effectiveTimeoutMs(FT_DWORD requestedMs);

class OpenBridge {
public:
    OpenBridge(ftdi_context *context, std::string serial);
    ~OpenBridge();
    OpenBridge(const OpenBridge &) = delete;
    OpenBridge &operator=(const OpenBridge &) = delete;

    const std::string &serial() const { return m_serial; }

    // Runs the call with the context, one call at a time; FT_INVALID_HANDLE
    // once the bridge is closed.
    FT_STATUS use(const std::function<FT_STATUS(ftdi_context *)> &call);
    // Releases the USB device and the context; waits for a call in flight.
    void close();

private:
    std::mutex m_lock;
    ftdi_context *m_context;
    const std::string m_serial;
};

class HandleTable {
public:
    static HandleTable &instance();

    FT_HANDLE add(std::shared_ptr<OpenBridge> bridge);
    std::shared_ptr<OpenBridge> find(FT_HANDLE handle) const;
    std::shared_ptr<OpenBridge> remove(FT_HANDLE handle);
    // The handle under which this serial number is open, or null.
    FT_HANDLE handleOf(const std::string &serial) const;

private:
    HandleTable() = default;
    mutable std::mutex m_lock;
    std::uintptr_t m_nextToken = 0x5600;
    std::vector<std::pair<std::uintptr_t, std::shared_ptr<OpenBridge>>> m_entries;
};

// The bridge behind a handle, for one call: FT_INVALID_HANDLE when the
// handle is not open.
FT_STATUS withBridge(FT_HANDLE handle, const std::function<FT_STATUS(ftdi_context *)> &call);

} // namespace vistrel::ftdi

#endif
