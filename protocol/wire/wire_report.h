// Text for vistrel-wire: one line per decoded packet and a closing summary.
#ifndef VISTREL_WIRE_REPORT_H
#define VISTREL_WIRE_REPORT_H

#include "stream_decoder.h"

#include <array>
#include <cstdint>
#include <string>

namespace vistrel::wire {

struct GrayStats {
    int min = 0;
    double mean = 0.0;
    int max = 0;
};

// Over the second byte of every slot.
GrayStats grayStats(const protocol::DisplayFrame &frame);

// "<offset> <type name> <length> <decoded fields>", no line break.
std::string describePacket(const protocol::DecodedPacket &packet);

struct WireTotals {
    std::array<std::uint64_t, 6> perKind{};  // indexed by DecodedPacket::Kind
    std::uint64_t bytes = 0;
    std::uint64_t protocolErrors = 0;
    std::uint64_t incompleteTail = 0;  // errors found only at the end: a packet cut short

    void count(const protocol::DecodedPacket &packet) { ++perKind[packet.kind]; }
    std::uint64_t packets() const;
};

// Several lines, each ending in a line break.
std::string formatSummary(const WireTotals &totals);

} // namespace vistrel::wire

#endif
