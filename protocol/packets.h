// Packets the console sends to the panel controller, other than display
// frames. Every packet is 0xFF, a type byte, a big-endian payload and CR LF;
// the type byte alone fixes the length.
#ifndef VISTREL_PROTOCOL_PACKETS_H
#define VISTREL_PROTOCOL_PACKETS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vistrel::protocol {

using Bytes = std::vector<std::uint8_t>;

enum PacketType : std::uint8_t {
    TypeDisplayFrameVideo = 0x00,
    TypeDriveSettings = 0x01,
    TypeScanTiming = 0x02,
    TypeDisplayFrameStill = 0x04,
    TypeDisplayStart = 0xAA,
    TypeDisplayStop = 0xFD,
    TypeOpenClose = 0xFE,
};

constexpr std::uint8_t kStartMarker = 0xFF;
constexpr std::size_t kControlWordSize = 4;
constexpr std::size_t kScanTimingSize = 20;
constexpr std::size_t kDriveSettingsSize = 1554;

using ControlWord = std::array<std::uint8_t, kControlWordSize>;
constexpr ControlWord DisplayStartWord{0xFF, 0xAA, 0x0D, 0x0A};
constexpr ControlWord DisplayStopWord{0xFF, 0xFD, 0x0D, 0x0A};
constexpr ControlWord OpenCloseWord{0xFF, 0xFE, 0x0D, 0x0A};

// Drive values, volts, in the order the settings packet carries them:
// Vss, Vdd, Voff, Von, Voff, Von, Vbias, then (Vl, Vh) once per gray table.
constexpr std::size_t kDriveValueCount = 13;
enum DriveIndex : std::size_t {
    DriveVss = 0, DriveVdd = 1, DriveVoff = 2, DriveVon = 3,
    DriveVoffCopy = 4, DriveVonCopy = 5, DriveVbias = 6,
    DriveVl0 = 7, DriveVh0 = 8, DriveVl1 = 9, DriveVh1 = 10, DriveVl2 = 11, DriveVh2 = 12,
};

// The controller's two voltage scales, full scale 0 .. 65535: -20 .. 20 V
// (the scan voltages and their copies) and -10 .. 10 V (the rest). Codes are
// not rounded or limited here; the packet saturates them when it packs them.
double wideScaleCode(double volts);
double narrowScaleCode(double volts);
double wideScaleVolts(double code);
double narrowScaleVolts(double code);

// Full-scale codes (0 .. 65535 inside the scales) of the 13 drive values:
// entries 0-5 on the +-20 V scale, entries 6-12 on the +-10 V scale. The
// packet saturates codes outside 0 .. 65535 at the nearer end.
std::vector<double> volFormula(const std::vector<double> &volts);

// The 1554-byte DriveSettingsPacket. gamma: the exponent of the gray-level
// curve when gamma is switched on, nothing for the linear tables.
Bytes buildDriveSettingsPacket(const std::vector<double> &volts, std::optional<double> gamma);

// The 20-byte ScanTimingPacket; fps must be at least 1 (a smaller value is
// taken as 1). Fields are computed in wrapping signed 32-bit arithmetic.
Bytes buildScanTimingPacket(std::int32_t scanLead, std::int32_t scanTail, std::int32_t fps);

} // namespace vistrel::protocol

#endif
