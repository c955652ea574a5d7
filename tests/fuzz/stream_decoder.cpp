// Fuzz target: the panel-side stream decoder. Each input is fed whole and in
// three random chunkings (drawn from the input itself, so a crash replays).
// After every chunk each received byte must be accounted for exactly once,
// and every chunking must end in the same packets and the same error count.
#include "fuzz_check.h"
#include "stream_decoder.h"

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

using namespace vistrel::protocol;

namespace {

// Each packet's offset, kind and length, then the error count.
using Outcome = std::pair<std::vector<std::tuple<std::uint64_t, int, std::size_t>>, std::uint64_t>;

// Each kind's length, in DecodedPacket::Kind's order.
constexpr std::size_t kLengths[] = {kControlWordSize,   kControlWordSize, kControlWordSize,
                                    kDriveSettingsSize, kScanTimingSize,  kDisplayFrameSize};

// A packet must lie inside the input, after the previous one, framed by the
// start marker and 0D 0A, with the length its type fixes.
void checkPacket(const DecodedPacket &packet, const std::uint8_t *data, std::size_t size, std::uint64_t previousEnd)
{
    FUZZ_CHECK(packet.offset >= previousEnd && packet.offset + packet.length <= size);
    FUZZ_CHECK(packet.length == kLengths[packet.kind]);
    const std::uint8_t *at = data + packet.offset;
    FUZZ_CHECK(at[0] == kStartMarker);
    FUZZ_CHECK(at[packet.length - 2] == 0x0D && at[packet.length - 1] == 0x0A);
    if (packet.kind == DecodedPacket::Frame) {
        FUZZ_CHECK(packet.frame.mode == at[1]);
        FUZZ_CHECK(std::equal(packet.frame.slotBytes.begin(), packet.frame.slotBytes.end(), at + 2, at + packet.length - 2));
    }
}

void checkAccounting(const StreamDecoder &decoder, std::uint64_t fed, std::uint64_t sinkBytes)
{
    FUZZ_CHECK(decoder.bytesReceived() == fed && decoder.packetBytes() == sinkBytes);
    FUZZ_CHECK(fed == sinkBytes + decoder.protocolErrors() + decoder.pendingBytes());
}

// maxChunk 0 feeds the whole input at once.
Outcome decodeInChunks(const std::uint8_t *data, std::size_t size, std::size_t maxChunk, std::minstd_rand &random)
{
    StreamDecoder decoder;
    Outcome outcome;
    std::uint64_t sinkBytes = 0, previousEnd = 0;
    const auto sink = [&](const DecodedPacket &packet) {
        checkPacket(packet, data, size, previousEnd);
        previousEnd = packet.offset + packet.length;
        sinkBytes += packet.length;
        outcome.first.emplace_back(packet.offset, packet.kind, packet.length);
    };
    std::uniform_int_distribution<std::size_t> chunk(1, std::max<std::size_t>(maxChunk, 1));
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = std::min(maxChunk ? chunk(random) : size, size - at);
        decoder.feed(data + at, length, sink);
        at += length;
        checkAccounting(decoder, at, sinkBytes);
    }
    decoder.finish(sink);
    FUZZ_CHECK(decoder.pendingBytes() == 0);
    checkAccounting(decoder, size, sinkBytes);
    outcome.second = decoder.protocolErrors();
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::uint32_t hash = 2166136261u;  // FNV-1a of the input seeds the chunking
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    std::minstd_rand random(hash);
    const Outcome whole = decodeInChunks(data, size, 0, random);
    for (const std::size_t maxChunk : {std::size_t{7}, std::size_t{4096}, size})
        FUZZ_CHECK(decodeInChunks(data, size, maxChunk, random) == whole);
    return 0;
}
