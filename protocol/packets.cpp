#include "packets.h"

#include <cmath>
#include <limits>

namespace vistrel::protocol {

namespace {

constexpr std::size_t kWideScaleEntries = 6;  // Vss, Vdd, Voff, Von and the copies
constexpr std::size_t kDriveCodeCount = 7;
constexpr std::size_t kGrayTableEntries = 256;
constexpr std::size_t kGrayTableBytes = 2 * kGrayTableEntries;
constexpr std::size_t kGrayTablesOffset = 2 + 2 * kDriveCodeCount;

// Truncates toward zero and saturates at the ends of the 16-bit scale, so a
// voltage far outside its scale, an infinity or a NaN never reaches a cast
// it cannot survive. Codes from voltages inside the scales are unaffected.
std::uint16_t saturatedCode(double code)
{
    if (!(code > 0.0))  // negative, zero or NaN
        return 0;
    if (code >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(code);
}

void putBigEndian16(std::uint8_t *at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFF);
}

void putBigEndian32(std::uint8_t *at, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (24 - 8 * i));
}

void frame(Bytes &packet, std::uint8_t type)
{
    packet[0] = kStartMarker;
    packet[1] = type;
    packet[packet.size() - 2] = 0x0D;
    packet[packet.size() - 1] = 0x0A;
}

double grayCurve(int g, const std::optional<double> &gamma)
{
    if (!gamma)
        return g;
    return std::pow(g / 255.0, *gamma) * 255.0;
}

void writeGrayTable(std::uint8_t *table, double vl, double vh, const std::optional<double> &gamma)
{
    for (std::size_t k = 0; k < kGrayTableEntries; ++k) {
        const int g = 255 - static_cast<int>(k);
        const double v = ((vl - vh) * 0.00390625) * grayCurve(g, gamma) + vh;
        putBigEndian16(table + 2 * k, saturatedCode(v));
    }
}

// Signed 32-bit arithmetic that wraps like the controller's registers
// instead of overflowing into undefined behaviour.
std::int32_t wrap32(std::int64_t value)
{
    const auto bits = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
    if (bits <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        return static_cast<std::int32_t>(bits);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(bits) - (std::int64_t{1} << 32));
}

} // namespace

double narrowScaleCode(double volts) { return (10.0 + volts) / 20.0 * 65535.0; }

// Halving first keeps the controller's own arithmetic, bit for bit.
double wideScaleCode(double volts) { return narrowScaleCode(volts * 0.5); }

double narrowScaleVolts(double code) { return code / 65535.0 * 20.0 - 10.0; }

double wideScaleVolts(double code) { return 2.0 * narrowScaleVolts(code); }

std::vector<double> volFormula(const std::vector<double> &volts)
{
    std::vector<double> codes(kDriveValueCount, 0.0);
    const std::size_t n = volts.size() < kDriveValueCount ? volts.size() : kDriveValueCount;
    for (std::size_t i = 0; i < n; ++i)
        codes[i] = i < kWideScaleEntries ? wideScaleCode(volts[i]) : narrowScaleCode(volts[i]);
    return codes;
}

Bytes buildDriveSettingsPacket(const std::vector<double> &volts, std::optional<double> gamma)
{
    const std::vector<double> codes = volFormula(volts);
    Bytes packet(kDriveSettingsSize, 0);
    frame(packet, TypeDriveSettings);
    for (std::size_t i = 0; i < kDriveCodeCount; ++i)
        putBigEndian16(&packet[2 + 2 * i], saturatedCode(codes[i]));
    for (std::size_t t = 0; t < 3; ++t) {
        writeGrayTable(&packet[kGrayTablesOffset + kGrayTableBytes * t],
                       codes[DriveVl0 + 2 * t], codes[DriveVh0 + 2 * t], gamma);
    }
    return packet;
}

Bytes buildScanTimingPacket(std::int32_t scanLead, std::int32_t scanTail, std::int32_t fps)
{
    // fps below 1 is outside the callers' contract; 1 keeps the division defined.
    const std::int64_t rate = fps < 1 ? 1 : fps;
    const std::int64_t lead = scanLead;
    const std::int64_t tail = scanTail;
    Bytes packet(kScanTimingSize, 0);
    frame(packet, TypeScanTiming);
    putBigEndian32(&packet[2], wrap32(100 * lead));
    putBigEndian32(&packet[6], wrap32(100 * wrap32(166 - lead - tail)));
    putBigEndian32(&packet[10], wrap32(100 * tail));
    putBigEndian32(&packet[14], wrap32(100000000 / rate - 1660000));
    return packet;
}

} // namespace vistrel::protocol
