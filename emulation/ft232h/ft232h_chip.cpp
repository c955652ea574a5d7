#include "ft232h_chip.h"

#include <cstdio>
#include <iterator>
#include <utility>

namespace ftdiemu {

namespace {

enum : std::uint8_t {
    kRequestTypeMask = 0x60,
    kStandard = 0x00,
    kVendor = 0x40,
    kGetStatus = 0x00,
    kGetDescriptor = 0x06,
    kGetConfiguration = 0x08,
    kSetConfiguration = 0x09,
};

enum : std::uint8_t {
    kSioReset = 0x00,
    kSioModemCtrl = 0x01,
    kSioFlowCtrl = 0x02,
    kSioBaudrate = 0x03,
    kSioData = 0x04,
    kSioPollModemStatus = 0x05,
    kSioEventChar = 0x06,
    kSioErrorChar = 0x07,
    kSioSetLatency = 0x09,
    kSioGetLatency = 0x0A,
    kSioSetBitmode = 0x0B,
    kSioReadPins = 0x0C,
    kSioReadEeprom = 0x90,
};

constexpr std::uint8_t kModemStatus[2] = {0x01, 0x60};
constexpr std::size_t kEepromWords = 128;

void putWord(std::vector<std::uint8_t> &out, std::uint16_t word)
{
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
    out.push_back(static_cast<std::uint8_t>(word >> 8));
}

std::string hexByte(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x", value & 0xFFu);
    return text;
}

std::string describeReset(std::uint16_t value)
{
    return value == 0 ? std::string("reset") : "purge " + std::to_string(value);
}

std::string describeFlow(std::uint16_t index)
{
    switch (index & 0xFF00) {
    case 0x0000: return "flow none";
    case 0x0100: return "flow rts-cts";
    case 0x0200: return "flow dtr-dsr";
    case 0x0400: return "flow xon-xoff";
    default: return "flow " + hexByte(index >> 8);
    }
}

} // namespace

std::string describe(const SetupPacket &s)
{
    switch (s.request) {
    case kSioReset: return describeReset(s.value);
    case kSioModemCtrl: return "modem " + hexByte(s.value >> 8) + hexByte(s.value);
    case kSioFlowCtrl: return describeFlow(s.index);
    case kSioBaudrate: return "baudrate";
    case kSioData: return "data " + hexByte(s.value >> 8) + hexByte(s.value);
    case kSioPollModemStatus: return "modem status";
    case kSioEventChar: return "event char";
    case kSioErrorChar: return "error char";
    case kSioSetLatency: return "latency " + std::to_string(s.value & 0xFF);
    case kSioGetLatency: return "get latency";
    case kSioSetBitmode: return "bitmode mask=" + hexByte(s.value) + " mode=" + hexByte(s.value >> 8);
    case kSioReadPins: return "read pins";
    case kSioReadEeprom: return "eeprom " + std::to_string(s.index);
    default: return "request " + hexByte(s.request);
    }
}

Ft232hChip::Ft232hChip(Identity identity)
    : m_identity(std::move(identity)), m_eeprom(kEepromWords, 0)
{
    // Channel A configured as a 245 FIFO, the chip's ids, then zeros.
    m_eeprom[0] = 0x0001;
    m_eeprom[1] = 0x0403;
    m_eeprom[2] = m_identity.productId;
    m_eeprom[3] = m_identity.bcdDevice;
}

std::vector<std::uint8_t> Ft232hChip::sysfsDescriptors() const
{
    std::vector<std::uint8_t> d = {
        18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64,
    };
    putWord(d, 0x0403);
    putWord(d, m_identity.productId);
    putWord(d, m_identity.bcdDevice);
    d.insert(d.end(), {1, 2, 3, 1});
    // One configuration, one vendor-specific interface, bulk 0x81 and 0x02.
    const std::uint8_t configuration[] = {
        9, 0x02, 32, 0, 1, 1, 0, 0x80, 0x2D,
        9, 0x04, 0, 0, 2, 0xFF, 0xFF, 0xFF, 2,
        7, 0x05, 0x81, 0x02, 0x00, 0x02, 0,
        7, 0x05, 0x02, 0x02, 0x00, 0x02, 0,
    };
    d.insert(d.end(), std::begin(configuration), std::end(configuration));
    return d;
}

std::vector<std::uint8_t> Ft232hChip::stringDescriptor(int index) const
{
    if (index == 0)
        return {4, 0x03, 0x09, 0x04};  // US English only
    const std::string *text = nullptr;
    switch (index) {
    case 1: text = &m_identity.manufacturer; break;
    case 2: text = &m_identity.product; break;
    case 3: text = &m_identity.serial; break;
    default: return {};
    }
    std::vector<std::uint8_t> d = {static_cast<std::uint8_t>(2 + 2 * text->size()), 0x03};
    for (char c : *text)
        putWord(d, static_cast<std::uint8_t>(c));
    return d;
}

ControlReply Ft232hChip::standardRequest(const SetupPacket &s) const
{
    ControlReply reply;
    switch (s.request) {
    case kGetStatus:
        reply.data = {0, 0};
        break;
    case kGetConfiguration:
        reply.data = {1};
        break;
    case kSetConfiguration:
        break;
    case kGetDescriptor: {
        const int type = s.value >> 8;
        const std::vector<std::uint8_t> all = sysfsDescriptors();
        if (type == 1)
            reply.data.assign(all.begin(), all.begin() + 18);
        else if (type == 2)
            reply.data.assign(all.begin() + 18, all.end());
        else if (type == 3)
            reply.data = stringDescriptor(s.value & 0xFF);
        reply.stall = reply.data.empty();
        break;
    }
    default:
        reply.stall = true;
    }
    return reply;
}

ControlReply Ft232hChip::vendorRequest(const SetupPacket &s)
{
    m_record.vendorRequests.push_back(describe(s));
    ControlReply reply;
    switch (s.request) {
    case kSioReset:
        if (s.value == 0)
            ++m_record.resets;
        break;
    case kSioFlowCtrl:
        m_record.flowControl = s.index & 0xFF00;
        break;
    case kSioSetLatency:
        m_record.latency = static_cast<std::uint8_t>(s.value & 0xFF);
        break;
    case kSioSetBitmode:
        m_record.bitMask = static_cast<std::uint8_t>(s.value & 0xFF);
        m_record.bitMode = static_cast<std::uint8_t>(s.value >> 8);
        break;
    case kSioPollModemStatus:
        reply.data.assign(std::begin(kModemStatus), std::end(kModemStatus));
        break;
    case kSioGetLatency:
        reply.data = {m_record.latency};
        break;
    case kSioReadPins:
        reply.data = {0xFF};
        break;
    case kSioReadEeprom:
        if (s.index >= m_eeprom.size())
            reply.stall = true;
        else
            putWord(reply.data, m_eeprom[s.index]);
        break;
    case kSioModemCtrl: case kSioBaudrate: case kSioData:
    case kSioEventChar: case kSioErrorChar:
        break;
    default:
        reply.stall = true;
    }
    return reply;
}

ControlReply Ft232hChip::control(const SetupPacket &setup)
{
    ControlReply reply;
    switch (setup.requestType & kRequestTypeMask) {
    case kStandard: reply = standardRequest(setup); break;
    case kVendor: reply = vendorRequest(setup); break;
    default: reply.stall = true;
    }
    if (reply.data.size() > setup.length)
        reply.data.resize(setup.length);
    return reply;
}

void Ft232hChip::bulkOut(const std::uint8_t *data, std::size_t size)
{
    m_record.received.insert(m_record.received.end(), data, data + size);
    m_record.outTransfers.push_back(size);
}

std::vector<std::uint8_t> Ft232hChip::bulkIn(std::size_t capacity) const
{
    // No data from the panel, ever: only the two modem-status bytes.
    std::vector<std::uint8_t> packet(std::begin(kModemStatus), std::end(kModemStatus));
    if (packet.size() > capacity)
        packet.resize(capacity);
    return packet;
}

} // namespace ftdiemu
