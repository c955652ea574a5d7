// Panel-side decoder: turns the byte stream the console wrote back into typed
// packets, as the controller would read it. Accepts chunks of any size and
// resynchronises on the next start marker after bytes that form no packet.
#ifndef VISTREL_PROTOCOL_STREAM_DECODER_H
#define VISTREL_PROTOCOL_STREAM_DECODER_H

#include "display_frame.h"
#include "packets.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace vistrel::protocol {

struct DriveSettings {
    std::array<std::uint16_t, 7> codes{};  // Vss, Vdd, Voff, Von, Voff, Von, Vbias
    std::array<double, 7> volts{};         // the same codes decoded back to volts
    std::array<std::array<std::uint16_t, 256>, 3> tables{};
};

struct ScanTiming {
    std::array<std::int32_t, 4> fields{};  // lead, body, tail (x100), period
};

struct DisplayFrame {
    std::uint8_t mode = 0;
    std::vector<std::uint8_t> slots;  // 36000 bytes: two per slot
    std::uint8_t gray(std::size_t slot) const { return slots[2 * slot + 1]; }
};

struct DecodedPacket {
    enum Kind { DisplayStart, DisplayStop, OpenClose, Drive, Scan, Frame };
    Kind kind = DisplayStart;
    std::uint64_t offset = 0;  // stream offset of the start marker
    std::size_t length = 0;
    DriveSettings drive;       // valid when kind == Drive
    ScanTiming scan;           // valid when kind == Scan
    DisplayFrame frame;        // valid when kind == Frame
};

// Codes back to volts: +-20 V scale for codes 0-5, +-10 V for code 6 and the tables.
double wideScaleVolts(std::uint16_t code);
double narrowScaleVolts(std::uint16_t code);

class StreamDecoder {
public:
    using Sink = std::function<void(const DecodedPacket &)>;

    // Decodes what the chunk completes; packets go to sink in stream order.
    void feed(const std::uint8_t *data, std::size_t size, const Sink &sink);
    std::vector<DecodedPacket> feed(const std::uint8_t *data, std::size_t size);

    std::uint64_t bytesReceived() const { return m_bytesReceived; }
    std::uint64_t protocolErrors() const { return m_protocolErrors; }
    void reset();

private:
    std::vector<std::uint8_t> m_pending;
    std::uint64_t m_pendingOffset = 0;
    std::uint64_t m_bytesReceived = 0;
    std::uint64_t m_protocolErrors = 0;
};

} // namespace vistrel::protocol

#endif
