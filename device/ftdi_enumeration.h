// Finding FTDI bridges through libftdi: which are attached, and their serial
// numbers. A bridge's strings are read once per attachment and remembered, so
// the once-a-second device poll costs one bus scan and no USB traffic.
#ifndef VISTREL_DEVICE_FTDI_ENUMERATION_H
#define VISTREL_DEVICE_FTDI_ENUMERATION_H

#include "d2xx.h"

#include <cstdint>
#include <string>
#include <vector>

struct ftdi_context;
struct ftdi_device_list;
struct libusb_device;

namespace vistrel::ftdi {

constexpr std::uint16_t kFtdiVendorId = 0x0403;

// FT232R/FT245R, FT2232H, FT4232H, FT232H, FT-X.
bool isBridgeProduct(std::uint16_t productId);

// The D2XX device type of a chip, from its bcdDevice release number.
std::uint32_t deviceTypeFor(std::uint16_t bcdDevice);

// What the list shows for a bridge this user may not open (no udev rule):
// "NOACCESS-<bus>-<address>", which no real serial number looks like.
std::string noAccessName(int bus, int address);

struct Bridge {
    libusb_device *device = nullptr;     // valid while its Scan lives
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    int bus = 0;
    int address = 0;
    bool highSpeed = false;
    bool accessible = false;             // its strings could be read
    std::string serial;                  // empty when the chip has none
    std::string description;
};

// One scan of the bus on a libftdi context; owns the device list.
class Scan {
public:
    explicit Scan(ftdi_context *context);
    ~Scan();
    Scan(const Scan &) = delete;
    Scan &operator=(const Scan &) = delete;

    FT_STATUS status() const { return m_status; }
    const std::vector<Bridge> &bridges() const { return m_bridges; }
    // The accessible bridge with this serial number, or null.
    const Bridge *findSerial(const std::string &serial) const;

private:
    ftdi_device_list *m_list = nullptr;
    FT_STATUS m_status = FT_OK;
    std::vector<Bridge> m_bridges;
};

// The device-info record D2XX would report for a bridge.
FT_DEVICE_LIST_INFO_NODE infoRecord(const Bridge &bridge, FT_HANDLE openHandle);

} // namespace vistrel::ftdi

#endif
