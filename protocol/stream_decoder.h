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
    // 36000 bytes, two per slot. Not called "slots": Qt defines that word as
    // a macro, which would break this struct in any file that includes Qt first.
    std::vector<std::uint8_t> slotBytes;
    std::uint8_t gray(std::size_t slot) const { return slotBytes[2 * slot + 1]; }
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

// The packet's name as the console calls it: "DisplayStartWord",
// "DisplayStopWord", "OpenCloseWord", "DriveSettingsPacket",
// "ScanTimingPacket", "DisplayFramePacket".
const char *packetKindName(DecodedPacket::Kind kind);

// A byte that starts no packet (not FF, FF with an unknown type byte, FF
// whose packet does not end in 0D 0A) is skipped and counted as one protocol
// error; decoding resumes at the next FF. A packet cut by the end of a chunk
// waits, unjudged, for the next chunk (a false start such as FF 00 inside
// garbage thus holds back what follows until 36004 bytes have arrived).
// finish() declares the end of the stream: a packet that can no longer be
// completed is then skipped byte by byte like any other false start.
// The sink must not feed the same decoder.
class StreamDecoder {
public:
    using Sink = std::function<void(const DecodedPacket &)>;

    // Decodes what the chunk completes; packets go to sink in stream order.
    void feed(const std::uint8_t *data, std::size_t size, const Sink &sink);
    std::vector<DecodedPacket> feed(const std::uint8_t *data, std::size_t size);

    // End of stream: decodes or rejects what is still pending.
    void finish(const Sink &sink);
    std::vector<DecodedPacket> finish();

    // Every byte received is accounted for exactly once:
    // bytesReceived() == packetBytes() + protocolErrors() + pendingBytes().
    std::uint64_t bytesReceived() const { return m_bytesReceived; }
    std::uint64_t packetBytes() const { return m_packetBytes; }  // in packets decoded so far
    std::uint64_t protocolErrors() const { return m_protocolErrors; }
    // Bytes held back as the beginning of a packet not yet complete.
    std::size_t pendingBytes() const { return m_pending.size() - m_pendingStart; }
    // Back to an empty stream; pending bytes are dropped uncounted.
    void reset();

private:
    std::size_t decode(const std::uint8_t *data, std::size_t size, std::uint64_t offset,
                       bool atEnd, const Sink &sink);
    void decodePending(bool atEnd, const Sink &sink);

    std::vector<std::uint8_t> m_pending;
    std::size_t m_pendingStart = 0;  // settled bytes before it are dropped lazily
    std::uint64_t m_pendingOffset = 0;
    std::uint64_t m_bytesReceived = 0;
    std::uint64_t m_packetBytes = 0;
    std::uint64_t m_protocolErrors = 0;
};

} // namespace vistrel::protocol

#endif
