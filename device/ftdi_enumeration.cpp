#include "ftdi_enumeration.h"

#include "ftdi_status.h"

#include <ftdi.h>
#include <libusb.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

namespace vistrel::ftdi {

namespace {

constexpr std::uint16_t kBridgeProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
constexpr int kStringCapacity = 128;
// ftdi_usb_get_strings2: the device node could not be opened.
constexpr int kCannotOpenDevice = -4;

// A bridge's place on the bus; USB addresses are not reused on replugging
// until the bus has counted through all 127.
using Place = std::tuple<int, int, std::uint16_t, std::uint16_t>;

struct Strings {
    bool accessible = false;
    std::string serial;
    std::string description;
};

Strings readStrings(ftdi_context *context, libusb_device *device, int bus, int address)
{
    char description[kStringCapacity] = {};
    char serial[kStringCapacity] = {};
    const int code = ftdi_usb_get_strings2(context, device, nullptr, 0, description,
                                           kStringCapacity, serial, kStringCapacity);
    if (code == kCannotOpenDevice)
        return {false, noAccessName(bus, address), "no permission to open this bridge"};
    if (code < 0)
        return {true, std::string(), std::string()};  // mute, or no serial string at all
    return {true, serial, description};
}

// Strings of the bridges seen in the last scan. Bridges that could not be
// opened are asked again at every scan (a udev rule may have been installed
// since); a bridge that opened is asked once per attachment, so one that does
// not answer costs libusb's string timeouts once and not every second.
class StringCache {
public:
    Strings lookup(ftdi_context *context, libusb_device *device, const Place &place)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_entries.find(place);
        if (found != m_entries.end() && found->second.accessible)
            return found->second;
        Strings strings = readStrings(context, device, std::get<0>(place), std::get<1>(place));
        m_entries[place] = strings;
        return strings;
    }

    void keepOnly(const std::set<Place> &present)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (auto it = m_entries.begin(); it != m_entries.end();)
            it = present.count(it->first) ? std::next(it) : m_entries.erase(it);
    }

private:
    std::mutex m_lock;
    std::map<Place, Strings> m_entries;
};

StringCache &stringCache()
{
    static StringCache cache;
    return cache;
}

void copyText(char *target, std::size_t capacity, const std::string &text)
{
    std::snprintf(target, capacity, "%s", text.c_str());
}

} // namespace

bool isBridgeProduct(std::uint16_t productId)
{
    for (std::uint16_t product : kBridgeProducts) {
        if (product == productId)
            return true;
    }
    return false;
}

std::uint32_t deviceTypeFor(std::uint16_t bcdDevice)
{
    switch (bcdDevice >> 8) {
    case 0x02: return 1;   // AM
    case 0x04: return 0;   // BM
    case 0x05: return 4;   // FT2232C
    case 0x06: return 5;   // FT232R
    case 0x07: return 6;   // FT2232H
    case 0x08: return 7;   // FT4232H
    case 0x09: return 8;   // FT232H
    case 0x10: return 9;   // FT-X series
    default: return 3;     // unknown
    }
}

std::string noAccessName(int bus, int address)
{
    char name[16];
    std::snprintf(name, sizeof name, "NOACCESS-%d-%d", bus, address);
    return name;
}

Scan::Scan(ftdi_context *context)
{
    // Vendor and product 0: libftdi's own list of FTDI bridge products.
    const int found = ftdi_usb_find_all(context, &m_list, 0, 0);
    if (found < 0) {
        m_status = statusFor(Call::FindAll, found);
        return;
    }
    std::set<Place> present;
    for (ftdi_device_list *entry = m_list; entry; entry = entry->next) {
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(entry->dev, &descriptor) < 0)
            continue;
        if (descriptor.idVendor != kFtdiVendorId || !isBridgeProduct(descriptor.idProduct))
            continue;
        Bridge bridge;
        bridge.device = entry->dev;
        bridge.productId = descriptor.idProduct;
        bridge.bcdDevice = descriptor.bcdDevice;
        bridge.bus = libusb_get_bus_number(entry->dev);
        bridge.address = libusb_get_device_address(entry->dev);
        bridge.highSpeed = libusb_get_device_speed(entry->dev) >= LIBUSB_SPEED_HIGH;
        const Place place{bridge.bus, bridge.address, bridge.productId, bridge.bcdDevice};
        const Strings strings = stringCache().lookup(context, entry->dev, place);
        bridge.accessible = strings.accessible;
        bridge.serial = strings.serial;
        bridge.description = strings.description;
        present.insert(place);
        m_bridges.push_back(bridge);
    }
    stringCache().keepOnly(present);
}

Scan::~Scan()
{
    ftdi_list_free(&m_list);
}

const Bridge *Scan::findSerial(const std::string &serial) const
{
    for (const Bridge &bridge : m_bridges) {
        if (bridge.accessible && !bridge.serial.empty() && bridge.serial == serial)
            return &bridge;
    }
    return nullptr;
}

FT_DEVICE_LIST_INFO_NODE infoRecord(const Bridge &bridge, FT_HANDLE openHandle)
{
    FT_DEVICE_LIST_INFO_NODE node;
    std::memset(&node, 0, sizeof node);
    node.Flags = (openHandle ? 1u : 0u) | (bridge.highSpeed ? 2u : 0u);
    node.Type = deviceTypeFor(bridge.bcdDevice);
    node.ID = static_cast<std::uint32_t>(kFtdiVendorId) << 16 | bridge.productId;
    node.LocId = static_cast<std::uint32_t>(bridge.bus) << 8 | static_cast<std::uint32_t>(bridge.address);
    copyText(node.SerialNumber, sizeof node.SerialNumber, bridge.serial);
    copyText(node.Description, sizeof node.Description, bridge.description);
    node.ftHandle = openHandle;
    return node;
}

} // namespace vistrel::ftdi
