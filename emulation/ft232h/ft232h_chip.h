// The USB-facing behaviour of an FT232H in synchronous FIFO mode, as far as
// libftdi exercises it: descriptors, string descriptors, the vendor control
// requests, bulk OUT capture and the modem-status bytes of bulk IN. Pure
// C++, no umockdev: the usbdevfs glue lives in emulated_ft232h.cpp.
#ifndef VISTREL_TESTS_FT232H_CHIP_H
#define VISTREL_TESTS_FT232H_CHIP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ftdiemu {

struct Identity {
    std::string serial = "FT7VQ0ZB";
    std::string manufacturer = "FTDI";
    std::string product = "Single RS232-HS";
    std::uint16_t productId = 0x6014;
    std::uint16_t bcdDevice = 0x0900;  // FT232H
    int bus = 1;
    int address = 2;
};

struct SetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// A vendor request as a short readable line: "reset", "purge 1",
// "bitmode mask=00 mode=40", "flow rts-cts", "latency 16", ...
std::string describe(const SetupPacket &setup);

// What the chip was told, in order, and what it received.
struct ChipRecord {
    std::vector<std::string> vendorRequests;     // describe() of each, in order
    std::vector<std::uint8_t> received;          // bulk OUT payload, in order
    std::vector<std::size_t> outTransfers;       // size of each bulk OUT transfer
    std::uint8_t bitMask = 0;
    std::uint8_t bitMode = 0;
    std::uint16_t flowControl = 0;               // high byte of wIndex: 0x0100 RTS/CTS
    std::uint8_t latency = 16;
    int resets = 0;
    bool kernelDriverBound = true;               // ftdi_sio until detached
    bool interfaceClaimed = false;
};

struct ControlReply {
    bool stall = false;
    std::vector<std::uint8_t> data;              // IN data stage
};

class Ft232hChip {
public:
    explicit Ft232hChip(Identity identity);

    const Identity &identity() const { return m_identity; }
    // Device descriptor followed by the configuration, as sysfs shows them.
    std::vector<std::uint8_t> sysfsDescriptors() const;

    ControlReply control(const SetupPacket &setup);
    void bulkOut(const std::uint8_t *data, std::size_t size);
    std::vector<std::uint8_t> bulkIn(std::size_t capacity) const;

    ChipRecord &record() { return m_record; }
    const ChipRecord &record() const { return m_record; }

private:
    ControlReply standardRequest(const SetupPacket &setup) const;
    ControlReply vendorRequest(const SetupPacket &setup);
    std::vector<std::uint8_t> stringDescriptor(int index) const;

    Identity m_identity;
    ChipRecord m_record;
    std::vector<std::uint16_t> m_eeprom;
};

} // namespace ftdiemu

#endif
