#include "stream_decoder.h"

#include <cstring>

namespace vistrel::protocol {

namespace {

constexpr std::size_t kDriveCodesOffset = 2;
constexpr std::size_t kGrayTablesOffset = 16;

// Length fixed by the type byte; 0 for a byte that is no packet type.
std::size_t packetLength(std::uint8_t type)
{
    switch (type) {
    case TypeDisplayStart:
    case TypeDisplayStop:
    case TypeOpenClose:
        return kControlWordSize;
    case TypeDriveSettings:
        return kDriveSettingsSize;
    case TypeScanTiming:
        return kScanTimingSize;
    case TypeDisplayFrameVideo:
    case TypeDisplayFrameStill:
        return kDisplayFrameSize;
    default:
        return 0;
    }
}

std::uint16_t bigEndian16(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

std::int32_t bigEndian32(const std::uint8_t *at)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits = (bits << 8) | at[i];
    if (bits <= 0x7FFFFFFFu)
        return static_cast<std::int32_t>(bits);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(bits) - (std::int64_t{1} << 32));
}

void decodeDrive(const std::uint8_t *packet, DriveSettings &drive)
{
    for (std::size_t i = 0; i < drive.codes.size(); ++i) {
        drive.codes[i] = bigEndian16(packet + kDriveCodesOffset + 2 * i);
        drive.volts[i] = i < 6 ? wideScaleVolts(drive.codes[i]) : narrowScaleVolts(drive.codes[i]);
    }
    const std::uint8_t *table = packet + kGrayTablesOffset;
    for (auto &entries : drive.tables) {
        for (auto &entry : entries) {
            entry = bigEndian16(table);
            table += 2;
        }
    }
}

void decodeScan(const std::uint8_t *packet, ScanTiming &scan)
{
    for (std::size_t i = 0; i < scan.fields.size(); ++i)
        scan.fields[i] = bigEndian32(packet + 2 + 4 * i);
}

DecodedPacket decodePacket(const std::uint8_t *packet, std::size_t length, std::uint64_t offset)
{
    DecodedPacket decoded;
    decoded.offset = offset;
    decoded.length = length;
    switch (packet[1]) {
    case TypeDisplayStart:
        decoded.kind = DecodedPacket::DisplayStart;
        break;
    case TypeDisplayStop:
        decoded.kind = DecodedPacket::DisplayStop;
        break;
    case TypeOpenClose:
        decoded.kind = DecodedPacket::OpenClose;
        break;
    case TypeDriveSettings:
        decoded.kind = DecodedPacket::Drive;
        decodeDrive(packet, decoded.drive);
        break;
    case TypeScanTiming:
        decoded.kind = DecodedPacket::Scan;
        decodeScan(packet, decoded.scan);
        break;
    default:
        decoded.kind = DecodedPacket::Frame;
        decoded.frame.mode = packet[1];
        decoded.frame.slotBytes.assign(packet + 2, packet + length - 2);
        break;
    }
    return decoded;
}

} // namespace

const char *packetKindName(DecodedPacket::Kind kind)
{
    switch (kind) {
    case DecodedPacket::DisplayStart:
        return "DisplayStartWord";
    case DecodedPacket::DisplayStop:
        return "DisplayStopWord";
    case DecodedPacket::OpenClose:
        return "OpenCloseWord";
    case DecodedPacket::Drive:
        return "DriveSettingsPacket";
    case DecodedPacket::Scan:
        return "ScanTimingPacket";
    case DecodedPacket::Frame:
        return "DisplayFramePacket";
    }
    return "?";
}

// Decodes from data[0] on and returns how many bytes were settled (decoded
// or skipped); the rest is the start of a packet still waiting for bytes.
std::size_t StreamDecoder::decode(const std::uint8_t *data, std::size_t size,
                                  std::uint64_t offset, bool atEnd, const Sink &sink)
{
    std::size_t pos = 0;
    while (pos < size) {
        if (data[pos] != kStartMarker) {
            const void *next = std::memchr(data + pos, kStartMarker, size - pos);
            const std::size_t skipTo = next ? static_cast<std::size_t>(
                                                  static_cast<const std::uint8_t *>(next) - data)
                                            : size;
            m_protocolErrors += skipTo - pos;
            pos = skipTo;
            continue;
        }
        const std::size_t available = size - pos;
        const std::size_t length = available < 2 ? 0 : packetLength(data[pos + 1]);
        const bool waiting = available < 2 || (length != 0 && available < length);
        if (waiting && !atEnd)
            break;
        const bool complete = !waiting && length != 0;
        if (!complete || data[pos + length - 2] != 0x0D || data[pos + length - 1] != 0x0A) {
            ++m_protocolErrors;
            ++pos;
            continue;
        }
        m_packetBytes += length;
        sink(decodePacket(data + pos, length, offset + pos));
        pos += length;
    }
    return pos;
}

void StreamDecoder::decodePending(bool atEnd, const Sink &sink)
{
    const std::size_t settled = decode(m_pending.data() + m_pendingStart,
                                       m_pending.size() - m_pendingStart, m_pendingOffset,
                                       atEnd, sink);
    m_pendingStart += settled;
    m_pendingOffset += settled;
    // Drop settled bytes only once they outweigh the rest, so a slow crawl
    // through garbage never moves the held-back packet byte by byte.
    if (m_pendingStart == m_pending.size()) {
        m_pending.clear();
        m_pendingStart = 0;
    } else if (m_pendingStart > m_pending.size() / 2) {
        m_pending.erase(m_pending.begin(),
                        m_pending.begin() + static_cast<std::ptrdiff_t>(m_pendingStart));
        m_pendingStart = 0;
    }
}

void StreamDecoder::feed(const std::uint8_t *data, std::size_t size, const Sink &sink)
{
    if (!data || size == 0)
        return;
    const std::uint64_t chunkOffset = m_bytesReceived;
    m_bytesReceived += size;
    if (pendingBytes() != 0) {
        // Only a packet cut by the previous chunk is held here, so the copy
        // is bounded by one packet plus this chunk.
        m_pending.insert(m_pending.end(), data, data + size);
        decodePending(false, sink);
        return;
    }
    // The common case decodes straight from the caller's chunk.
    const std::size_t settled = decode(data, size, chunkOffset, false, sink);
    m_pending.assign(data + settled, data + size);
    m_pendingStart = 0;
    m_pendingOffset = chunkOffset + settled;
}

std::vector<DecodedPacket> StreamDecoder::feed(const std::uint8_t *data, std::size_t size)
{
    std::vector<DecodedPacket> packets;
    feed(data, size, [&packets](const DecodedPacket &p) { packets.push_back(p); });
    return packets;
}

void StreamDecoder::finish(const Sink &sink)
{
    if (pendingBytes() != 0)
        decodePending(true, sink);
}

std::vector<DecodedPacket> StreamDecoder::finish()
{
    std::vector<DecodedPacket> packets;
    finish([&packets](const DecodedPacket &p) { packets.push_back(p); });
    return packets;
}

void StreamDecoder::reset()
{
    m_pending.clear();
    m_pendingStart = 0;
    m_pendingOffset = 0;
    m_bytesReceived = 0;
    m_packetBytes = 0;
    m_protocolErrors = 0;
}

} // namespace vistrel::protocol
