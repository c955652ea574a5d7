// The link to one bridge: open with the configuration the panel needs and
// the open/close word, checked writes, close. Every driver status is looked
// at; a failure says which call failed and how.
#ifndef VISTREL_SESSION_DEVICE_LINK_H
#define VISTREL_SESSION_DEVICE_LINK_H

#include "d2xx.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vistrel::session {

struct LinkResult {
    FT_STATUS status = FT_OK;
    const char *call = nullptr;  // the driver call that failed; null on success
    FT_DWORD written = 0;        // bytes accepted, for writes
    bool ok() const { return call == nullptr; }
    QString reason() const;      // "FT_SetBitMode: FT_IO_ERROR"
};

class DeviceLink {
public:
    DeviceLink() = default;
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    QString serial() const { return m_serial; }

    // Opens the bridge, resets it, configures synchronous FIFO (36000-byte
    // transfers, RTS/CTS, 500 ms read timeout) and writes the open/close
    // word. Any step failing closes the handle again: a half-configured
    // bridge would garble every frame.
    LinkResult open(const QString &serial);

    // A whole write: ok only when every byte was accepted. The video
    // worker's thread writes here too, while no other thread does.
    LinkResult write(const void *bytes, std::size_t size);

    // Closes the handle; the link is closed afterwards whatever the driver said.
    LinkResult close();

    // Bytes accepted since the link was made, from any thread.
    std::uint64_t bytesWritten() const { return m_bytesWritten; }

private:
    LinkResult configure();

    FT_HANDLE m_handle = nullptr;
    QString m_serial;
    std::atomic<std::uint64_t> m_bytesWritten{0};
};

} // namespace vistrel::session

#endif
